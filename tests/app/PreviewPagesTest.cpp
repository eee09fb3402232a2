#include "app/PreviewPages.h"

#include "app/ProjectDefaults.h"
#include "app/TextFiles.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace {

namespace fs = std::filesystem;

// The example project as the README builds it: the three texts, the link list, links
// distributed with a fixed seed; then the stored menu and bars are made stale by a rename and a
// move, as after editing a project that was exported before.
void BuildExample(TSiteGenerator &g)
{
    ApplyNewProjectDefaults(g);
    g.SetSiteTitle(Ru("Огород без хлопот"));
    g.SetMinCharsPerPage(1500);
    g.SetMaxCharsPerPage(2500);
    const fs::path examples = ZARVIK_EXAMPLES;
    std::string text;
    for (const char *name : {"01-tomaty.txt", "02-ogurcy.txt", "03-perec.txt"})
        text += ReadTextFile((examples / "content" / name).string()) + "\r\n" + g.DiggValue() + "\r\n";
    g.AddContent(text);
    g.SetSiteUrlsToLink(ReadTextFileLines((examples / "links.txt").string()));
    g.SetRandomSource(std::make_unique<TSeededRandom>(1));
    TScriptedPrompter prompter;
    g.SetLinks(prompter);
    g.GeneratePag();
    g.Pages()[2].SetPageUrl(Ru("огурцы/уход.html"));
    g.Pages()[1].SetPageTitle(Ru("Рассада <и> полив"));
    g.Pages()[4].SetIndex(0);
}

std::string ExportedFile(const fs::path &folder, const std::string &url)
{
    return ReadAll((folder / Cp1251ToUtf8(url)).string());
}

} // namespace

// Every page and the style sheet are rendered one at a time exactly as the export writes them,
// and the rendering leaves the project as it found it.
TEST(PreviewPages, EveryFileOfTheExampleEqualsTheExport)
{
    TSiteGenerator g;
    BuildExample(g);
    ASSERT_GT(g.Pages().Count(), 5);
    g.SetChanged(false);
    const std::string storedMenu = g.SiteMenu();
    const std::string storedBar = g.Pages()[3].Pagination().Text();

    std::vector<std::string> rendered;
    for (int i = 0; i < g.Pages().Count(); ++i) {
        const std::optional<TPreviewFile> file = RenderPreviewFile(g, Cp1251ToUtf8(g.Pages()[i].PageUrl()));
        ASSERT_TRUE(file) << "page " << i;
        EXPECT_EQ(file->ContentType, "text/html; charset=windows-1251");
        rendered.push_back(file->Bytes);
    }
    const std::optional<TPreviewFile> css = RenderPreviewFile(g, "style.css");
    ASSERT_TRUE(css);
    EXPECT_EQ(css->ContentType, "text/css; charset=windows-1251");
    EXPECT_FALSE(g.Changed());
    EXPECT_EQ(g.SiteMenu(), storedMenu);
    EXPECT_EQ(g.Pages()[3].Pagination().Text(), storedBar);

    TTempDir folder;
    fs::create_directory(folder.Path() / Cp1251ToUtf8(Ru("огурцы")));
    TScriptedPrompter prompter;
    g.ExportSite(Utf8ToCp1251(folder.Path().string()), prompter);
    for (int i = 0; i < g.Pages().Count(); ++i)
        EXPECT_EQ(rendered[static_cast<std::size_t>(i)], ExportedFile(folder.Path(), g.Pages()[i].PageUrl()))
            << "page " << i;
    EXPECT_EQ(css->Bytes, ExportedFile(folder.Path(), "style.css"));
}

// Only what the export would write is found, under the name it would be written to.
TEST(PreviewPages, FindsOnlyTheFilesTheExportWrites)
{
    TSiteGenerator g;
    ApplyNewProjectDefaults(g);
    g.SetSiteTemplate("SiteGeneratorChange.MainText<meta charset=\"koi8-r\">");
    g.SetCssCode("body{}");
    for (int i = 0; i < 5; ++i)
        g.CreateNewPage(g.NewPageTitle(i), "").SetPageHTML("body " + std::to_string(i));
    g.Pages()[1].SetPageUrl("../outside.html");
    g.Pages()[2].SetPageUrl("twice.html");
    g.Pages()[3].SetPageUrl("twice.html");
    g.Pages()[4].SetPageUrl("style.css");

    const auto bytes = [&](std::string_view path) {
        const std::optional<TPreviewFile> file = RenderPreviewFile(g, path);
        return file ? file->Bytes : std::string("(none)");
    };
    EXPECT_EQ(bytes("index.html"), "body 0<meta charset=\"koi8-r\">");
    EXPECT_EQ(RenderPreviewFile(g, "index.html")->ContentType, "text/html; charset=koi8-r");
    // A later page of the same name is written over the earlier one, style.css over every page.
    EXPECT_EQ(bytes("twice.html"), "body 3<meta charset=\"koi8-r\">");
    EXPECT_EQ(bytes("style.css"), "body{}");
    for (const char *path : {"../outside.html", "outside.html", "page1.html", "", "/index.html",
                             "index.html/", "INDEX.HTML", ".zarvik-export.json"})
        EXPECT_EQ(bytes(path), "(none)") << path;
}

TEST(PreviewPages, ChecksTheCharsetAndEncodesTheAddress)
{
    TSiteGenerator g;
    // A name that no charset has never reaches the header.
    for (const std::string &name : {Ru("кои8"), std::string("utf-8,x"), std::string("a\vb"), std::string()}) {
        g.SetSiteTemplate("<meta content=\"text/html; charset=" + name + "\">");
        EXPECT_EQ(RenderPreviewFile(g, "style.css")->ContentType, "text/css; charset=windows-1251") << name;
    }
    EXPECT_EQ(PreviewUrlPath(Ru("огурцы/уход 1.html")),
              "%D0%BE%D0%B3%D1%83%D1%80%D1%86%D1%8B/%D1%83%D1%85%D0%BE%D0%B4%201.html");
    EXPECT_EQ(PreviewUrlPath("a?b#c.html"), "a%3Fb%23c.html");
}
