#include "app/SiteSearch.h"

#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

std::vector<std::string> Found(const std::vector<TSearchHit> &hits)
{
    std::vector<std::string> out;
    for (const TSearchHit &hit : hits)
        out.push_back(hit.Found);
    return out;
}

std::vector<TSearchHit> Find(std::string_view text, std::string_view pattern, TSearchOptions options = {},
                             std::string_view replacement = "")
{
    return TSiteSearch(pattern, replacement, options).FindIn(Ru(text), TSearchArea::PageText, 0);
}

} // namespace

TEST(SiteSearch, CaseIsIgnoredForCyrillicAndLatinUnlessAsked)
{
    const std::string_view text = "Лед и ЛЁД, лед; Ice и ice. ЁЛКА ёлка";
    EXPECT_EQ(Found(Find(text, "лед")), (std::vector<std::string>{Ru("Лед"), Ru("лед")}));
    EXPECT_EQ(Found(Find(text, "ICE")).size(), 2u);
    EXPECT_EQ(Found(Find(text, "ёлка")), (std::vector<std::string>{Ru("ЁЛКА"), Ru("ёлка")}));

    TSearchOptions exact;
    exact.CaseSensitive = true;
    EXPECT_EQ(Found(Find(text, "лед", exact)), (std::vector<std::string>{Ru("лед")}));

    TSearchOptions yo;
    yo.YoAsYe = true;
    EXPECT_EQ(Found(Find(text, "лед", yo)), (std::vector<std::string>{Ru("Лед"), Ru("ЛЁД"), Ru("лед")}));
    EXPECT_EQ(Found(Find(text, "елка", yo)).size(), 2u);
    EXPECT_EQ(Found(Find(text, "ЛЁД", yo)).size(), 3u);
}

TEST(SiteSearch, WholeWordsEndAtCyrillicLettersAndDigits)
{
    TSearchOptions whole;
    whole.WholeWord = true;
    const std::string_view text = "лед гололед ледник лед2 (лед) лед";
    const std::vector<TSearchHit> hits = Find(text, "лед", whole);
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].Offset, 0u);
    EXPECT_EQ(hits[1].Offset, Ru("лед гололед ледник лед2 (").size());
    EXPECT_EQ(hits[2].Offset, Ru(text).size() - 3);
    EXPECT_EQ(Find(text, "лед").size(), 6u);

    // A regular expression is held to the same boundaries.
    whole.Regex = true;
    EXPECT_EQ(Find(text, "л.д", whole).size(), 3u);
}

TEST(SiteSearch, HitsCarryLineColumnAndTheirReplacement)
{
    TSearchOptions regex;
    regex.Regex = true;
    const std::vector<TSearchHit> hits = Find("первая строка\r\nвторая: Иван Петров\r\nПетр Иванов",
                                              R"((\p{Lu}\w+) (\p{Lu}\w+))", regex, "$2 $1 ✓");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].Line, 2);
    EXPECT_EQ(hits[0].Column, 9);
    EXPECT_EQ(hits[0].Found, Ru("Иван Петров"));
    // ✓ is not in the code page and becomes its numeric reference.
    EXPECT_EQ(hits[0].Replacement, Ru("Петров Иван &#10003;"));
    EXPECT_EQ(hits[1].Line, 3);
    EXPECT_EQ(hits[1].Column, 1);

    // Group text comes from the page as written, ё included, though ё matched as е.
    regex.YoAsYe = true;
    const std::vector<TSearchHit> yo = Find("Пётр", "(Петр)", regex, "[$1]");
    ASSERT_EQ(yo.size(), 1u);
    EXPECT_EQ(yo[0].Replacement, Ru("[Пётр]"));

    // Plain text is plain: no group references, no special characters.
    EXPECT_EQ(Find("a.b axb", "a.b", {}, "$1")[0].Replacement, "$1");
    EXPECT_EQ(Find("a.b axb", "a.b").size(), 1u);
}

TEST(SiteSearch, EmptyMatchesEndAndBadPatternsAreRefused)
{
    TSearchOptions regex;
    regex.Regex = true;
    EXPECT_TRUE(Find("абв", "x*", regex).empty());
    EXPECT_EQ(Find("абв\r\n", "^", regex).size(), 0u);
    EXPECT_THROW(TSiteSearch("(", "", regex), EError);
    EXPECT_THROW(TSiteSearch("", "", {}), EError);
    EXPECT_THROW(TSiteSearch("\xFF", "", {}), EError);
}

class SiteSearchProject : public testing::Test
{
protected:
    void SetUp() override
    {
        FGenerator.CreateNewPage(Ru("Сад"), Ru("Помидоры любят солнце.\r\nСолнце и вода."));
        FGenerator.CreateNewPage(Ru("Солнечный огород"), Ru("Огурцы растут быстро."));
        FGenerator.Pages()[0].SetPageHTML(
            Ru("<p>Помидоры любят  <a href=\"sun.html\">солнце</a> .</p><p>Солнце и вода.</p>"));
        FGenerator.SetSiteTemplate(Ru("<title>Солнце</title>SiteGeneratorChange.MainText"));
        FGenerator.SetCssCode("body { color: black }");
        FGenerator.SetAdsenseCode(Ru("<!-- солнце -->"));
        FGenerator.SetChanged(false);
    }

    TSiteGenerator FGenerator;
};

TEST_F(SiteSearchProject, AreasAreSearchedInOrderOnlyWhenChosen)
{
    const auto areas = [&](const TSearchOptions &options) {
        std::vector<std::pair<TSearchArea, int>> out;
        for (const TSearchHit &hit : TSiteSearch("солн", "", options).FindAll(FGenerator))
            out.emplace_back(hit.Area, hit.Page);
        return out;
    };
    using P = std::pair<TSearchArea, int>;
    EXPECT_EQ(areas({}), (std::vector<P>{{TSearchArea::PageText, 0}, {TSearchArea::PageText, 0}}));
    TSearchOptions all;
    all.Titles = all.Template = all.Style = all.AdBlock = true;
    EXPECT_EQ(areas(all), (std::vector<P>{{TSearchArea::PageText, 0},
                                          {TSearchArea::PageText, 0},
                                          {TSearchArea::PageTitle, 1},
                                          {TSearchArea::Template, -1},
                                          {TSearchArea::AdBlock, -1}}));
}

TEST_F(SiteSearchProject, HitsOnLinkedWordsAreMarked)
{
    const std::vector<TSearchHit> hits = TSiteSearch("солнце", "луна", {}).FindAll(FGenerator);
    ASSERT_EQ(hits.size(), 2u);
    // The linked word was "солнце", in lower case; the second line's "Солнце" is another word.
    EXPECT_TRUE(hits[0].InLink);
    EXPECT_FALSE(hits[1].InLink);
    // A part of the linked word is marked too.
    EXPECT_TRUE(TSiteSearch("лнц", "", {}).FindAll(FGenerator)[0].InLink);
}

TEST_F(SiteSearchProject, OnlyTickedHitsAreReplacedAndStaleOnesAreLeft)
{
    TSearchOptions all;
    all.Titles = all.Template = all.AdBlock = true;
    std::vector<TSearchHit> hits = TSiteSearch("солнце", "луна", all).FindAll(FGenerator);
    ASSERT_EQ(hits.size(), 4u);
    hits.erase(hits.begin()); // unticked: the first hit of page 0
    EXPECT_EQ(ApplyReplacements(FGenerator, hits), 3u);
    EXPECT_EQ(FGenerator.Pages()[0].PageText(), Ru("Помидоры любят солнце.\r\nлуна и вода."));
    EXPECT_EQ(FGenerator.SiteTemplate(), Ru("<title>луна</title>SiteGeneratorChange.MainText"));
    EXPECT_EQ(FGenerator.AdsenseCode(), Ru("<!-- луна -->"));
    EXPECT_TRUE(FGenerator.Changed());
    // The body the last distribution made is left to the next distribution.
    EXPECT_NE(FGenerator.Pages()[0].PageHTML().find(Ru("Солнце и вода")), std::string::npos);

    // Applying the same hits again finds other text at their places and changes nothing.
    EXPECT_EQ(ApplyReplacements(FGenerator, hits), 0u);
}

TEST_F(SiteSearchProject, ReplacementsThatGrowTheTextKeepTheOtherHitsInPlace)
{
    const std::vector<TSearchHit> hits = TSiteSearch("о", "ООО", {}).FindAll(FGenerator);
    ApplyReplacements(FGenerator, hits);
    EXPECT_EQ(FGenerator.Pages()[1].PageText(), Ru("ОООгурцы растут быстрООО."));
    EXPECT_TRUE(TSiteSearch("о", "", {}).FindAll(FGenerator).size() > hits.size());
    EXPECT_FALSE(FGenerator.Changed()); // page texts alone are the editors' business
}
