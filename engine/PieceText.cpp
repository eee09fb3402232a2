#include "engine/PieceText.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace zarvik {

void TPieceText::Assign(std::string_view text)
{
    FPieces.clear();
    if (!text.empty())
        FPieces.push_back(text);
}

std::size_t TPieceText::Size() const
{
    std::size_t size = 0;
    for (const std::string_view piece : FPieces)
        size += piece.size();
    return size;
}

void TPieceText::AppendTo(std::string &out) const
{
    out.reserve(out.size() + Size());
    for (const std::string_view piece : FPieces)
        out.append(piece);
}

void TPieceText::Remember(std::string_view text, std::span<const std::string_view> patterns)
{
    if (text.empty())
        return;
    TKnownText known{text, {patterns.begin(), patterns.end()}, {}};
    for (const std::string_view pattern : patterns) {
        std::vector<std::size_t> &places = known.Places.emplace_back();
        if (pattern.empty())
            continue;
        for (std::size_t hit = text.find(pattern); hit != std::string_view::npos;
             hit = text.find(pattern, hit + 1))
            places.push_back(hit);
    }
    FKnown.push_back(std::move(known));
}

std::size_t TPieceText::Find(std::string_view piece, std::string_view pattern, std::size_t from) const
{
    const std::less<const char *> before;
    for (const TKnownText &known : FKnown) {
        const char *const begin = known.Text.data();
        if (before(piece.data(), begin) || before(begin + known.Text.size(), piece.data() + piece.size()))
            continue;
        for (std::size_t p = 0; p < known.Patterns.size(); ++p) {
            if (known.Patterns[p] != pattern)
                continue;
            const std::vector<std::size_t> &places = known.Places[p];
            const auto base = static_cast<std::size_t>(piece.data() - begin);
            const auto hit = std::lower_bound(places.begin(), places.end(), base + from);
            if (hit == places.end() || *hit + pattern.size() > base + piece.size())
                return std::string_view::npos;
            return *hit - base;
        }
    }
    return piece.find(pattern, from);
}

bool TPieceText::MatchesAt(std::string_view pattern, TPosition at, TPosition &end) const
{
    std::size_t piece = at.Piece;
    std::size_t offset = at.Offset;
    while (!pattern.empty()) {
        if (piece >= FPieces.size())
            return false;
        const std::string_view text = FPieces[piece].substr(offset);
        const std::size_t common = std::min(text.size(), pattern.size());
        if (text.compare(0, common, pattern.substr(0, common)) != 0)
            return false;
        pattern.remove_prefix(common);
        if (pattern.empty()) {
            end = {piece, offset + common};
            return true;
        }
        ++piece;
        offset = 0;
    }
    end = at;
    return true;
}

bool TPieceText::FindNext(std::string_view pattern, TPosition from, TPosition &start, TPosition &end) const
{
    for (std::size_t piece = from.Piece, offset = from.Offset; piece < FPieces.size(); ++piece, offset = 0) {
        const std::string_view text = FPieces[piece];
        if (offset >= text.size())
            continue;
        // A match inside the piece starts before any match that runs on into the next one.
        const std::size_t hit = Find(text, pattern, offset);
        if (hit != std::string_view::npos) {
            start = {piece, hit};
            end = {piece, hit + pattern.size()};
            return true;
        }
        if (piece + 1 == FPieces.size())
            break;
        std::size_t at = text.size() >= pattern.size() ? text.size() - pattern.size() + 1 : 0;
        at = std::max(at, offset);
        while (at < text.size()) {
            const void *first = std::memchr(text.data() + at, pattern.front(), text.size() - at);
            if (!first)
                break;
            at = static_cast<std::size_t>(static_cast<const char *>(first) - text.data());
            if (MatchesAt(pattern, {piece, at}, end)) {
                start = {piece, at};
                return true;
            }
            ++at;
        }
    }
    return false;
}

void TPieceText::Emit(TPosition from, TPosition to)
{
    auto push = [&](std::string_view piece) {
        if (!piece.empty())
            FNext.push_back(piece);
    };
    if (from.Piece == to.Piece) {
        push(FPieces[from.Piece].substr(from.Offset, to.Offset - from.Offset));
        return;
    }
    push(FPieces[from.Piece].substr(from.Offset));
    for (std::size_t piece = from.Piece + 1; piece < to.Piece; ++piece)
        push(FPieces[piece]);
    if (to.Piece < FPieces.size())
        push(FPieces[to.Piece].substr(0, to.Offset));
}

void TPieceText::ReplaceAll(std::string_view pattern, std::span<const std::string_view> replacement)
{
    if (pattern.empty() || FPieces.empty())
        return;
    TPosition start{};
    TPosition end{};
    if (!FindNext(pattern, {0, 0}, start, end))
        return;
    FNext.clear();
    TPosition emitted{0, 0};
    do {
        Emit(emitted, start);
        for (const std::string_view piece : replacement) {
            if (!piece.empty())
                FNext.push_back(piece);
        }
        emitted = end;
    } while (FindNext(pattern, end, start, end));
    Emit(emitted, {FPieces.size(), 0});
    FPieces.swap(FNext);
}

} // namespace zarvik
