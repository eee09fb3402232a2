#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

// A text held as a list of views into other strings, so that replacing a placeholder copies no
// bytes. ReplaceAll() behaves exactly as the plain replacement on the joined text: exact bytes,
// left to right, without overlap, never searching the inserted text again, and matching across
// the borders between pieces. The strings viewed must outlive the pieces.
class TPieceText
{
public:
    void Assign(std::string_view text);
    void ReplaceAll(std::string_view pattern, std::string_view replacement);

    // The pieces in order; none is empty.
    const std::vector<std::string_view> &Pieces() const { return FPieces; }
    std::size_t Size() const;
    void AppendTo(std::string &out) const;

private:
    struct TPosition
    {
        std::size_t Piece;
        std::size_t Offset;
    };

    // The first match at or after `from`; its end goes to `end`. False when there is none.
    bool FindNext(std::string_view pattern, TPosition from, TPosition &start, TPosition &end) const;
    // Whether the pattern starts at `at`, crossing into later pieces as needed.
    bool MatchesAt(std::string_view pattern, TPosition at, TPosition &end) const;
    // Appends the text between two positions to FNext.
    void Emit(TPosition from, TPosition to);

    std::vector<std::string_view> FPieces;
    std::vector<std::string_view> FNext;
};

} // namespace zarvik
