#include "app/ExportRecord.h"

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
