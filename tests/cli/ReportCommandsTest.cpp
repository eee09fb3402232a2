#include "app/ExportRecord.h"
#include "tests/app/TempDir.h"
#include "tests/cli/CliRunner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

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
        // Previews go to a cache folder of the test's own.
        ASSERT_EQ(::setenv("XDG_CACHE_HOME", FDir.File("cache").c_str(), 1), 0);
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

    void TearDown() override { ::unsetenv("XDG_CACHE_HOME"); }

    // Lists the file `name` of the site in its export record, as if the export had written it.
    void RecordAsExported(const std::string &name)
    {
        std::optional<TExportRecord> record = TExportRecord::Load(FSite);
        ASSERT_TRUE(record);
        struct stat info;
        ASSERT_EQ(::stat((FSite + "/" + name).c_str(), &info), 0);
        TExportedFile file = record->Files.begin()->second;
        file.Size = static_cast<std::uint64_t>(info.st_size);
        file.MtimeNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        record->Files[name] = file;
        std::ofstream(FSite + "/.zarvik-export.json", std::ios::binary) << record->Json();
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
    // A page an earlier export wrote (as its record says) that the project no longer has.
    fs::copy_file(fs::path(FSite) / "page1.html", fs::path(FSite) / "page5.html");
    RecordAsExported("page5.html");
    TCliResult asked = Invoke({"check", FProject, "--prune"});
    EXPECT_EQ(asked.Code, 1);
    EXPECT_EQ(asked.Err, "warning: Удалить устаревшие страницы из папки выгрузки (1)?\npage5.html\nПапка: " +
                             FSite + "\n");
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

TEST_F(CliReports, PreviewRendersIntoOneCacheFolderPerProjectReplacedEachRun)
{
    const std::string cache = FDir.File("cache");
    const auto previewFolder = [&](const std::string &project) {
        const TCliResult run = Invoke({"preview", project, "--no-browser"});
        EXPECT_EQ(run.Code, 0) << run.Err;
        return fs::path(run.Out.substr(0, run.Out.find('\n'))).parent_path();
    };
    const fs::path first = previewFolder(FProject);
    EXPECT_EQ(first.parent_path(), fs::path(cache) / "zarvik" / "preview");
    EXPECT_EQ(first.filename().string().rfind("p-", 0), 0U) << first;
    EXPECT_EQ(fs::status(first).permissions(), fs::perms::owner_all);
    std::ofstream(first / "left-over.html") << "from the last run";

    // The same project spelt another way gets the same folder, emptied first.
    const std::string spelt = FDir.Path().string() + "/./site/../p.sgp";
    EXPECT_EQ(previewFolder(spelt), first);
    EXPECT_FALSE(fs::exists(first / "left-over.html"));
    EXPECT_TRUE(fs::exists(first / "index.html"));

    // Another project has a folder of its own; nothing else piles up.
    const std::string other = FDir.File("p2.sgp");
    fs::copy_file(FProject, other);
    EXPECT_NE(previewFolder(other), first);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(cache) / "zarvik" / "preview"), {}), 2);
}
