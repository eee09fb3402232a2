#include "engine/EXSiteGenerator.h"
#include "engine/SiteRules.h"
#include "engine/SplitPreview.h"

#include <algorithm>
#include <limits>

namespace zarvik {

TSplitSettings SplitSettingsOf(const TSiteGenerator &generator)
{
    return {generator.DiggValue(), generator.MinCharsPerPage(), generator.MaxCharsPerPage()};
}

// The splitting is one left-to-right scan over 1-based positions 1 .. n - 1. At each position
// three tests are made in order: the page-break marker, a sentence end inside the length window
// (start + Min < pos < start + Max) and the hard cut at pos = start + Max. Instead of visiting
// every position, the scan jumps straight to the next position where one of the tests can fire:
// the next marker occurrence (found with a substring search), the first sentence-end pair inside
// the window, or the hard cut. The tests at that position are then made exactly in order, so the
// result is the same as a position-by-position scan.
void SplitContent(std::string_view t, const TSplitSettings &settings,
                  const std::function<void(const TTextPiece &)> &onPiece)
{
    using Pos = std::int64_t;
    constexpr Pos None = std::numeric_limits<Pos>::max();

    const Pos n = static_cast<Pos>(t.size());
    const std::string_view marker(settings.Marker);
    const Pos d = static_cast<Pos>(marker.size());
    // A maximum below 1 means no length limit; a negative minimum reads as 0.
    const bool limited = settings.MaxChars >= 1;
    const Pos maxChars = settings.MaxChars;
    const Pos minChars = std::max<Pos>(settings.MinChars, 0);

    // The marker is tested only where pos < n - d, and an empty marker never matches.
    const Pos lastMarkerPos = d > 0 ? n - d - 1 : 0;
    auto findMarker = [&](Pos from) -> Pos {
        if (d == 0 || from > lastMarkerPos)
            return None;
        const auto found = t.find(marker, static_cast<std::size_t>(from - 1));
        if (found == std::string_view::npos)
            return None;
        const Pos p = static_cast<Pos>(found) + 1;
        return p <= lastMarkerPos ? p : None;
    };
    // The characters at pos - 1 and pos form "CR CR" or ". ".
    auto isSentenceEnd = [&](Pos pos) {
        const char a = t[static_cast<std::size_t>(pos - 2)];
        const char b = t[static_cast<std::size_t>(pos - 1)];
        return (a == '\r' && b == '\r') || (a == '.' && b == ' ');
    };
    // Closes the page holding characters start .. pos - 1 (none when two markers overlap).
    auto emit = [&](Pos start, Pos pos, TPageEnd end) {
        onPiece({static_cast<std::size_t>(start - 1), static_cast<std::size_t>(std::max<Pos>(pos - start, 0)),
                 static_cast<std::size_t>(pos - 1), end});
    };

    Pos start = 1;
    Pos nextMarker = findMarker(1);
    Pos pos = 1;
    while (pos <= n - 1) {
        // Between pos and the next event start does not change, so the window is fixed.
        Pos event = nextMarker;
        if (limited) {
            event = std::min(event, start + maxChars);
            const Pos lo = std::max(pos, start + minChars + 1);
            const Pos hi = std::min({start + maxChars - 1, n - 1, event});
            for (Pos p = std::max<Pos>(lo, 2); p <= hi; ++p) {
                if (isSentenceEnd(p)) {
                    event = p;
                    break;
                }
            }
        }
        if (event > n - 1)
            break;
        pos = event;

        if (pos == nextMarker) {
            emit(start, pos, TPageEnd::Marker);
            start = pos + d;
            nextMarker = findMarker(pos + 1);
        }
        if (limited && start + minChars < pos && pos < start + maxChars && pos >= 2 && isSentenceEnd(pos)) {
            emit(start, pos, TPageEnd::SentenceEnd);
            start = pos;
        }
        if (limited && pos == start + maxChars) {
            // pos >= 2 here, so both sides of the cut exist.
            const bool midWord = IsWordByte(t[static_cast<std::size_t>(pos - 2)]) &&
                                 IsWordByte(t[static_cast<std::size_t>(pos - 1)]);
            emit(start, pos, midWord ? TPageEnd::HardCutMidWord : TPageEnd::HardCut);
            start = pos;
        }
        ++pos;
    }
    emit(start, n + 1, TPageEnd::EndOfText);
}

void TSiteGenerator::AddContent(const std::string &text)
{
    const std::string_view t(text);
    const int first = FPages.Count();
    int cur = first;
    SplitContent(t, SplitSettingsOf(*this), [&](const TTextPiece &piece) {
        TSitePage &page = AddPage(NewPageTitle(cur));
        ++cur;
        page.SetPageText(std::string(t.substr(piece.Offset, piece.Length)));
    });
}

} // namespace zarvik
