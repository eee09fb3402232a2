#include "app/ProjectCheck.h"

#include "engine/EXSiteGenerator.h"
#include "engine/Navigation.h"
#include "tests/app/TempDir.h"
#include "tests/support/ProgressRecord.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace {

namespace fs = std::filesystem;

constexpr const char *GoodTemplate = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                     "charset=windows-1251\"><title>SiteGeneratorChange.Title</title></head>"
                                     "<body>SiteGeneratorChange.Menu SiteGeneratorChange.MainText "
                                     "SiteGeneratorChange.Pagination</body></html>";

// A project with nothing to find: three built pages, a declared charset, an existing folder.
struct TCheckedSite
{
    TTempDir dir;
    TSiteGenerator g;

    TCheckedSite()
    {
        g.SetSiteTemplate(GoodTemplate);
        g.SetSiteTitle(Ru("Сад"));
        for (int i = 0; i < 3; ++i)
            g.CreateNewPage(g.NewPageTitle(i), Ru("Текст"));
        for (int i = 0; i < 3; ++i)
            g.Pages()[i].SetPageHTML(Ru("<p>Текст <a href=\"http://example.org/\">сад</a></p>"));
        g.SetSavePath(dir.Path().string());
    }

    std::vector<TFindingKind> Kinds() const
    {
        std::vector<TFindingKind> kinds;
        for (const TFinding &f : CheckProject(g, std::nullopt).Findings)
            kinds.push_back(f.Kind);
        return kinds;
    }
    std::string OnlyMessage() const
    {
        const auto findings = CheckProject(g, std::nullopt).Findings;
        EXPECT_EQ(findings.size(), 1u);
        return findings.empty() ? std::string() : findings.front().Message;
    }
};

using TKinds = std::vector<TFindingKind>;

} // namespace

TEST(ProjectCheck, FindsNothingInACleanProject)
{
    TCheckedSite site;
    EXPECT_EQ(site.Kinds(), TKinds{});
}

TEST(ProjectCheck, FindsEmptyAndDuplicateUrls)
{
    TCheckedSite site;
    site.g.Pages()[1].SetPageUrl("");
    EXPECT_EQ(site.OnlyMessage(), Ru("Страница 1: пустой адрес, выгрузка на ней остановится"));

    TCheckedSite duplicate;
    duplicate.g.Pages()[2].SetPageUrl("page1.html");
    EXPECT_EQ(
        duplicate.OnlyMessage(),
        Ru("Страница 2 (page1.html): тот же адрес, что у страницы 1, в папке останется только одна из них"));
}

TEST(ProjectCheck, FindsUrlsTheExportRefusesOrCannotWrite)
{
    for (const char *url :
         {"/etc/page.html", "../page.html", "sub/../../page.html", ".hidden.html", "a/.b/c.html"}) {
        TCheckedSite site;
        site.g.Pages()[1].SetPageUrl(url);
        EXPECT_EQ(site.Kinds(), TKinds{TFindingKind::RefusedUrl}) << url;
    }
    TCheckedSite site;
    site.g.Pages()[1].SetPageUrl("sub/page1.html");
    EXPECT_EQ(site.OnlyMessage(), Ru("Страница 1 (sub/page1.html): в папке выгрузки нет папки \"sub\""));
    fs::create_directory(site.dir.Path() / "sub");
    EXPECT_EQ(site.Kinds(), TKinds{});
}

TEST(ProjectCheck, FindsTemplateProblems)
{
    TCheckedSite noText;
    std::string text = GoodTemplate;
    text.replace(text.find("SiteGeneratorChange.MainText"), 28, "");
    noText.g.SetSiteTemplate(text);
    EXPECT_EQ(noText.Kinds(), TKinds{TFindingKind::NoMainText});

    TCheckedSite misspelt;
    misspelt.g.SetSiteTemplate(std::string(GoodTemplate) +
                               "<h1>SiteGeneratorChange.title</h1> sitegeneratorchange.Menu.");
    EXPECT_EQ(misspelt.Kinds(),
              (TKinds{TFindingKind::MisspeltPlaceholder, TFindingKind::MisspeltPlaceholder}));
    EXPECT_EQ(CheckProject(misspelt.g, std::nullopt).Findings[0].Message,
              Ru("В шаблоне \"SiteGeneratorChange.title\" похоже на заполнитель, но не совпадает ни с одним "
                 "из них"));

    TCheckedSite noCharset;
    text = GoodTemplate;
    text.replace(text.find("; charset=windows-1251"), 22, "");
    noCharset.g.SetSiteTemplate(text);
    EXPECT_EQ(noCharset.Kinds(), TKinds{TFindingKind::NoCharset});
    // Plain ASCII pages read the same in any code page.
    noCharset.g.SetSiteTitle("Garden");
    for (int i = 0; i < 3; ++i) {
        noCharset.g.Pages()[i].SetPageText("Text");
        noCharset.g.Pages()[i].SetPageHTML("<p>Text</p>");
    }
    EXPECT_EQ(noCharset.Kinds(), TKinds{});

    TCheckedSite utf8;
    text = GoodTemplate;
    text.replace(text.find("windows-1251"), 12, "UTF-8");
    utf8.g.SetSiteTemplate(text);
    EXPECT_EQ(utf8.OnlyMessage(), Ru("В шаблоне объявлена кодировка \"UTF-8\", а страницы в Windows-1251"));
}

TEST(ProjectCheck, FindsLinksToNoPage)
{
    TCheckedSite body;
    body.g.Pages()[2].SetPageHTML("<p><a href=\"page9.html#top\">x</a> <a href=\"page1.html\">y</a> "
                                  "<a href=\"mailto:a@b\">m</a> <a href=\"#here\">h</a></p>");
    EXPECT_EQ(body.OnlyMessage(),
              Ru("Страница 2 (page2.html): текст ссылается на \"page9.html\", такой страницы нет"));

    // The menu and bars of an export made before the last page was deleted.
    TCheckedSite stale;
    stale.g.CreateNewPage("extra", "");
    stale.g.Pages()[3].SetPageHTML("<p></p>");
    stale.g.GeneratePag();
    stale.g.Pages().Delete(3);
    EXPECT_EQ(stale.Kinds(), (TKinds{TFindingKind::DeadLink, TFindingKind::DeadLink}));
    EXPECT_EQ(
        CheckProject(stale.g, std::nullopt).Findings[1].Message,
        Ru("Постраничное меню (страниц: 3) ссылается на \"page3.html\", такой страницы нет (обновится при "
           "выгрузке)"));

    // A file the user keeps in the export folder is a fine target.
    TCheckedSite kept;
    kept.g.Pages()[0].SetPageHTML("<p><a href=\"about.html\">a</a></p>");
    kept.dir.Write("about.html", "x");
    EXPECT_EQ(kept.Kinds(), TKinds{TFindingKind::StalePage});
}

TEST(ProjectCheck, FindsPagesWithoutBodies)
{
    TCheckedSite site;
    site.g.Pages()[0].SetPageHTML("");
    EXPECT_EQ(site.OnlyMessage(), Ru("Страница 0 (index.html): текст страницы не собран (ссылки не "
                                     "распределялись), она выйдет пустой"));
}

TEST(ProjectCheck, FindsStalePagesAndAMissingFolder)
{
    TCheckedSite site;
    site.dir.Write("page7.html", "old");
    site.dir.Write("notes.txt", "mine");
    site.dir.Write("index.html", "current");
    fs::create_symlink("/etc/hostname", site.dir.Path() / "link.html");
    const TCheckResult result = CheckProject(site.g, std::nullopt);
    ASSERT_EQ(result.Findings.size(), 1u);
    EXPECT_EQ(result.Findings[0].FileName, "page7.html");
    EXPECT_EQ(result.Findings[0].Message,
              Ru("В папке выгрузки лишний файл \"page7.html\": это не страница проекта"));

    // --out overrides SavePath.
    TTempDir other;
    EXPECT_TRUE(CheckProject(site.g, other.Path().string()).Findings.empty());
    EXPECT_EQ(CheckProject(site.g, (other.Path() / "missing").string()).Findings.at(0).Kind,
              TFindingKind::NoExportFolder);
    site.g.SetSavePath("");
    EXPECT_EQ(site.OnlyMessage(), Ru("Папка выгрузки не указана"));
}

TEST(ProjectCheck, EstimatesTheExportExactly)
{
    TCheckedSite site;
    site.g.SetSiteTemplate(std::string(GoodTemplate) +
                           "SiteGeneratorChange.Adsense SiteGeneratorChange.Header "
                           "SiteGeneratorChange.Footer SiteGeneratorChange.Pagination");
    site.g.SetAdsenseCode("<ad/>");
    site.g.SetSiteHeader("head");
    site.g.SetCssCode("body{}");
    for (int i = 0; i < 12; ++i)
        site.g.CreateNewPage(site.g.NewPageTitle(site.g.Pages().Count()), "t").SetPageHTML("<p>t</p>");
    const std::uint64_t estimate = EstimateExportBytes(site.g);

    TScriptedPrompter prompter;
    site.g.ExportSite(site.dir.Path().string(), prompter);
    std::uint64_t written = 0;
    for (const auto &entry : fs::directory_iterator(site.dir.Path()))
        written += fs::file_size(entry.path());
    EXPECT_EQ(estimate, written);
}

TEST(ProjectCheck, WarnsAboutAHugeExport)
{
    TCheckedSite site;
    site.g.SetSiteTemplate(std::string(GoodTemplate) + "SiteGeneratorChange.Adsense");
    site.g.SetAdsenseCode(std::string(70'000'000, 'x'));
    const TCheckResult result = CheckProject(site.g, std::nullopt);
    EXPECT_GT(result.EstimatedBytes, 210'000'000u);
    ASSERT_EQ(result.Findings.size(), 1u);
    EXPECT_EQ(result.Findings[0].Message,
              Ru("Выгрузка займёт около 210 МБ: постраничное меню растёт как квадрат числа страниц"));
}

TEST(ProjectCheck, ReportsItsWayThroughThePagesAndFindsTheSame)
{
    TCheckedSite site;
    site.g.CreateNewPage("dup", "");
    site.g.Pages()[3].SetPageUrl(site.g.Pages()[1].PageUrl());
    zarvik::test::TProgressRecord progress;
    const TCheckResult with = CheckProject(site.g, std::nullopt, progress.Callback());
    const TCheckResult without = CheckProject(site.g, std::nullopt);

    EXPECT_EQ(progress.Fault(), "");
    // Three passes over the four pages and the size estimate, each step reported.
    EXPECT_EQ(progress.Reports.front().second, 13u);
    EXPECT_EQ(progress.Reports.size(), 14u);
    ASSERT_EQ(with.Findings.size(), without.Findings.size());
    for (std::size_t i = 0; i < with.Findings.size(); ++i)
        EXPECT_EQ(with.Findings[i].Message, without.Findings[i].Message);
    EXPECT_EQ(with.EstimatedBytes, without.EstimatedBytes);

    // A project without pages still reports its start and its end.
    TSiteGenerator empty;
    zarvik::test::TProgressRecord none;
    CheckProject(empty, std::nullopt, none.Callback());
    EXPECT_EQ(none.Fault(), "");
    EXPECT_EQ(none.Reports, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}, {1, 1}}));
}
