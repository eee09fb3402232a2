#pragma once

#include <cstddef>
#include <span>
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
    void ReplaceAll(std::string_view pattern, std::string_view replacement)
    {
        const std::string_view pieces[] = {replacement};
        ReplaceAll(pattern, pieces);
    }
    // The same with a replacement made of pieces, joined in order.
    void ReplaceAll(std::string_view pattern, std::span<const std::string_view> replacement);

    // Finds every place of the patterns in `text` once, so that pieces viewing `text` are
    // searched for them by lookup instead of by scanning: worth it for a long text, such as a
    // site's menu, that every page inserts. The text must stay as it is until Forget().
    void Remember(std::string_view text, std::span<const std::string_view> patterns);
    void Forget() { FKnown.clear(); }

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

    // The first place of `pattern` inside `piece` at or after `from`, or npos.
    std::size_t Find(std::string_view piece, std::string_view pattern, std::size_t from) const;

    struct TKnownText
    {
        std::string_view Text;
        std::vector<std::string_view> Patterns;
        // Every start of each pattern in the text, overlapping ones included, in order.
        std::vector<std::vector<std::size_t>> Places;
    };

    std::vector<std::string_view> FPieces;
    std::vector<std::string_view> FNext;
    std::vector<TKnownText> FKnown;
};

} // namespace zarvik
