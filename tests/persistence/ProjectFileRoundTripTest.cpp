#include "persistence/ProjectFile.h"
#include "tests/persistence/ProjectFileTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace zarvik;

namespace {

// Random Windows-1251 text that leans on what the format must escape: Cyrillic, apostrophes, tabs,
// CR LF, lone CR and LF, the byte 0x98, and long runs that cross the 64-character lines.
std::string RandomText(std::mt19937 &rng, std::size_t maxLength)
{
    static const std::string pieces[] = {
        "'", "''", "\t", "\r\n", "\r", "\n", "\x98", "#13", " + ", "\x7F", std::string(1, '\0')};
    std::string text;
    const std::size_t length = rng() % (maxLength + 1);
    while (text.size() < length) {
        switch (rng() % 5) {
        case 0:
            text += pieces[rng() % std::size(pieces)];
            break;
        case 1:
            text += static_cast<char>(0xC0 + rng() % 64);
            break;
        case 2:
            text += static_cast<char>(rng() % 256);
            break;
        default:
            text += static_cast<char>('a' + rng() % 26);
        }
    }
    return text;
}

TStringList RandomLines(std::mt19937 &rng)
{
    TStringList lines(rng() % 4);
    for (auto &line : lines)
        line = RandomText(rng, rng() % 3 == 0 ? 0 : 150);
    return lines;
}

void FillRandomly(TSiteGenerator &g, std::mt19937 &rng)
{
    const int pages = static_cast<int>(rng() % 6);
    for (int i = 0; i < pages; ++i) {
        TSitePage &p = g.Pages().Add();
        p.SetPageText(RandomText(rng, 300));
        p.SetPageHTML(RandomText(rng, 100));
        p.SetPageTitle(RandomText(rng, 70));
        p.SetPagination(RandomText(rng, 70));
        p.SetPageUrl(RandomText(rng, 20));
    }
    g.SetSiteText(RandomLines(rng));
    g.SetSiteUrlsToLink(RandomLines(rng));
    g.SetSiteTemplate(RandomText(rng, 200));
    g.SetSiteMenu(RandomText(rng, 100));
    g.SetAdsenseCode(RandomText(rng, 100));
    g.SetCssCode(RandomText(rng, 100));
    g.SetSiteTitle(RandomText(rng, 70));
    g.SetSiteHeader(RandomText(rng, 70));
    g.SetSiteFooter(RandomText(rng, 70));
    g.SetSavePath(RandomText(rng, 70));
    g.SetDiggValue(RandomText(rng, 20));
    g.SetMenuWord(RandomText(rng, 20));
    g.SetMaxCharsPerPage(static_cast<std::int32_t>(rng()));
    g.SetMinCharsPerPage(static_cast<std::int32_t>(rng()));
    g.SetAlgoType(static_cast<std::int32_t>(rng()));
    g.SetMaxLinksPerPage(static_cast<std::int32_t>(rng()));
    g.SetMaxPages(static_cast<std::int32_t>(rng()));
    g.SetUseDigg(rng() % 2 == 0);
    g.SetChanged(rng() % 2 == 0);
}

} // namespace

TEST(ProjectFileRoundTrip, ReproducesEveryWrittenPropertyOfRandomProjects)
{
    std::mt19937 rng(20240601);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TSiteGenerator original;
        FillRandomly(original, rng);
        const std::string text = WriteProjectText(original);

        TSiteGenerator copy;
        ReadProjectText(text, copy);
        zarvik::test::ExpectSameProject(copy, original);
        EXPECT_FALSE(copy.LinksWasSetted());
        ASSERT_EQ(WriteProjectText(copy), text);
    }
}

TEST(ProjectFileRoundTrip, KeepsEveryByteAndManyPages)
{
    TSiteGenerator original;
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (int i = 0; i < 1500; ++i)
        original.CreateNewPage(original.NewPageTitle(i), all.substr(static_cast<std::size_t>(i % 256)));
    original.SetSiteText({all, "", all + all});
    const std::string text = WriteProjectText(original);

    TSiteGenerator copy;
    ReadProjectText(text, copy);
    zarvik::test::ExpectSameProject(copy, original);
    EXPECT_EQ(WriteProjectText(copy), text);
}
