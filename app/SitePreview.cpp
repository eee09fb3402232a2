#include "app/SitePreview.h"

#include "app/BrowserLauncher.h"
#include "app/ExportRecord.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/SiteRules.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

// Answers the export's question with No (the pages keep their bodies) and every other message
// with OK, without showing anything.
class TSilentPrompter : public TPrompter
{
public:
    Answer ask(MessageKind, std::string_view, Buttons buttons) override
    {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }
};

// Keeps the menu and the pagination bars that the rendering rebuilds, and puts them back.
class TNavigationKeeper
{
public:
    explicit TNavigationKeeper(TSiteGenerator &generator)
        : FGenerator(generator)
        , FMenu(generator.SiteMenu())
    {
        const TSitePages &pages = generator.Pages();
        FBars.reserve(static_cast<std::size_t>(pages.Count()));
        for (int i = 0; i < pages.Count(); ++i)
            FBars.push_back(pages[i].Pagination());
    }
    TNavigationKeeper(const TNavigationKeeper &) = delete;
    TNavigationKeeper &operator=(const TNavigationKeeper &) = delete;
    ~TNavigationKeeper()
    {
        FGenerator.SetSiteMenu(std::move(FMenu));
        TSitePages &pages = FGenerator.Pages();
        for (int i = 0; i < pages.Count(); ++i)
            pages[i].SetPagination(std::move(FBars[static_cast<std::size_t>(i)]));
    }

private:
    TSiteGenerator &FGenerator;
    std::string FMenu;
    std::vector<TBarText> FBars;
};

} // namespace

TPreviewFolders::~TPreviewFolders()
{
    for (const std::string &folder : FFolders) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
}

std::string TPreviewFolders::Create()
{
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string pattern = (base / "zarvik-preview-XXXXXX").string();
    // mkdtemp makes the folder with mode 0700: other users cannot read or plant files there.
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw EError(CannotCreateFileMessage(pattern, errno));
    }
    FFolders.push_back(pattern);
    return pattern;
}

std::string ProjectPreviewFolder(const std::string &projectPath)
{
    fs::path cache;
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') {
        cache = xdg;
    } else {
        const char *home = std::getenv("HOME");
        if ((!home || home[0] != '/') && ::getpwuid(::getuid()))
            home = ::getpwuid(::getuid())->pw_dir;
        cache = fs::path(home && home[0] == '/' ? home : "/tmp") / ".cache";
    }
    std::error_code ec;
    fs::path project = fs::weakly_canonical(fs::absolute(projectPath, ec), ec);
    if (project.empty())
        project = fs::absolute(projectPath, ec).lexically_normal();
    const std::string whole = project.string();
    const std::string_view pieces[] = {whole};
    return (cache / "zarvik" / "preview" / (project.stem().string() + "-" + Sha256Hex(pieces).substr(0, 16)))
        .string();
}

void RenewPreviewFolder(const std::string &folder)
{
    std::error_code ec;
    const fs::path path(folder);
    fs::create_directories(path.parent_path(), ec);
    // The preview's own part of the cache, readable by its owner only.
    if (!ec)
        fs::permissions(path.parent_path(), fs::perms::owner_all, ec);
    fs::remove_all(path, ec);
    if (ec || ::mkdir(folder.c_str(), 0700) != 0)
        throw EError(CannotCreateFileMessage(folder, ec ? ec.value() : errno));
}

void RenderPreview(TSiteGenerator &generator, const std::string &folder)
{
    // The preview folder starts empty, so it gets the sub-folders that the pages are filed in;
    // URLs that would leave the folder are left to the export, which refuses them.
    const TSitePages &pages = generator.Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        const std::string &url = pages[i].PageUrl();
        const std::size_t slash = url.rfind('/');
        if (slash == std::string::npos || slash == 0 || !PageUrlStaysInside(url))
            continue;
        std::error_code ec;
        fs::create_directories(fs::path(folder) / Cp1251ToUtf8(url.substr(0, slash)), ec);
    }
    TNavigationKeeper keeper(generator);
    TSilentPrompter prompter;
    generator.ExportSite(Utf8ToCp1251(folder), prompter);
}

std::string PreviewPagePath(const std::string &folder, const std::string &pageUrl)
{
    if (!pageUrl.empty()) {
        const fs::path page = fs::path(folder) / Cp1251ToUtf8(pageUrl);
        std::error_code ec;
        if (fs::is_regular_file(page, ec))
            return page.string();
    }
    return (fs::path(folder) / "index.html").string();
}

std::string OpenPreview(TSiteGenerator &generator, TPreviewFolders &folders, TBrowserLauncher &launcher,
                        const std::string &pageUrl)
{
    const std::string folder = folders.Create();
    RenderPreview(generator, folder);
    const std::string path = PreviewPagePath(folder, pageUrl);
    if (!launcher.Open(FileUrl(path)))
        throw EError(Utf8ToCp1251("Не удалось открыть браузер для просмотра \"") + Utf8ToCp1251(path) + "\"");
    return path;
}

} // namespace zarvik
