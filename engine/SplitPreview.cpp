#include "engine/SplitPreview.h"

#include "engine/EXSiteGenerator.h"
#include "engine/SiteRules.h"

namespace zarvik {

std::vector<TPreviewPage> PreviewContent(const TSiteGenerator &generator, std::string_view text)
{
    std::vector<TPreviewPage> pages;
    int index = generator.Pages().Count();
    SplitContent(text, SplitSettingsOf(generator), [&](const TTextPiece &piece) {
        pages.push_back({generator.NewPageTitle(index), NewPageUrl(index), piece});
        ++index;
    });
    return pages;
}

TSplitWarnings SplitWarningsOf(std::string_view text, const TSplitSettings &settings,
                               const std::vector<TPreviewPage> &pages)
{
    TSplitWarnings warnings;
    const std::string_view marker(settings.Marker);
    const std::size_t n = text.size();
    const std::size_t d = marker.size();
    // A marker counts only with at least two characters after it.
    if (d > 0 && n >= d) {
        for (std::size_t tail = 0; tail <= 1 && tail + d <= n; ++tail) {
            if (text.substr(n - d - tail, d) == marker)
                warnings.MarkerAtEndIgnored = true;
        }
    }
    // A sentence end needs a position with start + Min < pos < start + Max.
    if (settings.MaxChars >= 1) {
        const std::int64_t minChars = settings.MinChars < 0 ? 0 : settings.MinChars;
        warnings.OnlyHardCuts = minChars + 1 >= static_cast<std::int64_t>(settings.MaxChars);
    }
    for (const TPreviewPage &page : pages) {
        if (page.Piece.End == TPageEnd::HardCutMidWord)
            ++warnings.MidWordCuts;
    }
    return warnings;
}

std::string_view PageEndName(TPageEnd end)
{
    switch (end) {
    case TPageEnd::Marker:
        return "marker";
    case TPageEnd::SentenceEnd:
        return "sentence";
    case TPageEnd::HardCut:
        return "hard cut";
    case TPageEnd::HardCutMidWord:
        return "mid-word";
    case TPageEnd::EndOfText:
        return "end";
    }
    return "end";
}

} // namespace zarvik
