#include "tests/app/TempDir.h"
#include "tests/cli/CliRunner.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::Invoke;
using zarvik::test::ReadAll;
using zarvik::test::TCliResult;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

// preview, report and check on a two-page project exported into its own folder.
class CliReports : public testing::Test
{
protected:
    void SetUp() override
    {
        FProject = FDir.File("p.sgp");
        fs::create_directory(FDir.Path() / "site");
        FSite = (FDir.Path() / "site").string();
        ASSERT_EQ(Invoke({"new", FProject}).Code, 0);
        ASSERT_EQ(
            Invoke({"set", FProject, "DiggValue=##", "SavePath=" + FSite, "--links",
                    FDir.Write("links.txt", "http://x.org/a\nhttp://x.org/b\nhttp://x.org/c\n"), "--template",
                    FDir.Write("t.html", "<meta charset=\"windows-1251\">SiteGeneratorChange.MainText|")})
                .Code,
            0);
        ASSERT_EQ(Invoke({"add-content", FProject, FDir.Write("one.txt", "Tomatoes need warm soil daily. "),
                          FDir.Write("two.txt", "Cucumbers climb trellises quickly. ")})
                      .Code,
                  0);
        ASSERT_EQ(Invoke({"export", FProject, "--distribute-links", "yes", "--seed", "3", "--save"}).Code, 0);
    }

    TTempDir FDir;
    std::string FProject;
    std::string FSite;
};

TEST_F(CliReports, CheckIsQuietOnACleanProjectAndListsFindings)
{
    TCliResult clean = Invoke({"check", FProject});
    EXPECT_EQ(clean.Code, 0) << clean.Out << clean.Err;
    EXPECT_EQ(clean.Out, "");

    fs::path stale = fs::path(FSite) / "page5.html";
    fs::copy_file(fs::path(FSite) / "page1.html", stale);
    TCliResult found = Invoke({"check", FProject});
    EXPECT_EQ(found.Code, 1);
    EXPECT_EQ(found.Out, "В папке выгрузки лишний файл \"page5.html\": это не страница проекта\n");
    EXPECT_EQ(found.Err, "");

    TCliResult json = Invoke({"check", FProject, "--json"});
    EXPECT_EQ(json.Code, 1);
    EXPECT_NE(json.Out.find("{\"kind\": \"stale-page\", \"page\": -1, \"file\": \"page5.html\", \"message\": "
                            "\"В папке выгрузки лишний файл \\\"page5.html\\\": это не страница проекта\"}"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("\"estimatedBytes\": "), std::string::npos);

    TTempDir other;
    EXPECT_EQ(Invoke({"check", FProject, "--out", other.Path().string()}).Code, 0);
}

TEST_F(CliReports, PruneAsksAndDeletesOnlyWithYes)
{
    // A folder exported before the export kept its record: prune goes by the template. (With a
    // record, a page copied in by hand is never the export's; see StalePagesTest.)
    fs::remove(fs::path(FSite) / ".zarvik-export.json");
    fs::copy_file(fs::path(FSite) / "page1.html", fs::path(FSite) / "page5.html");
    TCliResult asked = Invoke({"check", FProject, "--prune"});
    EXPECT_EQ(asked.Code, 1);
    EXPECT_EQ(asked.Err, "warning: Удалить устаревшие страницы из папки выгрузки (1)?\npage5.html\n");
    EXPECT_TRUE(fs::exists(fs::path(FSite) / "page5.html"));

    TCliResult pruned = Invoke({"check", FProject, "--prune", "--yes"});
    EXPECT_EQ(pruned.Out, "В папке выгрузки лишний файл \"page5.html\": это не страница проекта\n"
                          "удалено: page5.html\n");
    EXPECT_FALSE(fs::exists(fs::path(FSite) / "page5.html"));
    EXPECT_TRUE(fs::exists(fs::path(FSite) / "page1.html"));
    EXPECT_EQ(Invoke({"check", FProject}).Code, 0);

    EXPECT_EQ(Invoke({"check", FProject, "--yes"}).Code, 2);
}

TEST_F(CliReports, ReportPrintsWhereTheLinksWent)
{
    TCliResult tsv = Invoke({"report", FProject, "--tsv"});
    EXPECT_EQ(tsv.Code, 0);
    // Quota 4 over two pages: the first takes its two words, the second the last link.
    ASSERT_EQ(tsv.Out.rfind("Страница\tАдрес\tСлово\tСсылка\tЗамен\r\n", 0), 0u) << tsv.Out;
    EXPECT_NE(tsv.Out.find("\thttp://x.org/b\t1\r\n1\tpage1.html\t"), std::string::npos) << tsv.Out;
    EXPECT_EQ(std::count(tsv.Out.begin(), tsv.Out.end(), '\n'), 4);

    TCliResult plain = Invoke({"report", FProject});
    EXPECT_EQ(plain.Code, 0);
    EXPECT_EQ(plain.Out.find("Не розданы"), std::string::npos);
}

TEST_F(CliReports, PreviewLeavesTheExportFolderAlone)
{
    const std::string before = ReadAll(FSite + "/index.html");
    fs::remove(fs::path(FSite) / "style.css");
    TCliResult preview = Invoke({"preview", FProject, "--page", "page1.html", "--no-browser"});
    ASSERT_EQ(preview.Code, 0) << preview.Err;
    ASSERT_FALSE(preview.Out.empty());
    const fs::path page = preview.Out.substr(0, preview.Out.size() - 1);
    EXPECT_EQ(page.filename(), "page1.html");
    EXPECT_EQ(ReadAll(page.string()), ReadAll(FSite + "/page1.html"));
    EXPECT_TRUE(fs::exists(page.parent_path() / "style.css"));
    EXPECT_FALSE(fs::exists(fs::path(FSite) / "style.css"));
    EXPECT_EQ(ReadAll(FSite + "/index.html"), before);
    fs::remove_all(page.parent_path());
}
