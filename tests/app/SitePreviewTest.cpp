#include "app/SitePreview.h"

#include "app/BrowserLauncher.h"
#include "app/ProjectDefaults.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace {

namespace fs = std::filesystem;

class TRecordingLauncher : public TBrowserLauncher
{
public:
    bool Open(const std::string &url) override
    {
        Urls.push_back(url);
        return Result;
    }
    std::vector<std::string> Urls;
    bool Result = true;
};

std::map<std::string, std::string> Contents(const fs::path &folder)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = ReadAll(entry.path().string());
    }
    return files;
}

// A project as a user has it: default template and style, built bodies, the menu and bars of
// an earlier export with fewer pages, and an export folder of its own.
struct TPreviewSite
{
    TTempDir exportDir;
    TSiteGenerator g;

    TPreviewSite()
    {
        ApplyNewProjectDefaults(g);
        g.SetSiteTitle(Ru("Огород"));
        for (int i = 0; i < 4; ++i) {
            g.CreateNewPage(g.NewPageTitle(i), Ru("Текст страницы ") + std::to_string(i))
                .SetPageHTML(Ru("<p>Текст страницы ") + std::to_string(i) + "</p>");
        }
        fs::create_directory(exportDir.Path() / "sub");
        g.Pages()[3].SetPageUrl("sub/deep.html");
        g.SetSiteMenu("old menu");
        for (int i = 0; i < 4; ++i)
            g.Pages()[i].SetPagination("old bar " + std::to_string(i));
        g.SetSavePath(exportDir.Path().string());
        g.SetChanged(false);
        exportDir.Write("index.html", "the user's last export");
    }
};

} // namespace

TEST(SitePreview, RendersWhatTheExportWritesAndLeavesTheProjectAlone)
{
    TPreviewSite site;
    TPreviewFolders folders;
    const std::string folder = folders.Create();
    RenderPreview(site.g, folder);

    // The model is as it was: menu, bars, folder, modified flag, bodies.
    EXPECT_EQ(site.g.SiteMenu(), "old menu");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(site.g.Pages()[i].Pagination(), "old bar " + std::to_string(i));
    EXPECT_EQ(site.g.SavePath(), site.exportDir.Path().string());
    EXPECT_FALSE(site.g.Changed());
    EXPECT_FALSE(site.g.LinksWasSetted());
    EXPECT_EQ(Contents(site.exportDir.Path()),
              (std::map<std::string, std::string>{{"index.html", "the user's last export"}}));

    // The export with the question answered No writes the same bytes.
    TTempDir exported;
    fs::create_directory(exported.Path() / "sub");
    TScriptedPrompter prompter;
    site.g.ExportSite(exported.Path().string(), prompter);
    const auto preview = Contents(folder);
    EXPECT_EQ(preview.size(), 5u);
    EXPECT_EQ(preview, Contents(exported.Path()));
    EXPECT_NE(preview.at("page1.html").find(Ru("Текст страницы 1")), std::string::npos);
}

TEST(SitePreview, FoldersArePrivateAndGoAwayAtTheEnd)
{
    std::string first;
    {
        TPreviewFolders folders;
        first = folders.Create();
        const std::string second = folders.Create();
        EXPECT_NE(first, second);
        struct stat info;
        ASSERT_EQ(::stat(first.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        TPreviewSite site;
        RenderPreview(site.g, first);
        EXPECT_TRUE(fs::exists(fs::path(first) / "style.css"));
    }
    EXPECT_FALSE(fs::exists(first));
}

TEST(SitePreview, RestoresTheModelWhenTheRenderingFails)
{
    TPreviewSite site;
    site.g.Pages()[2].SetPageUrl("../escape.html");
    TPreviewFolders folders;
    EXPECT_ANY_THROW(RenderPreview(site.g, folders.Create()));
    EXPECT_EQ(site.g.SiteMenu(), "old menu");
    EXPECT_EQ(site.g.Pages()[0].Pagination(), "old bar 0");
}

TEST(SitePreview, OpensTheChosenPageOrTheStartPage)
{
    TPreviewSite site;
    TPreviewFolders folders;
    TRecordingLauncher launcher;
    const std::string page = OpenPreview(site.g, folders, launcher, "sub/deep.html");
    EXPECT_EQ(fs::path(page).filename(), "deep.html");
    const std::string index = OpenPreview(site.g, folders, launcher, "");
    const std::string missing = OpenPreview(site.g, folders, launcher, "gone.html");
    EXPECT_EQ(fs::path(index).filename(), "index.html");
    EXPECT_EQ(fs::path(missing).filename(), "index.html");
    ASSERT_EQ(launcher.Urls.size(), 3u);
    EXPECT_EQ(launcher.Urls[0], "file://" + page);
    EXPECT_EQ(folders.Folders().size(), 3u);

    launcher.Result = false;
    EXPECT_ANY_THROW(OpenPreview(site.g, folders, launcher, ""));
}

TEST(BrowserLauncher, BuildsTheCommandOfADesktopEntry)
{
    const std::string url = "file:///tmp/a%20b/index.html";
    EXPECT_EQ(DesktopExecCommand("firefox %u", url), (std::vector<std::string>{"firefox", url}));
    EXPECT_EQ(DesktopExecCommand("/usr/bin/chromium %U --flag=\"a b\" %i %c", url),
              (std::vector<std::string>{"/usr/bin/chromium", url, "--flag=a b"}));
    EXPECT_EQ(DesktopExecCommand("browser --new-window", url),
              (std::vector<std::string>{"browser", "--new-window", url}));
    EXPECT_EQ(DesktopExecCommand("b 100%%", url), (std::vector<std::string>{"b", "100%", url}));
    EXPECT_TRUE(DesktopExecCommand("  ", url).empty());
    EXPECT_EQ(FileUrl("/tmp/Сад 1/index.html"), "file:///tmp/%D0%A1%D0%B0%D0%B4%201/index.html");
}

// The parts of an exported page that a browser keeps as they are in its document, in UTF-8 and
// in the page's order: the title, the menu's entries, the text's paragraphs and the pagination bar.
std::vector<std::string> ShownParts(const std::string &page)
{
    const std::string text = Cp1251ToUtf8(page);
    std::vector<std::pair<std::size_t, std::string>> parts;
    for (const auto &[open, close] :
         std::vector<std::pair<std::string, std::string>>{{"<title>", "</title>"},
                                                          {"<li>", "</li>"},
                                                          {"<p>", "</p>"},
                                                          {"<div align=\"center\">", "</div>"}}) {
        for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
            const std::size_t end = text.find(close, at);
            if (end != std::string::npos)
                parts.emplace_back(at, text.substr(at, end + close.size() - at));
        }
    }
    std::sort(parts.begin(), parts.end());
    std::vector<std::string> shown;
    for (auto &part : parts)
        shown.push_back(std::move(part.second));
    return shown;
}

TEST(SitePreview, ShowsInARealBrowserWhatTheExportWrites)
{
    const std::string chromium = "/usr/bin/chromium";
    ASSERT_EQ(::access(chromium.c_str(), X_OK), 0) << "chromium is not installed (scripts/install-deps.sh)";

    TPreviewSite site;
    TPreviewFolders folders;
    TRecordingLauncher launcher;
    OpenPreview(site.g, folders, launcher, "page1.html");
    TTempDir exported;
    fs::create_directory(exported.Path() / "sub");
    TScriptedPrompter prompter;
    site.g.ExportSite(exported.Path().string(), prompter);

    TTempDir work;
    // The page declares no charset; the browser is told the one every page is written in.
    fs::create_directories(work.Path() / "profile/Default");
    work.Write("profile/Default/Preferences", R"({"intl":{"charset_default":"windows-1251"}})");
    const std::string dom = work.File("dom.html");
    const std::string command = "timeout 90 " + chromium +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --user-data-dir=" +
                                work.File("profile") + " --dump-dom '" + launcher.Urls.back() + "' >" + dom +
                                " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string shown = ReadAll(dom);

    // The page the browser shows is the exported page1.html: its title, every menu entry, its
    // text and its bar, in the export's order.
    const std::string written = ReadAll((exported.Path() / "page1.html").string());
    const std::vector<std::string> expected = ShownParts(written);
    ASSERT_EQ(expected.size(), 7u) << Cp1251ToUtf8(written);
    std::size_t at = 0;
    for (const std::string &part : expected) {
        const std::size_t found = shown.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << "\n---\n" << shown;
        at = found + part.size();
    }
    EXPECT_NE(shown.find("Текст страницы 1"), std::string::npos);
}

TEST(BrowserLauncher, StartsTheDesktopsDefaultWebBrowser)
{
    // A desktop whose default browser is a script that writes down the URL it was given.
    TTempDir desktop;
    fs::create_directories(desktop.Path() / "bin");
    fs::create_directories(desktop.Path() / "data/applications");
    const std::string seen = desktop.File("seen.txt");
    const std::string browser = desktop.File("bin/fake-browser");
    desktop.Write("bin/fake-browser", "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$2\" > " + seen + ".part && mv " +
                                          seen + ".part " + seen + "\n");
    desktop.Write("bin/xdg-settings",
                  "#!/bin/sh\n[ \"$*\" = \"get default-web-browser\" ] && echo fake.desktop\n");
    desktop.Write("data/applications/fake.desktop",
                  "[Desktop Action x]\nExec=wrong %u\n[Desktop Entry]\nName=Fake\nExec=" + browser +
                      " --new-window %U\n");
    for (const char *name : {"bin/fake-browser", "bin/xdg-settings"})
        fs::permissions(desktop.Path() / name, fs::perms::owner_all);

    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const char *oldData = std::getenv("XDG_DATA_HOME");
    const std::string savedData = oldData ? oldData : "";
    ::setenv("PATH", ((desktop.Path() / "bin").string() + ":" + oldPath).c_str(), 1);
    ::setenv("XDG_DATA_HOME", desktop.File("data").c_str(), 1);
    TDesktopBrowserLauncher launcher;
    const bool opened = launcher.Open("file:///tmp/x/index.html");
    ::setenv("PATH", oldPath.c_str(), 1);
    if (oldData)
        ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");

    ASSERT_TRUE(opened);
    // The browser runs detached; wait for it to write.
    for (int i = 0; i < 100 && !fs::exists(seen); ++i)
        ::usleep(50'000);
    EXPECT_EQ(ReadAll(seen), "--new-window|file:///tmp/x/index.html");
}
