#include "app/StalePages.h"

#include "app/ExportRecord.h"
#include "app/FileAccess.h"
#include "app/FileHandle.h"
#include "app/ProjectCheck.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Prompter.h"
#include "engine/SiteRules.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvik {
namespace {

// The template's literal text between placeholders, in order.
std::vector<std::string_view> TemplatePieces(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    while (true) {
        std::size_t best = std::string_view::npos;
        std::size_t bestLength = 0;
        for (std::string_view name : Placeholders) {
            const std::size_t at = text.find(name, from);
            if (at < best) {
                best = at;
                bestLength = name.size();
            }
        }
        if (best == std::string_view::npos) {
            pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, best - from));
        from = best + bestLength;
    }
}

// The export folder, opened for the look-ups below.
TFileHandle OpenFolder(const std::string &path)
{
    return TFileHandle(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// A descriptor of the folder that holds `name` (a checked record name, maybe in sub-folders)
// inside the folder open as `folder`, reached without following links, and the file's own name;
// -1 when there is no such folder. The caller closes a descriptor other than `folder`.
int OpenHolder(int folder, const std::string &name, std::string &leaf)
{
    int holder = folder;
    std::size_t from = 0;
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', from)) {
        const std::string part = name.substr(from, slash - from);
        const int next = ::openat(holder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (holder != folder)
            ::close(holder);
        if (next < 0)
            return -1;
        holder = next;
        from = slash + 1;
    }
    leaf = name.substr(from);
    return holder;
}

// Whether the record lists `name` and the file is still as the export left it; when `remove`,
// deletes it then.
bool RecordedFile(int folder, const TExportRecord &record, const std::string &name, bool remove)
{
    const auto found = record.Files.find(name);
    if (found == record.Files.end())
        return false;
    std::string leaf;
    const int holder = OpenHolder(folder, name, leaf);
    if (holder < 0)
        return false;
    struct stat info;
    bool ok =
        ::fstatat(holder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && IsAsRecorded(found->second, info);
    if (ok && remove)
        ok = ::unlinkat(holder, leaf.c_str(), 0) == 0;
    if (holder != folder)
        ::close(holder);
    return ok;
}

// "Папка: ..." for the details of a message about the export folder `folder` (UTF-8).
std::string FolderDetails(const std::string &folder)
{
    return Utf8ToCp1251("Папка: " + folder);
}

} // namespace

bool MatchesTemplate(std::string_view file, std::string_view templateText)
{
    const std::vector<std::string_view> pieces = TemplatePieces(templateText);
    // A template of placeholders and white space alone has no text of its own to tell its pages
    // by.
    if (std::all_of(pieces.begin(), pieces.end(), [](std::string_view piece) {
            return piece.find_first_not_of(" \t\r\n") == std::string_view::npos;
        }))
        return false;
    if (pieces.size() == 1)
        return file == pieces.front();
    if (!file.starts_with(pieces.front()) || !file.ends_with(pieces.back()) ||
        file.size() < pieces.front().size() + pieces.back().size())
        return false;
    std::size_t at = pieces.front().size();
    const std::size_t limit = file.size() - pieces.back().size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        const std::size_t found = file.find(pieces[i], at);
        if (found == std::string_view::npos || found + pieces[i].size() > limit)
            return false;
        at = found + pieces[i].size();
    }
    return true;
}

std::vector<std::string> PrunablePages(const TSiteGenerator &, const TCheckResult &check)
{
    std::vector<std::string> names;
    if (check.ExportFolder.empty())
        return names;
    const TFileHandle folder = OpenFolder(check.ExportFolder);
    if (folder.Get() < 0)
        return names;
    // The record alone says which files the export wrote: without one, none is known to be.
    const std::optional<TExportRecord> record = TExportRecord::Load(check.ExportFolder);
    if (!record)
        return names;
    for (const TFinding &finding : check.Findings) {
        if (finding.Kind == TFindingKind::StalePage &&
            RecordedFile(folder.Get(), *record, finding.FileName, false))
            names.push_back(finding.FileName);
    }
    return names;
}

std::vector<std::string> DeletePages(const std::string &folderPath, const std::vector<std::string> &names)
{
    std::vector<std::string> deleted;
    const TFileHandle folder = OpenFolder(folderPath);
    if (folder.Get() < 0)
        return deleted;
    const std::optional<TExportRecord> record = TExportRecord::Load(folderPath);
    if (!record)
        return deleted;
    for (const std::string &name : names) {
        // Looked at again right before deleting: the folder may have changed since the check.
        if (RecordedFile(folder.Get(), *record, name, true))
            deleted.push_back(name);
    }
    if (!deleted.empty())
        ForgetExportedFiles(folderPath, deleted);
    return deleted;
}

std::vector<std::string> PruneStalePages(const TSiteGenerator &generator, const TCheckResult &check,
                                         TPrompter &prompter)
{
    if (check.ExportFolder.empty()) {
        // The check says why there is no folder (none set, missing, a relative SavePath).
        for (const TFinding &finding : check.Findings) {
            if (finding.Kind == TFindingKind::NoExportFolder) {
                prompter.ask(MessageKind::Error, finding.Message, Buttons::Ok);
                return {};
            }
        }
    }
    const bool anyStale = std::any_of(check.Findings.begin(), check.Findings.end(),
                                      [](const TFinding &f) { return f.Kind == TFindingKind::StalePage; });
    if (anyStale && !TExportRecord::Load(check.ExportFolder)) {
        prompter.AskWithDetails(
            MessageKind::Information,
            Utf8ToCp1251("Ничего не удалено: в папке выгрузки нет записи о том, какие файлы создал Zarvik. "
                         "Выгрузите сайт в эту папку один раз, и тогда устаревшие страницы можно будет "
                         "удалить"),
            FolderDetails(check.ExportFolder), Buttons::Ok);
        return {};
    }
    const std::vector<std::string> names = PrunablePages(generator, check);
    if (names.empty()) {
        prompter.ask(MessageKind::Information, Utf8ToCp1251("Устаревших страниц в папке выгрузки нет"),
                     Buttons::Ok);
        return {};
    }
    std::string question =
        Utf8ToCp1251("Удалить устаревшие страницы из папки выгрузки (") + std::to_string(names.size()) + ")?";
    for (const std::string &name : names)
        question += "\r" + Utf8ToCp1251(name);
    if (prompter.AskWithDetails(MessageKind::Warning, question, FolderDetails(check.ExportFolder),
                                Buttons::YesNo) != Answer::Yes)
        return {};
    return DeletePages(check.ExportFolder, names);
}

} // namespace zarvik
