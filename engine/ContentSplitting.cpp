#include "engine/EXSiteGenerator.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace zarvik {

// The splitting is one left-to-right scan over 1-based positions 1 .. n - 1. At each position
// three tests are made in order: the page-break marker, a sentence end inside the length window
// (start + Min < pos < start + Max) and the hard cut at pos = start + Max. Instead of visiting
// every position, the scan jumps straight to the next position where one of the tests can fire:
// the next marker occurrence (found with a substring search), the first sentence-end pair inside
// the window, or the hard cut. The tests at that position are then made exactly in order, so the
// result is the same as a position-by-position scan.
void TSiteGenerator::AddContent(const std::string &text)
{
    using Pos = std::int64_t;
    constexpr Pos None = std::numeric_limits<Pos>::max();

    const std::string_view t(text);
    const Pos n = static_cast<Pos>(t.size());
    const std::string_view marker(FDiggValue);
    const Pos d = static_cast<Pos>(marker.size());
    // A maximum below 1 means no length limit; a negative minimum reads as 0.
    const bool limited = FMaxCharsPerPage >= 1;
    const Pos maxChars = FMaxCharsPerPage;
    const Pos minChars = std::max<Pos>(FMinCharsPerPage, 0);

    // Characters a .. b, 1-based and inclusive.
    auto piece = [&](Pos a, Pos b) {
        return b < a ? std::string() : std::string(t.substr(a - 1, b - a + 1));
    };
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

    const int first = FPages.Count();
    TSitePage *current = &AddPage(first == 0 ? std::string("index") : NewPageTitle(first));
    int cur = first;
    auto appendPage = [&] {
        ++cur;
        current = &AddPage(NewPageTitle(cur));
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
            current->SetPageText(piece(start, pos - 1));
            start = pos + d;
            appendPage();
            nextMarker = findMarker(pos + 1);
        }
        if (limited && start + minChars < pos && pos < start + maxChars && pos >= 2 && isSentenceEnd(pos)) {
            current->SetPageText(piece(start, pos - 1));
            start = pos;
            appendPage();
        }
        if (limited && pos == start + maxChars) {
            current->SetPageText(piece(start, pos - 1));
            start = pos;
            appendPage();
        }
        ++pos;
    }
    current->SetPageText(piece(start, n));
}

} // namespace zarvik
