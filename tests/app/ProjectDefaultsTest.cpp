#include "app/ProjectDefaults.h"

#include "engine/EXSiteGenerator.h"
#include "engine/StringList.h"
#include "tests/support/Ru.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

// The editor's text back as its lines; the texts must not end in a lone break that would hide
// a line.
TStringList EditorLines(const std::string &text)
{
    TStringList lines = SplitLines(text);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        lines.emplace_back();
    return lines;
}

bool HasLoneBreaks(const std::string &text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return true;
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            return true;
    }
    return false;
}

} // namespace

TEST(DefaultTemplate, HasThirtyTwoLinesWithTheirIndentsAndPlaceholders)
{
    const std::string text = DefaultTemplate();
    EXPECT_FALSE(HasLoneBreaks(text));
    const TStringList lines = EditorLines(text);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"");
    EXPECT_EQ(lines[1], "   \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
    EXPECT_EQ(lines[2], "<html>");
    EXPECT_EQ(lines[3], " <head>");
    EXPECT_EQ(lines[4], "  <title>SiteGeneratorChange.Title</title>");
    EXPECT_EQ(lines[5], "  <link rel=\"stylesheet\" href=\"style.css\" />");
    EXPECT_EQ(lines[6], "  <meta name=\"robots\" content=\"index,follow\" />");
    EXPECT_EQ(lines[10], "   ");
    EXPECT_EQ(lines[11], "  <div id=\"header\"> SiteGeneratorChange.Adsense</div>");
    EXPECT_EQ(lines[15], Ru("      <div class=\"cat\">Разделы</div>"));
    EXPECT_EQ(lines[16], "       SiteGeneratorChange.Menu");
    EXPECT_EQ(lines[17], "     </div>");
    EXPECT_EQ(lines[18], "");
    EXPECT_EQ(lines[21], "     SiteGeneratorChange.MainText");
    EXPECT_EQ(lines[22], "\t <div align=\"center\">SiteGeneratorChange.Pagination</div>");
    EXPECT_EQ(lines[23], "\t </div>");
    EXPECT_EQ(lines[25], "   <div id=\"footer\">");
    EXPECT_EQ(lines[26].find("&#169;"), lines[26].find_first_not_of(' '));
    EXPECT_EQ(lines[27], "   </div>");
    EXPECT_EQ(lines[29], " ");
    EXPECT_EQ(lines[30], "</body>");
    EXPECT_EQ(lines[31], "</html>");
    // No final line break: the editor's text ends with its last line.
    EXPECT_EQ(text.substr(text.size() - 7), "</html>");
}

TEST(DefaultCss, HasEighteenRulesInOneHundredFortyEightLinesEndingWithAnEmptyLine)
{
    const std::string text = DefaultCss();
    EXPECT_FALSE(HasLoneBreaks(text));
    const TStringList lines = EditorLines(text);
    ASSERT_EQ(lines.size(), 148u);
    EXPECT_EQ(text.substr(text.size() - 3), "}\r\n");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "}"), 18);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 18);

    const TStringList firstRule(lines.begin(), lines.begin() + 10);
    EXPECT_EQ(firstRule, (TStringList{"body {", "background-image: url(images/bg.gif);", "margin-left: auto;",
                                      "margin-right: auto;", "margin-top: 9px;", "margin-bottom: 9px;",
                                      "width: 776px;", "text-align: center;", "}", ""}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "#leftnavigation .block ul{"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "#leftnavigation .block li{"), lines.end());
    const TStringList lastRule(lines.end() - 6, lines.end());
    EXPECT_EQ(lastRule, (TStringList{"#footer a:hover {", "color: #000;", "font-weight: bold;",
                                     "text-decoration: none;", "}", ""}));
    // Every rule starts after an empty line (or at the top) and every line is unindented.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].empty() || lines[i][0] != ' ') << i;
        if (i > 0 && lines[i - 1].empty() && i + 1 < lines.size()) {
            EXPECT_EQ(lines[i].back(), '{') << i;
        }
    }
}

TEST(DefaultAdBlock, HasElevenUnindentedLinesOfOneBannerScript)
{
    const std::string text = DefaultAdBlock();
    EXPECT_FALSE(HasLoneBreaks(text));
    const TStringList lines = EditorLines(text);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "<script type=\"text/javascript\"><!--");
    EXPECT_EQ(lines[1].rfind("google_ad_client = \"", 0), 0u);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 2), "\";");
    EXPECT_EQ(lines[2].substr(0, 2), "/*");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 2), "*/");
    EXPECT_EQ(lines[3].rfind("google_ad_slot = \"", 0), 0u);
    EXPECT_EQ(lines[4], "google_ad_width = 728;");
    EXPECT_EQ(lines[5], "google_ad_height = 90;");
    EXPECT_EQ(lines[6], "//-->");
    EXPECT_EQ(lines[7], "</script>");
    EXPECT_EQ(lines[8], "<script type=\"text/javascript\"");
    EXPECT_EQ(lines[9].rfind("src=\"", 0), 0u);
    EXPECT_EQ(lines[9].substr(lines[9].size() - 2), "\">");
    EXPECT_EQ(lines[10], "</script>");
}

TEST(NewProjectDefaults, SettingsAreThoseOfANewWindowsFirstPush)
{
    TSiteGenerator generator;
    generator.SetSiteTemplate("kept");
    generator.SetChanged(false);
    ApplyNewProjectSettings(generator);
    EXPECT_EQ(generator.MinCharsPerPage(), 4000);
    EXPECT_EQ(generator.MaxCharsPerPage(), 5000);
    EXPECT_EQ(generator.MaxLinksPerPage(), 0);
    EXPECT_EQ(generator.SiteTitle(), "");
    EXPECT_EQ(generator.SavePath(), "");
    EXPECT_TRUE(generator.UseDigg());
    EXPECT_EQ(generator.DiggValue(), "!-next_page-!");
    EXPECT_EQ(generator.MenuWord(), Ru("Раздел"));
    EXPECT_TRUE(generator.Changed());
    EXPECT_EQ(generator.SiteTemplate(), "kept");
    EXPECT_EQ(generator.CssCode(), "");
    EXPECT_EQ(generator.AdsenseCode(), "");
}

TEST(NewProjectDefaults, AlsoPushTheThreeEditorsAndAnEmptyLinkList)
{
    TSiteGenerator generator;
    generator.SetSiteUrlsToLink({"a.html"});
    ApplyNewProjectDefaults(generator);
    EXPECT_EQ(generator.MenuWord(), Ru("Раздел"));
    EXPECT_EQ(generator.SiteTemplate(), DefaultTemplate());
    EXPECT_EQ(generator.CssCode(), DefaultCss());
    EXPECT_EQ(generator.AdsenseCode(), DefaultAdBlock());
    EXPECT_TRUE(generator.SiteUrlsToLink().empty());
    EXPECT_EQ(generator.Pages().Count(), 0);
}
