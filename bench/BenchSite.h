#pragma once

#include "engine/EXSiteGenerator.h"
#include "engine/Random.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace zarvik::bench {

// A page template with every placeholder, in the shape of the default one.
inline constexpr const char *PageTemplate =
    "<!DOCTYPE html>\r\n"
    "<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n"
    "<title>SiteGeneratorChange.Title</title>\r\n"
    "<link rel=\"stylesheet\" href=\"style.css\">\r\n</head>\r\n<body>\r\n"
    "<div id=\"header\">SiteGeneratorChange.Header SiteGeneratorChange.Adsense</div>\r\n"
    "<div id=\"menu\">SiteGeneratorChange.Menu</div>\r\n"
    "<div id=\"content\">SiteGeneratorChange.MainText</div>\r\n"
    "<div align=\"center\">SiteGeneratorChange.Pagination</div>\r\n"
    "<div id=\"footer\">SiteGeneratorChange.Footer</div>\r\n</body>\r\n</html>\r\n";

// Russian-like Windows-1251 page text of exactly `size` bytes: words of 2..14 small Cyrillic
// letters, capitals after a sentence end, commas and full stops attached to words, CR LF between
// paragraphs, and about 15 % of the words repeating an earlier word of the page.
inline std::string RussianLikeText(std::mt19937 &rng, std::size_t size)
{
    std::string text;
    text.reserve(size + 32);
    std::vector<std::string> used;
    bool sentenceStart = true;
    int wordsInSentence = 0;
    while (text.size() < size) {
        std::string word;
        if (!used.empty() && rng() % 100 < 15) {
            word = used[rng() % used.size()];
        } else {
            const int length = 2 + static_cast<int>(rng() % 13);
            for (int i = 0; i < length; ++i)
                word += static_cast<char>(0xE0 + rng() % 32);
            used.push_back(word);
        }
        if (sentenceStart)
            word[0] = static_cast<char>(static_cast<unsigned char>(word[0]) - 0x20);
        sentenceStart = false;
        text += word;
        if (++wordsInSentence >= 8 + static_cast<int>(rng() % 10)) {
            wordsInSentence = 0;
            sentenceStart = true;
            text += rng() % 5 == 0 ? ".\r\n" : ". ";
        } else {
            text += rng() % 12 == 0 ? ", " : " ";
        }
    }
    text.resize(size);
    return text;
}

// A site of `pages` pages of `pageSize` bytes each and `links` links, named as the splitting
// names them.
inline void FillSite(TSiteGenerator &site, int pages, std::size_t pageSize, int links)
{
    std::mt19937 rng(20240611);
    site.SetMenuWord("\xD0\xE0\xE7\xE4\xE5\xEB");
    for (int i = 0; i < pages; ++i)
        site.CreateNewPage(site.NewPageTitle(i), RussianLikeText(rng, pageSize));
    TStringList urls;
    urls.reserve(static_cast<std::size_t>(links));
    for (int i = 0; i < links; ++i)
        urls.push_back("http://example.ru/catalog/item" + std::to_string(i) + ".html");
    site.SetSiteUrlsToLink(std::move(urls));
}

// Answers every message with OK and counts them.
struct TSilentPrompter : TPrompter
{
    int Count = 0;
    Answer ask(MessageKind, std::string_view, Buttons buttons) override
    {
        ++Count;
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }
};

// The whole road of the build benchmarks: content files of about 4,500 bytes joined with the
// page-break marker, split into pages of 4,000 to 5,000 bytes, three links per content file
// distributed with a fixed seed, and the site exported.
inline constexpr int BuildContentFiles = 1000;
inline constexpr const char *BuildMarker = "<!--break-->";

inline std::string BuildContent()
{
    std::mt19937 rng(99);
    std::string joined;
    for (int i = 0; i < BuildContentFiles; ++i) {
        if (i > 0)
            joined.append("\r\n").append(BuildMarker).append("\r\n");
        joined += RussianLikeText(rng, 4500);
    }
    return joined;
}

// Builds `content` (BuildContent) into a new project `site` with the ad block `ads` and exports
// it into `folder`.
inline void BuildWholeSite(TSiteGenerator &site, const std::string &content, const std::string &folder,
                           const std::string &ads = {})
{
    site.SetMenuWord("\xD0\xE0\xE7\xE4\xE5\xEB");
    site.SetSiteTemplate(PageTemplate);
    site.SetSiteTitle("\xD1\xE0\xE4");
    if (!ads.empty())
        site.SetAdsenseCode(ads);
    site.SetCssCode("body { margin: 0 }\r\n");
    site.SetMinCharsPerPage(4000);
    site.SetMaxCharsPerPage(5000);
    site.SetUseDigg(true);
    site.SetDiggValue(BuildMarker);
    TStringList urls;
    for (int i = 0; i < 3 * BuildContentFiles; ++i)
        urls.push_back("http://example.ru/catalog/item" + std::to_string(i) + ".html");
    site.SetSiteUrlsToLink(std::move(urls));
    site.SetRandomSource(std::make_unique<TSeededRandom>(5));
    site.AddContent(content);
    TSilentPrompter prompter;
    site.SetLinks(prompter);
    site.ExportSite(folder, prompter);
}

} // namespace zarvik::bench
