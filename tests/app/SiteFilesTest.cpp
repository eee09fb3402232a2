#include "app/SiteFiles.h"

#include "app/ProjectSettings.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "tests/app/TempDir.h"
#include "tests/support/ScriptedPrompter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

namespace {

class SiteFiles : public testing::Test
{
protected:
    SiteFiles()
    {
        FGenerator.CreateNewPage("index", "");
        FGenerator.CreateNewPage("two", "");
        FGenerator.SetSavePath(FDir.Path().string());
        FSettings.SetBaseUrl("https://example.ru");
        FSettings.SetSitemap(true);
        FSettings.SetRobots(true);
    }

    std::vector<std::string> Warnings() const
    {
        std::vector<std::string> out;
        for (const auto &m : FPrompter.Messages)
            out.push_back(Cp1251ToUtf8(m.Text));
        return out;
    }

    TTempDir FDir;
    TSiteGenerator FGenerator;
    TProjectSettings FSettings;
    TScriptedPrompter FPrompter;
};

} // namespace

TEST_F(SiteFiles, AreWrittenOnlyWhenTurnedOn)
{
    TProjectSettings off;
    off.SetBaseUrl("https://example.ru/");
    PublishSiteFiles(FGenerator, off, FPrompter);
    EXPECT_TRUE(fs::is_empty(FDir.Path()));

    PublishSiteFiles(FGenerator, FSettings, FPrompter);
    EXPECT_TRUE(FPrompter.Messages.empty());
    EXPECT_NE(ReadAll(FDir.File("sitemap.xml")).find("<loc>https://example.ru/page1.html</loc>"),
              std::string::npos);
    EXPECT_EQ(ReadAll(FDir.File("robots.txt")),
              "# zarvik: rewritten by every export of the site\n"
              "User-agent: *\nAllow: /\n\nSitemap: https://example.ru/sitemap.xml\n");
}

TEST_F(SiteFiles, SitemapWithoutBaseAddressIsReportedAndRobotsHasNoSitemapLine)
{
    FSettings.SetBaseUrl("");
    PublishSiteFiles(FGenerator, FSettings, FPrompter);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"Файл sitemap.xml не записан: не задан адрес сайта"});
    EXPECT_FALSE(fs::exists(FDir.File("sitemap.xml")));
    EXPECT_EQ(ReadAll(FDir.File("robots.txt")),
              "# zarvik: rewritten by every export of the site\nUser-agent: *\nAllow: /\n");
}

TEST_F(SiteFiles, UsersOwnFilesSurviveAndAreNamedOnce)
{
    const std::string robots = "User-agent: *\nDisallow: /private/\n";
    FDir.Write("robots.txt", robots);
    fs::create_symlink(FDir.File("elsewhere.xml"), FDir.File("sitemap.xml"));
    PublishSiteFiles(FGenerator, FSettings, FPrompter);
    EXPECT_EQ(ReadAll(FDir.File("robots.txt")), robots);
    EXPECT_FALSE(fs::exists(FDir.File("elsewhere.xml")));
    EXPECT_EQ(Warnings(), std::vector<std::string>{"В папке выгрузки уже есть файлы sitemap.xml, robots.txt, "
                                                   "записанные не программой; они оставлены как есть"});

    FPrompter.Messages.clear();
    fs::remove(FDir.File("sitemap.xml"));
    PublishSiteFiles(FGenerator, FSettings, FPrompter);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"В папке выгрузки уже есть файл robots.txt, записанный не "
                                                   "программой; он оставлен как есть"});
    EXPECT_TRUE(fs::exists(FDir.File("sitemap.xml")));
}

TEST_F(SiteFiles, OwnFilesAreRewrittenAndLeftoverNumberedSitemapsRemoved)
{
    FDir.Write("robots.txt", "# zarvik: rewritten by every export of the site\nUser-agent: *\nDisallow: /\n");
    FDir.Write("sitemap1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!-- zarvik: rewritten by every export of the site -->\n<urlset/>\n");
    FDir.Write("sitemap2.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!-- zarvik: rewritten by every export of the site -->\n<urlset/>\n");
    FDir.Write("sitemap3.xml", "<?xml version=\"1.0\"?>\n<urlset/>\n");
    const TSiteFilesReport report = WriteSiteFiles(FDir.Path().string(), FSettings, FGenerator,
                                                   [](const std::string &name) -> std::optional<std::string> {
                                                       if (name == "page1.html")
                                                           return "2026-01-31";
                                                       return std::nullopt;
                                                   });
    EXPECT_EQ(report.Written, (std::vector<std::string>{"sitemap.xml", "robots.txt"}));
    EXPECT_TRUE(report.Kept.empty());
    EXPECT_NE(ReadAll(FDir.File("robots.txt")).find("Allow: /\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(FDir.File("sitemap1.xml")));
    EXPECT_FALSE(fs::exists(FDir.File("sitemap2.xml")));
    // Not written by this program, so not this program's to remove.
    EXPECT_TRUE(fs::exists(FDir.File("sitemap3.xml")));
    const std::string sitemap = ReadAll(FDir.File("sitemap.xml"));
    EXPECT_NE(sitemap.find("<loc>https://example.ru/</loc></url>"), std::string::npos);
    EXPECT_NE(sitemap.find("<loc>https://example.ru/page1.html</loc><lastmod>2026-01-31</lastmod>"),
              std::string::npos);
}

TEST_F(SiteFiles, NothingIsWrittenBesideAFolderThatIsNotThere)
{
    FGenerator.SetSavePath("relative/folder");
    PublishSiteFiles(FGenerator, FSettings, FPrompter);
    PublishSiteFiles(FGenerator, FSettings, FPrompter, FDir.File("missing"));
    EXPECT_TRUE(fs::is_empty(FDir.Path()));
    EXPECT_TRUE(FPrompter.Messages.empty());
}
