#include "app/SiteFiles.h"

#include "app/ExportRecord.h"
#include "app/FileAccess.h"
#include "app/ProjectSettings.h"
#include "app/SafeSave.h"
#include "app/SiteAddress.h"
#include "app/Sitemap.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Prompter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvik {
namespace {

enum class TExisting
{
    Missing,
    Own,
    Foreign
};

// Whether the file at `path` may be replaced: missing, or a regular file that starts as this
// program writes it.
TExisting Existing(const std::string &path, bool (*isOwn)(std::string_view))
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return TExisting::Missing;
    if (!S_ISREG(info.st_mode))
        return TExisting::Foreign;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return TExisting::Foreign;
    std::string head(256, '\0');
    const ssize_t count = ::read(fd, head.data(), head.size());
    ::close(fd);
    head.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    return isOwn(head) ? TExisting::Own : TExisting::Foreign;
}

bool IsDirectory(const std::string &path)
{
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Message(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

} // namespace

std::vector<std::string> SiteFileNames(const TProjectSettings &settings)
{
    std::vector<std::string> names;
    if (settings.Sitemap() && !settings.BaseUrl().empty())
        names.emplace_back("sitemap.xml");
    if (settings.Robots())
        names.emplace_back("robots.txt");
    return names;
}

TSiteFilesReport WriteSiteFiles(const std::string &folder, const TProjectSettings &settings,
                                const TSiteGenerator &generator, const TChangedDate &changedDate)
{
    TSiteFilesReport report;
    auto path = [&](const std::string &name) { return folder + "/" + name; };

    std::optional<std::string> sitemapAddress;
    if (settings.Sitemap() && !settings.BaseUrl().empty()) {
        const std::string base = PublicBaseUrl(settings.BaseUrl());
        std::vector<TSitemapPage> pages;
        pages.reserve(static_cast<std::size_t>(generator.Pages().Count()));
        for (int i = 0; i < generator.Pages().Count(); ++i) {
            const std::string &url = generator.Pages()[i].PageUrl();
            pages.push_back({url, changedDate ? changedDate(Cp1251ToUtf8(url)) : std::nullopt});
        }
        const std::vector<TSiteFileText> files = SitemapFiles(base, pages);
        bool allOurs = true;
        for (const TSiteFileText &file : files) {
            if (Existing(path(file.Name), IsOwnSitemap) == TExisting::Foreign) {
                report.Kept.push_back(file.Name);
                allOurs = false;
            }
        }
        if (allOurs && !files.empty()) {
            for (const TSiteFileText &file : files) {
                ReplaceFile(path(file.Name), file.Bytes);
                report.Written.push_back(file.Name);
            }
            // The numbered files of an earlier export that needed more of them.
            for (std::size_t n = files.size() == 1 ? 1 : files.size();; ++n) {
                const std::string stale = path("sitemap" + std::to_string(n) + ".xml");
                if (Existing(stale, IsOwnSitemap) != TExisting::Own || ::unlink(stale.c_str()) != 0)
                    break;
            }
            sitemapAddress = PageAddress(base, "sitemap.xml");
        }
    }
    if (settings.Robots()) {
        if (Existing(path("robots.txt"), IsOwnRobots) == TExisting::Foreign) {
            report.Kept.push_back("robots.txt");
        } else {
            ReplaceFile(path("robots.txt"), RobotsText(sitemapAddress));
            report.Written.push_back("robots.txt");
        }
    }
    return report;
}

std::optional<TExportRecord> LoadPublishedFiles(const std::string &folder)
{
    std::optional<TExportRecord> record = TExportRecord::Load(folder);
    if (!record)
        return record;
    const auto add = [&](const std::string &name, bool (*isOwn)(std::string_view)) {
        const std::string path = folder + "/" + name;
        if (Existing(path, isOwn) != TExisting::Own)
            return false;
        const std::string bytes = ReadFileBytes(path);
        const std::string_view piece(bytes);
        TExportedFile &file = record->Files[name];
        file.Size = bytes.size();
        file.Sha256 = Sha256Hex(std::span(&piece, 1));
        return true;
    };
    if (add("sitemap.xml", IsOwnSitemap)) {
        for (int n = 1; add("sitemap" + std::to_string(n) + ".xml", IsOwnSitemap); ++n) {
        }
    }
    add("robots.txt", IsOwnRobots);
    return record;
}

void PublishSiteFiles(const TSiteGenerator &generator, const TProjectSettings &settings, TPrompter &prompter,
                      const std::optional<std::string> &folder, const TChangedDate &changedDate)
{
    if (!settings.Sitemap() && !settings.Robots())
        return;
    const std::string &model = folder ? *folder : generator.SavePath();
    if (!folder && (model.empty() || model.front() != '/'))
        return;
    const std::string directory = Cp1251ToUtf8(model);
    if (!IsDirectory(directory))
        return;
    if (settings.Sitemap() && settings.BaseUrl().empty()) {
        prompter.ask(MessageKind::Warning, Message("Файл sitemap.xml не записан: не задан адрес сайта"),
                     Buttons::Ok);
    }
    // Unless told otherwise, a page's last change is what the export record of the folder says.
    const TChangedDate recorded =
        changedDate ? changedDate : TChangedDate([&directory](const std::string &name) {
            return ExportRecordChangedDate(directory, name);
        });
    const TSiteFilesReport report = WriteSiteFiles(directory, settings, generator, recorded);
    if (report.Kept.empty())
        return;
    std::string names;
    for (const std::string &name : report.Kept)
        names += (names.empty() ? "" : ", ") + name;
    const bool one = report.Kept.size() == 1;
    prompter.ask(MessageKind::Warning,
                 Message(one ? "В папке выгрузки уже есть файл " : "В папке выгрузки уже есть файлы ") +
                     names +
                     Message(one ? ", записанный не программой; он оставлен как есть"
                                 : ", записанные не программой; они оставлены как есть"),
                 Buttons::Ok);
}

} // namespace zarvik
