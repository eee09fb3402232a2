#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

std::vector<std::pair<std::string, std::string>> TitlesAndUrls(const TSiteGenerator &g)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < g.Pages().Count(); ++i)
        out.emplace_back(g.Pages()[i].PageTitle(), g.Pages()[i].PageUrl());
    return out;
}

} // namespace

TEST(SiteModel, NewGeneratorIsEmpty)
{
    TSiteGenerator g;
    EXPECT_EQ(g.Pages().Count(), 0);
    EXPECT_FALSE(g.Changed());
    EXPECT_FALSE(g.LinksWasSetted());
    EXPECT_EQ(g.MaxCharsPerPage(), 0);
    EXPECT_EQ(g.MinCharsPerPage(), 0);
    EXPECT_FALSE(g.UseDigg());
}

TEST(SiteModel, PagesAreNamedByTheIndexTheyLandAt)
{
    TSiteGenerator g;
    g.SetMenuWord(Ru("Раздел"));
    for (int i = 0; i < 4; ++i)
        g.CreateNewPage(g.NewPageTitle(g.Pages().Count()), "");
    EXPECT_EQ(TitlesAndUrls(g), (std::vector<std::pair<std::string, std::string>>{
                                    {"index", "index.html"},
                                    {Ru("Раздел 1"), "page1.html"},
                                    {Ru("Раздел 2"), "page2.html"},
                                    {Ru("Раздел 3"), "page3.html"},
                                }));
    for (int i = 0; i < 13; ++i)
        g.AddPage("x");
    EXPECT_EQ(g.Pages()[12].PageUrl(), "page12.html");
}

TEST(SiteModel, UrlFollowsTheIndexNotTheTitle)
{
    TSiteGenerator g;
    TSitePage &page = g.CreateNewPage("x", "abc");
    EXPECT_EQ(page.PageTitle(), "x");
    EXPECT_EQ(page.PageUrl(), "index.html");
    EXPECT_EQ(page.PageText(), "abc");
    EXPECT_EQ(page.Index(), 0);
}

TEST(SiteModel, EmptyMenuWordGivesSpaceAndNumber)
{
    TSiteGenerator g;
    EXPECT_EQ(g.NewPageTitle(0), "index");
    EXPECT_EQ(g.NewPageTitle(2), " 2");
}

TEST(SiteModel, DeletingThenAddingMayDuplicateUrls)
{
    TSiteGenerator g;
    for (int i = 0; i < 3; ++i)
        g.AddPage(g.NewPageTitle(i));
    g.Pages().Delete(1);
    g.AddPage("new");
    ASSERT_EQ(g.Pages().Count(), 3);
    EXPECT_EQ(g.Pages()[1].PageUrl(), "page2.html");
    EXPECT_EQ(g.Pages()[2].PageUrl(), "page2.html");
}

TEST(SiteModel, MovingKeepsTitlesAndUrlsAndShiftsTheOthers)
{
    TSiteGenerator g;
    g.SetMenuWord("S");
    for (int i = 0; i < 4; ++i)
        g.AddPage(g.NewPageTitle(i));
    TSitePage &first = g.Pages()[0];
    first.SetIndex(2);
    EXPECT_EQ(&g.Pages()[2], &first);
    EXPECT_EQ(first.PageTitle(), "index");
    EXPECT_EQ(first.PageUrl(), "index.html");
    EXPECT_EQ(first.Index(), 2);
    EXPECT_EQ(g.Pages()[0].PageUrl(), "page1.html");
    EXPECT_EQ(g.Pages()[1].PageUrl(), "page2.html");
    EXPECT_EQ(g.Pages()[3].PageUrl(), "page3.html");
    g.Pages()[3].SetIndex(0);
    EXPECT_EQ(g.Pages()[0].PageUrl(), "page3.html");
    EXPECT_EQ(g.Pages()[1].PageUrl(), "page1.html");
}

TEST(SiteModel, OutOfRangeAccessIsAnError)
{
    TSiteGenerator g;
    EXPECT_THROW(g.Pages().Items(0), std::out_of_range);
    g.AddPage("a");
    EXPECT_NO_THROW(g.Pages().Items(0));
    EXPECT_THROW(g.Pages().Items(-1), std::out_of_range);
    EXPECT_THROW(g.Pages().Delete(1), std::out_of_range);
    EXPECT_EQ(g.Pages().Count(), 1);
}

TEST(SiteModel, ElevenSettersMarkTheProjectChangedEvenWithTheSameValue)
{
    const std::vector<std::function<void(TSiteGenerator &)>> marking = {
        [](TSiteGenerator &g) { g.SetPages(TSitePages()); },
        [](TSiteGenerator &g) { g.SetSiteText({}); },
        [](TSiteGenerator &g) { g.SetSiteTemplate(""); },
        [](TSiteGenerator &g) { g.SetSiteUrlsToLink({}); },
        [](TSiteGenerator &g) { g.SetSiteTitle(""); },
        [](TSiteGenerator &g) { g.SetUseDigg(false); },
        [](TSiteGenerator &g) { g.SetDiggValue(""); },
        [](TSiteGenerator &g) { g.SetAlgoType(0); },
        [](TSiteGenerator &g) { g.SetMaxLinksPerPage(0); },
        [](TSiteGenerator &g) { g.SetMaxPages(0); },
        [](TSiteGenerator &g) { g.SetMenuWord(""); },
    };
    for (std::size_t i = 0; i < marking.size(); ++i) {
        TSiteGenerator g;
        marking[i](g);
        EXPECT_TRUE(g.Changed()) << "setter " << i;
    }
    TSiteGenerator g;
    g.SetSiteTemplateFromStrings({"a", "b"});
    EXPECT_TRUE(g.Changed());
    EXPECT_EQ(g.SiteTemplate(), "a\r\nb\r\n");
}

TEST(SiteModel, OtherSettersAndOperationsLeaveChangedAlone)
{
    TSiteGenerator g;
    g.SetMinCharsPerPage(5);
    g.SetMaxCharsPerPage(9);
    g.SetSavePath("/tmp");
    g.SetAdsenseCode("ad");
    g.SetCssCode("css");
    g.SetSiteMenu("menu");
    g.SetSiteHeader("h");
    g.SetSiteFooter("f");
    TSitePage &page = g.AddPage("t");
    page.SetPageText("x");
    page.SetPageHTML("x");
    page.SetPageTitle("x");
    page.SetPageUrl("x");
    page.SetPagination("x");
    g.CreateNewPage("a", "b");
    g.AddContent("some text. More text. And more.");
    EXPECT_FALSE(g.Changed());
    g.SetChanged(true);
    g.AddContent("more");
    EXPECT_TRUE(g.Changed());
}

TEST(SiteModel, PagesSetterCopiesAllFiveStrings)
{
    TSiteGenerator source;
    TSitePage &p = source.AddPage("title");
    p.SetPageText("text");
    p.SetPageHTML("html");
    p.SetPagination("bar");
    p.SetPageUrl("url.html");
    TSiteGenerator target;
    target.AddPage("old");
    target.SetPages(source.Pages());
    ASSERT_EQ(target.Pages().Count(), 1);
    const TSitePage &q = target.Pages()[0];
    EXPECT_NE(&q, &p);
    EXPECT_EQ(q.PageText(), "text");
    EXPECT_EQ(q.PageHTML(), "html");
    EXPECT_EQ(q.PageTitle(), "title");
    EXPECT_EQ(q.Pagination(), "bar");
    EXPECT_EQ(q.PageUrl(), "url.html");
    EXPECT_EQ(&q.Collection(), &target.Pages());
}
