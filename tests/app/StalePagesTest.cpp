#include "app/StalePages.h"

#include "app/ExportRecord.h"
#include "app/ProjectCheck.h"
#include "engine/EXSiteGenerator.h"
#include "engine/SiteRules.h"
#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A five-page export that then shrank to two pages, plus files that must survive.
struct TShrunkSite
{
    TTempDir dir;
    TTempDir outside;
    TSiteGenerator g;
    TScriptedPrompter prompter;

    TShrunkSite()
    {
        g.SetSiteTemplate(
            "<html><title>SiteGeneratorChange.Title</title>SiteGeneratorChange.MainText</html>");
        for (int i = 0; i < 5; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "").SetPageHTML("<p>x</p>");
        g.SetSavePath(dir.Path().string());
        TScriptedPrompter exportPrompter;
        TExportRecordLedger ledger(false);
        g.ExportSite(dir.Path().string(), exportPrompter, &ledger);
        g.Pages().Delete(4);
        g.Pages().Delete(3);
        g.Pages().Delete(2);
        dir.Write("page9.html", "<p>written by hand</p>");         // a generated name, another content
        dir.Write("about.html", "<html><title>x</title>y</html>"); // the template, another name
        dir.Write("page10.txt", "notes");
        outside.Write("page12.html", "<html><title>t</title>x</html>");
        fs::create_symlink(outside.Path() / "page12.html", dir.Path() / "page12.html");
    }
};

} // namespace

TEST(StalePages, RecognisesThisProgramsPageNames)
{
    for (const char *name : {"index.html", "page1.html", "page0.html", "page2346.html"})
        EXPECT_TRUE(IsGeneratedPageName(name)) << name;
    for (const char *name : {"page.html", "pagex.html", "page1.htm", "Page1.html", "page1.html~", "index.htm",
                             "mypage1.html", "page-1.html"})
        EXPECT_FALSE(IsGeneratedPageName(name)) << name;
}

TEST(StalePages, MatchesFilesFilledFromTheTemplate)
{
    const std::string tpl = "<a>SiteGeneratorChange.Menu<b>SiteGeneratorChange.MainText<c>";
    EXPECT_TRUE(MatchesTemplate("<a>menu<b>body<c>", tpl));
    EXPECT_TRUE(MatchesTemplate("<a><b><c>", tpl));
    EXPECT_FALSE(MatchesTemplate("<a>menu<c>", tpl));
    EXPECT_FALSE(MatchesTemplate("x<a>menu<b>body<c>", tpl));
    EXPECT_FALSE(MatchesTemplate("<a>menu<b>body<c>x", tpl));
    // The first and last pieces must not overlap in a short file.
    EXPECT_FALSE(MatchesTemplate("<a>", "<a>SiteGeneratorChange.Menu<a>"));
    EXPECT_TRUE(MatchesTemplate("plain", "plain"));
    EXPECT_FALSE(MatchesTemplate("plain!", "plain"));
}

TEST(StalePages, PruneDeletesExactlyTheStalePagesOfThisProgram)
{
    TShrunkSite site;
    const TCheckResult check = CheckProject(site.g, std::nullopt);
    EXPECT_EQ(PrunablePages(site.g, check),
              (std::vector<std::string>{"page2.html", "page3.html", "page4.html"}));

    site.prompter.Script(Answer::Yes);
    const auto deleted = PruneStalePages(site.g, check, site.prompter);
    EXPECT_EQ(deleted, (std::vector<std::string>{"page2.html", "page3.html", "page4.html"}));
    ASSERT_EQ(site.prompter.Messages.size(), 1u);
    EXPECT_EQ(site.prompter.Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(site.prompter.Messages[0].ButtonSet, Buttons::YesNo);
    EXPECT_EQ(site.prompter.Messages[0].Text,
              Ru("Удалить устаревшие страницы из папки выгрузки (3)?\rpage2.html\rpage3.html\rpage4.html"));
    EXPECT_EQ(FilesIn(site.dir.Path()),
              (std::vector<std::string>{".zarvik-export.json", "about.html", "index.html", "page1.html",
                                        "page10.txt", "page12.html", "page9.html", "style.css"}));
    EXPECT_TRUE(fs::exists(site.outside.Path() / "page12.html"));
}

TEST(StalePages, NoKeepsEverything)
{
    TShrunkSite site;
    const auto before = FilesIn(site.dir.Path());
    EXPECT_TRUE(PruneStalePages(site.g, CheckProject(site.g, std::nullopt), site.prompter).empty());
    EXPECT_EQ(FilesIn(site.dir.Path()), before);
}

TEST(StalePages, DeleteLooksAgainAndNeverLeavesTheFolder)
{
    TShrunkSite site;
    // Changed by hand since the check: no longer this program's page.
    site.dir.Write("page3.html", "mine now");
    const auto deleted =
        DeletePages(site.dir.Path().string(), {"page3.html", "page12.html", "../page12.html", "page2.html"});
    EXPECT_EQ(deleted, (std::vector<std::string>{"page2.html"}));
    EXPECT_EQ(ReadAll(site.dir.File("page3.html")), "mine now");
    EXPECT_TRUE(fs::is_symlink(site.dir.Path() / "page12.html"));
    EXPECT_TRUE(fs::exists(site.outside.Path() / "page12.html"));
}

TEST(StalePages, SaysSoWhenNothingIsStale)
{
    TShrunkSite site;
    TTempDir empty;
    TScriptedPrompter prompter;
    EXPECT_TRUE(PruneStalePages(site.g, CheckProject(site.g, empty.Path().string()), prompter).empty());
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{Ru("Устаревших страниц в папке выгрузки нет")}));
}

TEST(StalePages, WithARecordPruneTakesExactlyTheFilesTheExportWrote)
{
    TTempDir dir;
    TSiteGenerator g;
    g.SetSiteTemplate("<html><title>SiteGeneratorChange.Title</title>SiteGeneratorChange.MainText</html>");
    for (int i = 0; i < 5; ++i)
        g.CreateNewPage(g.NewPageTitle(i), "").SetPageHTML("<p>x</p>");
    g.CreateNewPage("old", "").SetPageUrl("sub/old.htm");
    fs::create_directory(dir.Path() / "sub");
    g.SetSavePath(dir.Path().string());
    TScriptedPrompter quiet;
    TExportRecordLedger ledger(false);
    g.ExportSite(dir.Path().string(), quiet, &ledger);
    for (int i = 5; i >= 2; --i)
        g.Pages().Delete(i);
    // The template's look and a generated name, but never written by the export: not its file.
    dir.Write("page9.html", "<html><title>t</title>x</html>");
    // Written by the export, then edited by hand: the user's now.
    dir.Write("page3.html", "<html><title>t</title>mine</html>");

    const TCheckResult check = CheckProject(g, std::nullopt);
    std::vector<std::string> stale;
    for (const TFinding &finding : check.Findings)
        stale.push_back(finding.FileName);
    EXPECT_EQ(stale, (std::vector<std::string>{"page2.html", "page3.html", "page4.html", "page9.html",
                                               "sub/old.htm"}));
    EXPECT_EQ(PrunablePages(g, check), (std::vector<std::string>{"page2.html", "page4.html", "sub/old.htm"}));

    TScriptedPrompter prompter;
    prompter.Script(Answer::Yes);
    EXPECT_EQ(PruneStalePages(g, check, prompter),
              (std::vector<std::string>{"page2.html", "page4.html", "sub/old.htm"}));
    EXPECT_EQ(FilesIn(dir.Path()),
              (std::vector<std::string>{".zarvik-export.json", "index.html", "page1.html", "page3.html",
                                        "page9.html", "style.css", "sub"}));
    EXPECT_TRUE(fs::is_empty(dir.Path() / "sub"));
    const auto record = TExportRecord::Load(dir.Path().string());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Files.count("page2.html") + record->Files.count("sub/old.htm"), 0U);
    EXPECT_EQ(record->Files.count("page3.html"), 1U);
    // Asked again, nothing is left that the export wrote.
    EXPECT_TRUE(PrunablePages(g, CheckProject(g, std::nullopt)).empty());
}

TEST(StalePages, WithoutARecordNothingIsTheExportsAndThePromptSaysHowToGetOne)
{
    // The user's own pages, and a project whose template is placeholders alone: that "matches"
    // any file, so nothing but a record can tell the export's pages.
    TTempDir dir;
    dir.Write("index.html", "my home page");
    dir.Write("page1.html", "my first page");
    TSiteGenerator g;
    g.SetSiteTemplate("SiteGeneratorChange.Menu SiteGeneratorChange.MainText");
    g.CreateNewPage("a", "").SetPageUrl("a.html");
    g.SetSavePath(dir.Path().string());
    EXPECT_FALSE(MatchesTemplate("my home page", g.SiteTemplate()));

    const TCheckResult check = CheckProject(g, std::nullopt);
    EXPECT_TRUE(PrunablePages(g, check).empty());
    TScriptedPrompter prompter;
    prompter.Script(Answer::Yes);
    EXPECT_TRUE(PruneStalePages(g, check, prompter).empty());
    ASSERT_EQ(prompter.Messages.size(), 1U);
    EXPECT_EQ(prompter.Messages[0].Kind, MessageKind::Information);
    EXPECT_NE(prompter.Messages[0].Text.find(Ru("Выгрузите сайт в эту папку один раз")), std::string::npos);
    EXPECT_EQ(prompter.Messages[0].Details, Ru("Папка: ") + dir.Path().string());
    EXPECT_TRUE(DeletePages(dir.Path().string(), {"index.html", "page1.html"}).empty());
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"index.html", "page1.html"}));
}

TEST(StalePages, RelativeSavePathIsRefusedAsTheExportRefusesIt)
{
    TShrunkSite site;
    // The folder the relative path would name from the current folder holds the stale pages.
    const fs::path previous = fs::current_path();
    fs::current_path(site.dir.Path().parent_path());
    site.g.SetSavePath(site.dir.Path().filename().string());
    const TCheckResult check = CheckProject(site.g, std::nullopt);
    TScriptedPrompter prompter;
    prompter.Script(Answer::Yes);
    const std::vector<std::string> deleted = PruneStalePages(site.g, check, prompter);
    fs::current_path(previous);

    EXPECT_TRUE(deleted.empty());
    EXPECT_TRUE(check.ExportFolder.empty());
    EXPECT_EQ(prompter.Messages, (std::vector<TScriptedPrompter::TMessage>{
                                     {MessageKind::Error,
                                      Ru("Папка выгрузки \"") + site.dir.Path().filename().string() +
                                          Ru("\" задана относительным путём. Укажите полный путь к папке"),
                                      Buttons::Ok}}));
    EXPECT_TRUE(fs::exists(site.dir.Path() / "page2.html"));
}
