#pragma once

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace zarvik::test {

inline std::string ReadDataFile(const std::string &name)
{
    std::ifstream in(std::string(ZARVIK_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines joined with CR LF, each line ended by one, as project text is written.
inline std::string Crlf(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines)
        text += line + "\r\n";
    return text;
}

// The generator of the worked example: two pages, three text lines, a 66-character title.
inline void FillGarden(TSiteGenerator &g)
{
    g.CreateNewPage("index", "It's spring.\r\n");
    g.SetMenuWord(Ru("Раздел"));
    g.CreateNewPage(g.NewPageTitle(1), "Seeds go in.\r\n");
    g.SetSiteText({"It's spring.", "", "Seeds go in."});
    g.SetSiteTitle("A small site about growing tomatoes, cucumbers and peppers at home");
    g.SetSavePath("D:\\sites\\garden");
    g.SetMaxCharsPerPage(5000);
    g.SetMinCharsPerPage(4000);
    g.SetUseDigg(true);
    g.SetDiggValue("!-next_page-!");
}

// Every property the project file stores, compared one by one so a failure names the field.
inline void ExpectSameProject(const TSiteGenerator &a, const TSiteGenerator &b)
{
    ASSERT_EQ(a.Pages().Count(), b.Pages().Count());
    for (int i = 0; i < a.Pages().Count(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        EXPECT_EQ(a.Pages()[i].PageText(), b.Pages()[i].PageText());
        EXPECT_EQ(a.Pages()[i].PageHTML(), b.Pages()[i].PageHTML());
        EXPECT_EQ(a.Pages()[i].PageTitle(), b.Pages()[i].PageTitle());
        EXPECT_EQ(a.Pages()[i].Pagination(), b.Pages()[i].Pagination());
        EXPECT_EQ(a.Pages()[i].PageUrl(), b.Pages()[i].PageUrl());
    }
    EXPECT_EQ(a.SiteText(), b.SiteText());
    EXPECT_EQ(a.SiteTemplate(), b.SiteTemplate());
    EXPECT_EQ(a.SiteUrlsToLink(), b.SiteUrlsToLink());
    EXPECT_EQ(a.SiteMenu(), b.SiteMenu());
    EXPECT_EQ(a.AdsenseCode(), b.AdsenseCode());
    EXPECT_EQ(a.CssCode(), b.CssCode());
    EXPECT_EQ(a.SiteTitle(), b.SiteTitle());
    EXPECT_EQ(a.SiteHeader(), b.SiteHeader());
    EXPECT_EQ(a.SiteFooter(), b.SiteFooter());
    EXPECT_EQ(a.MaxCharsPerPage(), b.MaxCharsPerPage());
    EXPECT_EQ(a.MinCharsPerPage(), b.MinCharsPerPage());
    EXPECT_EQ(a.SavePath(), b.SavePath());
    EXPECT_EQ(a.UseDigg(), b.UseDigg());
    EXPECT_EQ(a.DiggValue(), b.DiggValue());
    EXPECT_EQ(a.AlgoType(), b.AlgoType());
    EXPECT_EQ(a.MaxLinksPerPage(), b.MaxLinksPerPage());
    EXPECT_EQ(a.MaxPages(), b.MaxPages());
    EXPECT_EQ(a.MenuWord(), b.MenuWord());
    EXPECT_EQ(a.Changed(), b.Changed());
}

} // namespace zarvik::test
