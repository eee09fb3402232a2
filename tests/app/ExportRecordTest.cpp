#include "app/ExportRecord.h"

#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "tests/app/TempDir.h"
#include "tests/support/ScriptedPrompter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>

using namespace zarvik;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TFileIdentity
{
    ino_t Inode;
    std::int64_t MtimeNs;
    bool operator==(const TFileIdentity &) const = default;
};

TFileIdentity Identity(const fs::path &path)
{
    struct stat info;
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return {info.st_ino,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// A three-page site exported with a record into a temporary folder, on a day the test sets.
class ExportRecord : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Folder = Dir.Path() / "site";
        fs::create_directory(Folder);
        for (int i = 0; i < 3; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "");
        g.SetSiteTemplate("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.Menu|"
                          "SiteGeneratorChange.MainText|SiteGeneratorChange.Pagination");
        g.SetCssCode("body {}");
        for (int i = 0; i < 3; ++i)
            g.Pages()[i].SetPageHTML("body " + std::to_string(i));
    }

    TExportCounts Export(bool full = false)
    {
        TExportRecordLedger ledger(full, [this] { return Today; });
        return g.ExportSite(Folder.string(), prompter, &ledger);
    }
    std::map<std::string, TFileIdentity> Identities() const
    {
        std::map<std::string, TFileIdentity> out;
        for (const char *name : {"index.html", "page1.html", "page2.html", "style.css"})
            out[name] = Identity(Folder / name);
        return out;
    }

    TTempDir Dir;
    fs::path Folder;
    TSiteGenerator g;
    TScriptedPrompter prompter;
    std::string Today = "2026-01-01";
};

} // namespace

TEST_F(ExportRecord, SecondExportLeavesUnchangedFilesAloneAndRewritesEditedOnes)
{
    EXPECT_EQ(Export().Written, 4U);
    const auto first = Identities();
    const std::string record = ReadAll(Folder / ".zarvik-export.json");
    const auto recordIdentity = Identity(Folder / ".zarvik-export.json");

    const TExportCounts second = Export();
    EXPECT_EQ(second.Written, 0U);
    EXPECT_EQ(second.Unchanged, 4U);
    EXPECT_EQ(Identities(), first);
    // Nothing changed, so not even the record is written again.
    EXPECT_EQ(Identity(Folder / ".zarvik-export.json"), recordIdentity);
    EXPECT_EQ(ReadAll(Folder / ".zarvik-export.json"), record);

    // A page edited by hand (same length, so only the time tells) and a page whose bytes change
    // are written; the others stay.
    const std::string page1 = ReadAll(Folder / "page1.html");
    std::string edited = page1;
    edited[0] = 'X';
    std::ofstream(Folder / "page1.html", std::ios::binary) << edited;
    g.Pages()[2].SetPageHTML("new body");
    Today = "2026-02-02";
    // The edited page is the user's now: replaced only when the question is answered Yes (after
    // No to the links question).
    prompter.Script(Answer::No);
    prompter.Script(Answer::Yes);
    const TExportCounts third = Export();
    EXPECT_EQ(third.Written, 2U);
    EXPECT_EQ(third.Unchanged, 2U);
    EXPECT_EQ(ReadAll(Folder / "page1.html"), page1);
    EXPECT_NE(ReadAll(Folder / "page2.html").find("new body"), std::string::npos);
    const auto after = Identities();
    EXPECT_EQ(after.at("index.html"), first.at("index.html"));
    EXPECT_EQ(after.at("style.css"), first.at("style.css"));
    EXPECT_NE(after.at("page2.html"), first.at("page2.html"));

    // The date is that of the last change of the bytes the export writes: restoring a hand-edited
    // page is no change.
    const std::string folder = Folder.string();
    EXPECT_EQ(ExportRecordChangedDate(folder, "index.html"), "2026-01-01");
    EXPECT_EQ(ExportRecordChangedDate(folder, "page1.html"), "2026-01-01");
    EXPECT_EQ(ExportRecordChangedDate(folder, "page2.html"), "2026-02-02");
    EXPECT_EQ(ExportRecordChangedDate(folder, "page9.html"), std::nullopt);
    EXPECT_EQ(ExportRecordChangedDate((Dir.Path() / "none").string(), "index.html"), std::nullopt);
}

TEST_F(ExportRecord, FullExportRewritesEveryFileAndKeepsTheDates)
{
    Export();
    const auto first = Identities();
    Today = "2026-03-03";
    const TExportCounts full = Export(true);
    EXPECT_EQ(full.Written, 4U);
    EXPECT_EQ(full.Unchanged, 0U);
    const auto after = Identities();
    for (const auto &[name, identity] : after)
        EXPECT_NE(identity.Inode, first.at(name).Inode) << name;
    EXPECT_EQ(ExportRecordChangedDate(Folder.string(), "index.html"), "2026-01-01");
    // The record is current again: the next ordinary export writes nothing.
    EXPECT_EQ(Export().Written, 0U);
}

TEST_F(ExportRecord, BrokenOrForeignRecordIsIgnoredAndReplaced)
{
    for (const std::string &bad :
         {std::string("{ not json"), std::string("{\"format\": \"other\", \"version\": 1, \"files\": {}}"),
          std::string("[]"),
          std::string("{\"format\": \"zarvik-export-record\", \"version\": 1, \"files\": {\"index.html\": "
                      "{\"size\": -1, \"sha256\": \"x\", \"mtime_ns\": 0, \"changed\": \"today\"}}}")}) {
        Export();
        std::ofstream(Folder / ".zarvik-export.json", std::ios::binary) << bad;
        EXPECT_FALSE(TExportRecord::Load(Folder.string())) << bad;
        EXPECT_EQ(ExportRecordChangedDate(Folder.string(), "index.html"), std::nullopt);
        // Without a usable record no file is known as the export's: it asks before replacing.
        prompter.Script(Answer::No);
        prompter.Script(Answer::Yes);
        EXPECT_EQ(Export().Written, 4U) << bad;
        const auto record = TExportRecord::Load(Folder.string());
        ASSERT_TRUE(record) << bad;
        EXPECT_EQ(record->Files.size(), 4U);
    }
}

TEST_F(ExportRecord, RecordSurvivesAFailedExportAndKeepsFilesOfEarlierExports)
{
    // A page that is gone from the project stays listed while its file is there, so prune can
    // tell it is this program's.
    g.CreateNewPage(g.NewPageTitle(3), "");
    Export();
    g.Pages().Delete(3);
    g.Pages()[1].SetPageHTML("changed");
    g.Pages()[2].SetPageUrl("sub/page2.html");
    EXPECT_THROW(Export(), EError);
    const auto record = TExportRecord::Load(Folder.string());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Files.count("page3.html"), 1U);
    // Written before the failure, with its new bytes.
    EXPECT_EQ(record->Files.at("page1.html").Size, fs::file_size(Folder / "page1.html"));
    EXPECT_EQ(record->Files.at("page1.html").Sha256,
              Sha256Hex(std::vector<std::string_view>{ReadAll(Folder / "page1.html")}));

    fs::remove(Folder / "page3.html");
    g.Pages()[2].SetPageUrl("page2.html");
    Export();
    EXPECT_EQ(TExportRecord::Load(Folder.string())->Files.count("page3.html"), 0U);
}

TEST(Sha256Hex, KnownDigestsAcrossPieces)
{
    EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string_view pieces[] = {"a", "", "bc"};
    EXPECT_EQ(Sha256Hex(pieces), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(TPiecesKey, LargePiecesAreReusedOnlyWhileTheirBytesStay)
{
    TPiecesKey keys;
    std::string big(20000, 'a');
    const std::string_view one[] = {"head", big, "tail"};
    const std::string first = keys.Of(one);
    EXPECT_EQ(keys.Of(one), first);
    // The same place in memory and the same length, but other bytes (a reused buffer).
    big[19999] = 'b';
    const std::string_view two[] = {"head", big, "tail"};
    const std::string second = keys.Of(two);
    EXPECT_NE(second, first);
    TPiecesKey fresh;
    EXPECT_EQ(fresh.Of(two), second);
    // Where the pieces are cut is part of the key; empty pieces are not.
    const std::string_view joined[] = {"ab"};
    const std::string_view split[] = {"a", "", "b"};
    const std::string_view moved[] = {"ab", ""};
    EXPECT_NE(keys.Of(joined), keys.Of(split));
    EXPECT_EQ(keys.Of(joined), keys.Of(moved));
}

namespace {

mode_t ModeOf(const fs::path &path)
{
    struct stat info;
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// A home folder with a script, a document and another project, and a project received from
// someone else whose pages are named after them.
struct THomeFolder
{
    TTempDir Home;
    TSiteGenerator g;
    TScriptedPrompter prompter;

    THomeFolder()
    {
        fs::create_directories(Home.Path() / "bin");
        fs::create_directories(Home.Path() / "Documents");
        Home.Write("bin/backup.sh", "#!/bin/sh\nrsync ~ /backup\n");
        fs::permissions(Home.Path() / "bin/backup.sh", fs::perms(0755));
        Home.Write("Documents/thesis.txt", "chapter one");
        Home.Write("garden.sgp", "another project");
        for (int i = 0; i < 4; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "").SetPageHTML("sender's text " + std::to_string(i));
        g.Pages()[1].SetPageUrl("bin/backup.sh");
        g.Pages()[2].SetPageUrl("Documents/thesis.txt");
        g.Pages()[3].SetPageUrl("garden.sgp");
        g.SetSavePath(Home.Path().string());
        g.SetSiteTemplate("SiteGeneratorChange.MainText");
    }
    TExportCounts Export()
    {
        TExportRecordLedger ledger(false);
        return g.SiteImport(prompter, &ledger);
    }
};

} // namespace

TEST(ExportGuard, ReceivedProjectReplacesNothingOfTheFolderWithoutTheAnswer)
{
    THomeFolder home;
    const fs::path &dir = home.Home.Path();
    const TExportCounts refused = home.Export();
    EXPECT_TRUE(refused.Stopped);
    EXPECT_EQ(refused.Written, 0U);
    // The links question, then the files named, answered No by default.
    ASSERT_EQ(home.prompter.Messages.size(), 2U);
    const auto &question = home.prompter.Messages[1];
    EXPECT_EQ(question.ButtonSet, Buttons::YesNoDefaultNo);
    EXPECT_EQ(question.Text, Utf8ToCp1251("В папке \"" + dir.string() +
                                          "\" уже есть файлы, которые Zarvik не создавал:\r"
                                          "bin/backup.sh\rDocuments/thesis.txt\rgarden.sgp\rЗаменить их?"));
    EXPECT_EQ(ReadAll(dir / "bin/backup.sh"), "#!/bin/sh\nrsync ~ /backup\n");
    EXPECT_EQ(ModeOf(dir / "bin/backup.sh"), 0755U);
    EXPECT_EQ(ReadAll(dir / "Documents/thesis.txt"), "chapter one");
    EXPECT_EQ(ReadAll(dir / "garden.sgp"), "another project");
    // Not a byte: no page, no style sheet, no record.
    EXPECT_FALSE(fs::exists(dir / "index.html"));
    EXPECT_FALSE(fs::exists(dir / "style.css"));
    EXPECT_FALSE(fs::exists(dir / ".zarvik-export.json"));

    // Answered Yes, they are replaced, and none keeps an executable bit, whatever the umask.
    home.prompter.Script(Answer::No);
    home.prompter.Script(Answer::Yes);
    const mode_t oldMask = ::umask(0);
    const TExportCounts replaced = home.Export();
    ::umask(oldMask);
    EXPECT_FALSE(replaced.Stopped);
    EXPECT_EQ(replaced.Written, 5U);
    EXPECT_EQ(ReadAll(dir / "bin/backup.sh"), "sender's text 1");
    for (const char *name :
         {"bin/backup.sh", "Documents/thesis.txt", "garden.sgp", "index.html", "style.css"})
        EXPECT_EQ(ModeOf(dir / name), 0644U) << name;
    const auto &done = home.prompter.Messages.back();
    EXPECT_EQ(done.Text, Utf8ToCp1251("Сайт успешно выгружен!"));
    EXPECT_EQ(done.Details, Utf8ToCp1251("Папка: " + dir.string()));
}

TEST(ExportGuard, LaterExportsReplaceOnlyTheirOwnUnchangedFiles)
{
    THomeFolder home;
    const fs::path &dir = home.Home.Path();
    // A folder of its own: the first export asks nothing, nor does the next.
    for (int i = 1; i < 4; ++i)
        home.g.Pages()[i].SetPageUrl("page" + std::to_string(i) + ".html");
    home.Home.Write("notes.txt", "mine");
    EXPECT_EQ(home.Export().Written, 5U);
    home.g.Pages()[1].SetPageHTML("new text");
    home.prompter.Messages.clear();
    const TExportCounts second = home.Export();
    EXPECT_EQ(second.Written, 1U);
    EXPECT_EQ(second.Unchanged, 4U);
    ASSERT_EQ(home.prompter.Messages.size(), 2U);
    EXPECT_EQ(home.prompter.Messages[1].Text, Utf8ToCp1251("Сайт успешно выгружен!"));

    // A page edited by hand is the user's now: the export stops with the question naming it alone.
    home.Home.Write("page2.html", "edited by hand");
    home.g.Pages()[3].SetPageHTML("changed too");
    home.prompter.Messages.clear();
    EXPECT_TRUE(home.Export().Stopped);
    EXPECT_EQ(home.prompter.Messages.back().Text,
              Utf8ToCp1251("В папке \"" + dir.string() +
                           "\" уже есть файл, который Zarvik не создавал:\rpage2.html\rЗаменить его?"));
    EXPECT_EQ(ReadAll(dir / "page2.html"), "edited by hand");
    EXPECT_EQ(ReadAll(dir / "page3.html"), "sender's text 3");
    EXPECT_EQ(ReadAll(dir / "notes.txt"), "mine");

    // Once replaced, the page is the export's again.
    home.prompter.Script(Answer::No);
    home.prompter.Script(Answer::Yes);
    EXPECT_EQ(home.Export().Written, 2U);
    home.prompter.Messages.clear();
    EXPECT_FALSE(home.Export().Stopped);
    EXPECT_EQ(home.prompter.Messages.size(), 2U);
}

TEST(ExportGuard, NamesOthersWriteIntoTheFolderAreNoPagesFiles)
{
    THomeFolder home;
    home.g.Pages()[1].SetPageUrl("sitemap.xml");
    home.g.Pages()[2].SetPageUrl("page2.html");
    home.g.Pages()[3].SetPageUrl("page3.html");
    TExportRecordLedger ledger(false);
    ledger.SetReservedNames({"sitemap.xml", "robots.txt"});
    try {
        home.g.SiteImport(home.prompter, &ledger);
        ADD_FAILURE() << "the export went through";
    } catch (const EError &e) {
        EXPECT_NE(e.Message().find(Utf8ToCp1251(" выгружается в файл \"sitemap.xml\", который программа")),
                  std::string::npos)
            << e.Message();
    }
    EXPECT_FALSE(fs::exists(home.Home.Path() / "index.html"));
}
