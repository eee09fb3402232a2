#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/ExportLedger.h"
#include "engine/ExportPlan.h"
#include "engine/PieceText.h"
#include "engine/SiteRules.h"
#include "engine/WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarvik {
namespace {

std::string Message(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

// Fills the template for one page. Each placeholder is replaced in turn over the text produced
// so far, so text inserted by one step is searched by the later steps only. The page is left as
// views into the model's strings (a shared bar's row included) and into `title` and `bar`, which
// must outlive them.
void RenderPage(const TSiteGenerator &site, const TSitePage &page, TPieceText &out, std::string &title,
                std::vector<std::string_view> &bar)
{
    title.clear();
    title.append(site.SiteTitle()).append(PageTitleSeparator).append(page.PageTitle());
    bar.clear();
    page.Pagination().AppendSlices(bar);

    out.Assign(site.SiteTemplate());
    out.ReplaceAll(PlaceholderName(TPlaceholder::Menu), site.SiteMenu());
    out.ReplaceAll(PlaceholderName(TPlaceholder::MainText), page.PageHTML());
    out.ReplaceAll(PlaceholderName(TPlaceholder::Pagination), bar);
    out.ReplaceAll(PlaceholderName(TPlaceholder::Header), site.SiteHeader());
    out.ReplaceAll(PlaceholderName(TPlaceholder::Footer), site.SiteFooter());
    out.ReplaceAll(PlaceholderName(TPlaceholder::Adsense), site.AdsenseCode());
    out.ReplaceAll(PlaceholderName(TPlaceholder::Title), title);
    static_assert(Placeholders.size() == 7);
}

// The texts that every page inserts are searched once for the placeholders of the later steps:
// the menu, the row of page links that the bars share, the header, footer and ad block.
void RememberSiteTexts(const TSiteGenerator &site, TPieceText &out)
{
    const std::span<const std::string_view> all(Placeholders);
    const auto after = [&](TPlaceholder step) { return all.subspan(static_cast<std::size_t>(step) + 1); };
    out.Forget();
    out.Remember(site.SiteTemplate(), all);
    out.Remember(site.SiteMenu(), after(TPlaceholder::Menu));
    if (site.Pages().Count() > 0) {
        if (const TNavigationRow *row = site.Pages()[0].Pagination().Row())
            out.Remember(row->Text(), after(TPlaceholder::Pagination));
    }
    out.Remember(site.SiteHeader(), after(TPlaceholder::Header));
    out.Remember(site.SiteFooter(), after(TPlaceholder::Footer));
    out.Remember(site.AdsenseCode(), after(TPlaceholder::Adsense));
}

[[noreturn]] void ThrowCreateError(const std::string &path, int error)
{
    throw EError(CannotCreateFileMessage(path, error));
}

[[noreturn]] void ThrowOutsideError(const std::string &url)
{
    throw EError(Message("Адрес страницы \"") + url + Message("\" указывает за пределы папки выгрузки"));
}

std::optional<std::string> RealPath(const std::string &path)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return std::nullopt;
    std::string out(real);
    std::free(real);
    return out;
}

bool IsUnder(std::string_view path, std::string_view root)
{
    if (root == "/")
        return true;
    return path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
}

std::string ReadLink(const std::string &path)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// The export folder, resolved once, and the project file that must never be overwritten.
struct TExportFolder
{
    std::string Root;
    bool HasProjectFile = false;
    dev_t ProjectDevice = 0;
    ino_t ProjectInode = 0;

    // The path to create for `name` (a name inside the folder, already checked by
    // PageUrlStaysInside), with every symbolic link on the way followed, dangling ones included;
    // nothing when the path ends up outside the folder. Parts that do not exist are left for the
    // open to report.
    std::optional<std::string> Resolve(const std::string &name) const
    {
        std::string path = Root + "/" + name;
        for (int hop = 0; hop < 40; ++hop) {
            const std::size_t slash = path.rfind('/');
            const std::string leaf = path.substr(slash + 1);
            const std::optional<std::string> parent = RealPath(slash == 0 ? "/" : path.substr(0, slash));
            if (!parent)
                return path;
            if (!IsUnder(*parent, Root))
                return std::nullopt;
            if (leaf.empty() || leaf == "." || leaf == "..") {
                const std::optional<std::string> real = RealPath(path);
                if (real && !IsUnder(*real, Root))
                    return std::nullopt;
                return path;
            }
            const std::string full = *parent == "/" ? "/" + leaf : *parent + "/" + leaf;
            struct stat info;
            if (::lstat(full.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
                return full;
            const std::string target = ReadLink(full);
            if (target.empty())
                return full;
            path = target.front() == '/' ? target : *parent + "/" + target;
        }
        // Too many links: the open refuses to follow the last one.
        return path;
    }

    bool IsProjectFile(const std::string &path) const
    {
        struct stat info;
        return HasProjectFile && ::stat(path.c_str(), &info) == 0 && info.st_dev == ProjectDevice &&
               info.st_ino == ProjectInode;
    }
};

// Descriptors of the folders the export writes into, the last one kept open for the next file.
// Each is opened from the export folder's own descriptor without following links, so a folder
// swapped for a link after Resolve looked at it is refused instead of written through.
class TFolderHandles
{
public:
    // `root` is the export folder, resolved; `path` names it in the error thrown when it cannot
    // be opened.
    TFolderHandles(const std::string &root, const std::string &path)
        : FRootPath(root)
        , FRoot(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
    {
        if (FRoot < 0)
            ThrowCreateError(path, errno);
    }
    TFolderHandles(const TFolderHandles &) = delete;
    TFolderHandles &operator=(const TFolderHandles &) = delete;
    ~TFolderHandles()
    {
        Close();
        ::close(FRoot);
    }

    // A descriptor of the folder `folder` (a resolved path inside the root); `path` names the
    // file to be made there in the error thrown when it cannot be opened.
    int Open(const std::string &folder, const std::string &path)
    {
        if (FHandle >= 0 && folder == FFolder)
            return FHandle;
        Close();
        if (!IsUnder(folder, FRootPath))
            ThrowCreateError(path, EXDEV);
        const std::size_t skip = FRootPath == "/" ? 1 : FRootPath.size() + 1;
        FHandle = OpenFolderBeneath(FRoot, folder.size() > skip ? folder.substr(skip) : std::string());
        if (FHandle < 0)
            ThrowCreateError(path, errno == ENOTDIR ? ENOENT : errno);
        FFolder = folder;
        return FHandle;
    }

private:
    void Close()
    {
        if (FHandle >= 0)
            ::close(FHandle);
        FHandle = -1;
    }

    std::string FRootPath;
    int FRoot;
    std::string FFolder;
    int FHandle = -1;
};

bool IsDirectory(const std::string &path)
{
    struct stat info;
    return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

} // namespace

std::string TSiteGenerator::TemplateProcessingF(int index) const
{
    const TSitePage &page = FPages.Items(index);
    TPieceText pieces;
    std::string title;
    std::vector<std::string_view> bar;
    RenderPage(*this, page, pieces, title, bar);
    std::string out;
    pieces.AppendTo(out);
    return out;
}

TExportCounts TSiteGenerator::ExportSite(const std::string &folder, TPrompter &prompter,
                                         TExportLedger *ledger)
{
    return ExportInto(folder, false, prompter, ledger);
}

TExportCounts TSiteGenerator::SiteImport(TPrompter &prompter, TExportLedger *ledger)
{
    return ExportInto(FSavePath, true, prompter, ledger);
}

TExportCounts TSiteGenerator::ExportInto(const std::string &folder, bool storedFolder, TPrompter &prompter,
                                         TExportLedger *ledger)
{
    if (!FLinksWasSetted && prompter.ask(MessageKind::Warning, Message("Ссылки не расставлены!\rРасставить?"),
                                         Buttons::YesNo) == Answer::Yes)
        SetLinks(prompter);
    GeneratePag();

    // A folder stored in a project file may come from someone else's machine; taken relative to
    // wherever the program was started, it could aim anywhere.
    if (storedFolder && !folder.empty() && folder.front() != '/') {
        prompter.ask(MessageKind::Error,
                     Message("Папка выгрузки \"") + folder +
                         Message("\" задана относительным путём. Укажите полный путь к папке"),
                     Buttons::Ok);
        return {};
    }
    // Model text is Windows-1251; the file system takes UTF-8 names.
    const std::string directory = Cp1251ToUtf8(folder);
    std::optional<std::string> root;
    if (IsDirectory(directory))
        root = RealPath(directory);
    if (!root) {
        prompter.ask(MessageKind::Error, Message("Указанный каталог не существует"), Buttons::Ok);
        return {};
    }
    TExportFolder target;
    target.Root = *root;
    if (!FProjectFilePath.empty()) {
        const std::string project = Cp1251ToUtf8(FProjectFilePath);
        struct stat info;
        if (project.find('\0') == std::string::npos && ::stat(project.c_str(), &info) == 0) {
            target.HasProjectFile = true;
            target.ProjectDevice = info.st_dev;
            target.ProjectInode = info.st_ino;
        }
    }
    TFolderHandles folders(target.Root, directory);
    TExportCounts counts;
    // Puts `bytes` into the file of `url` (model text), checked to stay inside the folder and to
    // spare the project, unless the ledger knows the file already holds them.
    auto put = [&](const std::string &url, std::span<const std::string_view> bytes) {
        const std::string name = Cp1251ToUtf8(url);
        const std::string path = directory + "/" + name;
        if (name.find('\0') != std::string::npos)
            ThrowCreateError(path, EINVAL);
        const std::optional<std::string> resolved = target.Resolve(name);
        if (!resolved)
            ThrowOutsideError(url);
        if (target.IsProjectFile(*resolved)) {
            throw EError(Message("Адрес страницы \"") + url +
                         Message("\" совпадает с файлом выгружаемого проекта"));
        }
        const std::size_t slash = resolved->rfind('/');
        const std::string leaf = resolved->substr(slash + 1);
        const int parent = folders.Open(slash == 0 ? "/" : resolved->substr(0, slash), path);
        if (leaf.empty() || leaf == "." || leaf == "..")
            ThrowCreateError(path, EISDIR);
        struct stat existing;
        const struct stat *onDisk = nullptr;
        if (::fstatat(parent, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            // A link left at the end of too long a chain is not followed, nor replaced.
            if (S_ISLNK(existing.st_mode))
                ThrowCreateError(path, ELOOP);
            if (S_ISDIR(existing.st_mode))
                ThrowCreateError(path, EISDIR);
            onDisk = &existing;
        }
        if (ledger && ledger->Unchanged(name, bytes, onDisk)) {
            ++counts.Unchanged;
            return;
        }
        TWholeFile file(parent, path);
        file.Write(bytes);
        const struct stat written = file.Commit(leaf);
        ++counts.Written;
        if (ledger)
            ledger->Written(name, bytes, written);
    };

    int rootHandle = -1;
    if (ledger) {
        rootHandle = ::open(target.Root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (rootHandle < 0)
            ThrowCreateError(directory, errno);
        ledger->Begin(rootHandle, target.Root);
    }
    const auto closeRoot = [&] {
        if (rootHandle >= 0)
            ::close(rootHandle);
        rootHandle = -1;
    };
    // Before a byte is written: each page needs a file of its own, and files of the folder that
    // the export did not write are replaced only when the user says so.
    std::vector<std::string> foreign;
    try {
        if (const std::optional<std::string> clash =
                PageFileClash(FPages, ledger ? ledger->ReservedNames() : std::vector<std::string>()))
            throw EError(*clash);
        if (ledger) {
            // Looking at every planned file takes a while in a big folder: it reports as the
            // start of the export, so that a progress display can come up meanwhile.
            const auto pageCount = static_cast<std::size_t>(FPages.Count());
            foreign = ForeignFiles(
                PlannedFiles(FPages),
                [&](const std::string &name) {
                    ReportProgress(0, pageCount);
                    // The project file is refused by the export itself, never offered for replacing.
                    std::optional<std::string> path = target.Resolve(name);
                    return path && target.IsProjectFile(*path) ? std::nullopt : path;
                },
                *ledger);
        }
    } catch (...) {
        if (ledger)
            ledger->Finish(rootHandle, false);
        closeRoot();
        throw;
    }
    if (!foreign.empty() && prompter.ask(MessageKind::Warning, ForeignFilesQuestion(target.Root, foreign),
                                         Buttons::YesNoDefaultNo) != Answer::Yes) {
        ledger->Finish(rootHandle, false);
        closeRoot();
        TExportCounts stopped;
        stopped.Stopped = true;
        return stopped;
    }
    try {
        const auto count = static_cast<std::size_t>(FPages.Count());
        ReportProgress(0, count);
        TPieceText rendered;
        RememberSiteTexts(*this, rendered);
        std::string title;
        std::vector<std::string_view> bar;
        for (std::size_t i = 0; i < count; ++i) {
            const TSitePage &page = FPages[static_cast<int>(i)];
            if (!PageUrlStaysInside(page.PageUrl()))
                ThrowOutsideError(page.PageUrl());
            RenderPage(*this, page, rendered, title, bar);
            put(page.PageUrl(), rendered.Pieces());
            ReportProgress(i + 1, count);
        }
        const std::string_view style[] = {FCssCode};
        put("style.css", style);
        if (ledger)
            ledger->Finish(rootHandle, true);
    } catch (...) {
        if (ledger && rootHandle >= 0)
            ledger->Finish(rootHandle, false);
        closeRoot();
        throw;
    }
    closeRoot();
    prompter.AskWithDetails(MessageKind::Information, Message("Сайт успешно выгружен!"),
                            Message("Папка: ") + Utf8ToCp1251(target.Root), Buttons::Ok);
    return counts;
}

} // namespace zarvik
