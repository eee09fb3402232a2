#include "engine/Navigation.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

void AddPages(TSiteGenerator &g, int count)
{
    g.SetMenuWord(Ru("Раздел"));
    for (int i = 0; i < count; ++i)
        g.CreateNewPage(g.NewPageTitle(g.Pages().Count()), "");
}

// A page's bar put together piece by piece, as a reader of the bar's definition would.
std::string ExpectedBar(const TSiteGenerator &g, int i)
{
    const int n = g.Pages().Count();
    auto url = [&](int k) { return g.Pages()[k].PageUrl(); };
    std::string bar = i == 0 ? "&lt;&lt;&lt; " : "<a href=\"" + url(i - 1) + "\">&lt;&lt;&lt; </a> ";
    for (int k = 0; k < n; ++k)
        bar += k == i ? " " + std::to_string(k) + " "
                      : " <a href=\"" + url(k) + "\">" + std::to_string(k) + "</a> ";
    bar += i + 1 < n ? " <a href=\"" + url(i + 1) + "\">&gt;&gt;&gt; </a>" : " &gt;&gt;&gt;";
    return bar;
}

} // namespace

TEST(GeneratePag, ThreePageSite)
{
    TSiteGenerator g;
    AddPages(g, 3);
    g.SetChanged(false);
    g.GeneratePag();
    EXPECT_EQ(g.SiteMenu(), Ru("<ul>\r<li><a href=\"index.html\">index</a></li>\r"
                               "<li><a href=\"page1.html\">Раздел 1</a></li>\r"
                               "<li><a href=\"page2.html\">Раздел 2</a></li>\r</ul>"));
    EXPECT_EQ(g.Pages()[0].Pagination(),
              "&lt;&lt;&lt;  0  <a href=\"page1.html\">1</a>  <a href=\"page2.html\">2</a>  "
              "<a href=\"page1.html\">&gt;&gt;&gt; </a>");
    EXPECT_EQ(g.Pages()[1].Pagination(),
              "<a href=\"index.html\">&lt;&lt;&lt; </a>  <a href=\"index.html\">0</a>  1  "
              "<a href=\"page2.html\">2</a>  <a href=\"page2.html\">&gt;&gt;&gt; </a>");
    EXPECT_EQ(g.Pages()[2].Pagination(),
              "<a href=\"page1.html\">&lt;&lt;&lt; </a>  <a href=\"index.html\">0</a>  "
              "<a href=\"page1.html\">1</a>  2  &gt;&gt;&gt;");
    EXPECT_FALSE(g.Changed());
}

TEST(GeneratePag, OnePageAndNoPages)
{
    TSiteGenerator g;
    g.SetSiteMenu("kept from the project file");
    g.GeneratePag();
    EXPECT_EQ(g.SiteMenu(), "kept from the project file");

    AddPages(g, 1);
    g.GeneratePag();
    EXPECT_EQ(g.Pages()[0].Pagination(), "&lt;&lt;&lt;  0  &gt;&gt;&gt;");
    EXPECT_EQ(g.SiteMenu(), "<ul>\r<li><a href=\"index.html\">index</a></li>\r</ul>");

    g.Pages().Delete(0);
    g.GeneratePag();
    EXPECT_EQ(g.SiteMenu(), "<ul>\r<li><a href=\"index.html\">index</a></li>\r</ul>");
}

TEST(GeneratePag, NumbersFollowTheOrderAndLinksTheStoredUrls)
{
    TSiteGenerator g;
    AddPages(g, 12);
    g.Pages()[5].SetPageUrl("renamed.html");
    g.Pages()[3].SetPageTitle("Q&A <new>");
    g.Pages()[0].SetIndex(11);
    g.GeneratePag();
    g.GeneratePag();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(g.Pages()[i].Pagination(), ExpectedBar(g, i)) << "page " << i;
    EXPECT_NE(g.Pages()[0].Pagination().Text().find(" <a href=\"renamed.html\">4</a> "), std::string::npos);
    EXPECT_EQ(g.Pages()[0].Pagination().Text().substr(0, 19), "&lt;&lt;&lt;  0  <a");
    const std::string &menu = g.SiteMenu();
    EXPECT_EQ(menu.substr(0, 5), "<ul>\r");
    EXPECT_NE(menu.find("<li><a href=\"page3.html\">Q&A <new></a></li>\r"), std::string::npos);
    EXPECT_TRUE(menu.ends_with("<li><a href=\"index.html\">index</a></li>\r</ul>"));
    EXPECT_EQ(menu.find("<ul>", 1), std::string::npos);
}

// Sites of random sizes, crossing the one-, two- and three-digit numbers, with moved pages and
// URLs of random lengths (empty ones too), built and rebuilt: every bar and the menu equal the
// ones put together piece by piece.
TEST(GeneratePag, RandomSitesMatchThePlainBars)
{
    std::mt19937 rng(4711);
    for (int round = 0; round < 40; ++round) {
        TSiteGenerator g;
        const int count = round < 3 ? round + 1 : 1 + static_cast<int>(rng() % 120);
        AddPages(g, count);
        for (int k = 0; k < count / 4; ++k) {
            const int at = static_cast<int>(rng() % static_cast<unsigned>(count));
            std::string url(rng() % 30, 'a' + static_cast<char>(rng() % 26));
            g.Pages()[at].SetPageUrl(url + (rng() % 2 ? "\xE9.html" : ""));
            g.Pages()[at].SetIndex(static_cast<int>(rng() % static_cast<unsigned>(count)));
        }
        g.GeneratePag();
        if (round % 2)
            g.GeneratePag();
        std::string menu = "<ul>\r";
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(g.Pages()[i].Pagination(), ExpectedBar(g, i)) << "round " << round << " page " << i;
            menu +=
                "<li><a href=\"" + g.Pages()[i].PageUrl() + "\">" + g.Pages()[i].PageTitle() + "</a></li>\r";
        }
        EXPECT_EQ(g.SiteMenu(), menu + "</ul>") << "round " << round;
    }
}

// The menu and a bar built on their own are the ones the full rebuild gives, on sites with moved,
// renamed and empty-named pages.
TEST(BuildPaginationBar, EqualsTheBarOfTheFullRebuild)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 12; ++round) {
        TSiteGenerator g;
        const int count = round < 2 ? round + 1 : 1 + static_cast<int>(rng() % 150);
        AddPages(g, count);
        for (int k = 0; k < count / 3; ++k) {
            const int at = static_cast<int>(rng() % static_cast<unsigned>(count));
            g.Pages()[at].SetPageUrl(std::string(rng() % 12, 'b') + ".html");
            g.Pages()[at].SetIndex(static_cast<int>(rng() % static_cast<unsigned>(count)));
        }
        g.GeneratePag();
        EXPECT_EQ(BuildSiteMenu(g.Pages()), g.SiteMenu()) << "round " << round;
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(BuildPaginationBar(g.Pages(), i), g.Pages()[i].Pagination())
                << "round " << round << " page " << i;
    }
}
