#include "app/ExportRecord.h"
#include "tests/app/TempDir.h"
#include "tests/cli/CliRunner.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::Invoke;
using zarvik::test::ReadAll;
using zarvik::test::TCliResult;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

// The publishing settings beside the project and the files the export writes from them.
class CliPublishing : public testing::Test
{
protected:
    void SetUp() override
    {
        FProject = FDir.File("p.sgp");
        ASSERT_EQ(Invoke({"new", FProject}).Code, 0);
        ASSERT_EQ(Invoke({"add-page", FProject}).Code, 0);
        ASSERT_EQ(Invoke({"add-page", FProject}).Code, 0);
        fs::create_directory(FDir.Path() / "site");
        FSite = (FDir.Path() / "site").string();
    }

    TCliResult Export() { return Invoke({"export", FProject, "--out", FSite, "--distribute-links", "no"}); }

    TTempDir FDir;
    std::string FProject;
    std::string FSite;
};

TEST_F(CliPublishing, SetStoresTheSettingsBesideTheProjectAndShowListsThem)
{
    EXPECT_EQ(
        Invoke({"set", FProject, "--base-url", "https://сад.рф", "--sitemap", "on", "--robots", "ON"}).Code,
        0);
    EXPECT_EQ(ReadAll(FDir.File("p.zarvik.json")),
              "{\n  \"baseUrl\": \"https://сад.рф\",\n  \"sitemap\": true,\n  \"robots\": true\n}\n");
    const TCliResult show = Invoke({"show", FProject, "--json"});
    EXPECT_NE(show.Out.find(
                  "  \"zarvik\": {\"baseUrl\": \"https://сад.рф\", \"sitemap\": true, \"robots\": true},\n"),
              std::string::npos)
        << show.Out;

    const TCliResult refused =
        Invoke({"set", FProject, "--base-url", "https://сад.рф/?utm=1", "SiteTitle=New"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err, "error: Неверный адрес сайта \"https://сад.рф/?utm=1\": параметры запроса (?) в "
                           "нём не допускаются.\n");
    EXPECT_NE(ReadAll(FDir.File("p.zarvik.json")).find("\"https://сад.рф\""), std::string::npos);

    const TCliResult wrongWord = Invoke({"set", FProject, "--robots", "yes"});
    EXPECT_EQ(wrongWord.Code, 2);
    EXPECT_EQ(wrongWord.Err.rfind("zarvik-cli: --robots принимает значения on или off, а не «yes»\n", 0), 0u);

    // Setting only the project file's own properties leaves no settings file behind.
    const std::string other = FDir.File("other.sgp");
    ASSERT_EQ(Invoke({"new", other}).Code, 0);
    EXPECT_EQ(Invoke({"set", other, "SiteTitle=Site"}).Code, 0);
    EXPECT_FALSE(fs::exists(FDir.File("other.zarvik.json")));
}

TEST_F(CliPublishing, ExportWritesSitemapAndRobotsOnlyWhenTurnedOnAndSparesTheUsersRobots)
{
    ASSERT_EQ(Export().Code, 0);
    EXPECT_FALSE(fs::exists(FSite + "/sitemap.xml"));
    EXPECT_FALSE(fs::exists(FSite + "/robots.txt"));

    ASSERT_EQ(
        Invoke({"set", FProject, "--base-url", "https://сад.рф/", "--sitemap", "on", "--robots", "on"}).Code,
        0);
    const std::string robots = "User-agent: *\nDisallow: /drafts/\n";
    std::ofstream(FSite + "/robots.txt") << robots;
    const TCliResult exported = Export();
    EXPECT_EQ(exported.Code, 0);
    EXPECT_EQ(exported.Err,
              "information: Сайт успешно выгружен!\n"
              "information: Папка: " +
                  FSite +
                  "\n"
                  "information: Записано файлов: 0, без изменений: 3\n"
                  "warning: В папке выгрузки уже есть файл robots.txt, записанный не программой; он "
                  "оставлен как есть\n");
    EXPECT_EQ(ReadAll(FSite + "/robots.txt"), robots);
    // The dates are those the export record holds for the pages' last change.
    const std::optional<std::string> indexDate = ExportRecordChangedDate(FSite, "index.html");
    const std::optional<std::string> pageDate = ExportRecordChangedDate(FSite, "page1.html");
    ASSERT_TRUE(indexDate && pageDate);
    EXPECT_EQ(ReadAll(FSite + "/sitemap.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!-- zarvik: rewritten by every export of the site -->\n"
              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
              "  <url><loc>https://xn--80ai1b.xn--p1ai/</loc><lastmod>" +
                  *indexDate +
                  "</lastmod></url>\n"
                  "  <url><loc>https://xn--80ai1b.xn--p1ai/page1.html</loc><lastmod>" +
                  *pageDate +
                  "</lastmod></url>\n"
                  "</urlset>\n");

    fs::remove(FSite + "/robots.txt");
    EXPECT_EQ(Export().Err, "information: Сайт успешно выгружен!\n"
                            "information: Папка: " +
                                FSite +
                                "\n"
                                "information: Записано файлов: 0, без изменений: 3\n");
    EXPECT_EQ(ReadAll(FSite + "/robots.txt"), "# zarvik: rewritten by every export of the site\n"
                                              "User-agent: *\nAllow: /\n\n"
                                              "Sitemap: https://xn--80ai1b.xn--p1ai/sitemap.xml\n");
}

TEST_F(CliPublishing, BrokenSettingsFileIsAWarningAndTheExportGoesOnWithoutThem)
{
    std::ofstream(FDir.File("p.zarvik.json")) << "{\n  \"sitemap\": true,\n  \"robots\": tru\n}\n";
    const TCliResult exported = Export();
    EXPECT_EQ(exported.Code, 0);
    EXPECT_EQ(exported.Err,
              "warning: Файл настроек \"" + FDir.File("p.zarvik.json") +
                  "\" повреждён, строка 3: syntax error while parsing value - invalid literal; last "
                  "read: '\"robots\": tru<U+000A>'. Настройки публикации выключены\n"
                  "information: Сайт успешно выгружен!\n"
                  "information: Папка: " +
                  FSite +
                  "\n"
                  "information: Записано файлов: 3, без изменений: 0\n");
    EXPECT_FALSE(fs::exists(FSite + "/sitemap.xml"));
    EXPECT_FALSE(fs::exists(FSite + "/robots.txt"));
}

TEST_F(CliPublishing, BuildTakesTheSettingsAndSavesThemWithTheProject)
{
    const std::string content = FDir.Write("c.txt", "Sunny day. Warm soil.");
    const TCliResult built =
        Invoke({"build", "--content", content, "--out", FSite, "--project", FDir.File("b"), "--base-url",
                "http://example.ru:8080/garden", "--sitemap", "on"});
    EXPECT_EQ(built.Code, 0) << built.Err;
    EXPECT_NE(ReadAll(FSite + "/sitemap.xml").find("<loc>http://example.ru:8080/garden/</loc>"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(FSite + "/robots.txt"));
    EXPECT_EQ(ReadAll(FDir.File("b.zarvik.json")), "{\n  \"baseUrl\": \"http://example.ru:8080/garden\",\n  "
                                                   "\"sitemap\": true,\n  \"robots\": false\n}\n");
}
