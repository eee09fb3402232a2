#include "engine/ExportPlan.h"

#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/ExportLedger.h"
#include "engine/SiteRules.h"

#include <fcntl.h>
#include <map>
#include <set>

namespace zarvik {
namespace {

// Longer lists are cut short in messages: the first ones show what is wrong.
constexpr std::size_t ListedClashes = 10;
constexpr std::size_t ListedFiles = 20;

std::string Message(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

std::string Quoted(std::string_view utf8)
{
    return "\"" + Utf8ToCp1251(utf8) + "\"";
}

// "3 «Розы»", or the number alone for a page without a title.
std::string PageName(const TSitePages &pages, int index)
{
    const std::string &title = pages[index].PageTitle();
    return std::to_string(index) + (title.empty() ? "" : Message(" «") + title + Message("»"));
}

// "A", "A и B", "A, B и C".
std::string Enumeration(const std::vector<std::string> &items)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += i + 1 == items.size() ? Message(" и ") : ", ";
        out += items[i];
    }
    return out;
}

std::string AndMore(std::size_t count)
{
    return Message("… и ещё ") + std::to_string(count);
}

bool IsPlanned(const std::string &url)
{
    return !url.empty() && url.find('\0') == std::string::npos && PageUrlStaysInside(url);
}

} // namespace

std::string ExportFileName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '/' && (out.empty() || out.back() == '/'))
            continue;
        out += name[i];
    }
    return out;
}

std::vector<std::string> PlannedFiles(const TSitePages &pages)
{
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(pages.Count()) + 1);
    for (int i = 0; i < pages.Count(); ++i) {
        const std::string &url = pages[i].PageUrl();
        if (IsPlanned(url))
            names.push_back(Cp1251ToUtf8(url));
    }
    names.emplace_back(StyleSheetName);
    return names;
}

std::optional<std::string> PageFileClash(const TSitePages &pages, std::span<const std::string> reserved)
{
    std::set<std::string> own{std::string(StyleSheetName)};
    for (const std::string &name : reserved)
        own.insert(ExportFileName(name));
    // Files in the order their first page comes, with every page that names them.
    std::map<std::string, std::size_t> slots;
    std::vector<std::pair<std::string, std::vector<int>>> files;
    for (int i = 0; i < pages.Count(); ++i) {
        const std::string &url = pages[i].PageUrl();
        if (!IsPlanned(url))
            continue;
        std::string name = ExportFileName(Cp1251ToUtf8(url));
        const auto [slot, added] = slots.emplace(name, files.size());
        if (added)
            files.emplace_back(std::move(name), std::vector<int>{});
        files[slot->second].second.push_back(i);
    }
    std::vector<std::string> lines;
    for (const auto &[name, holders] : files) {
        std::vector<std::string> names;
        for (const int page : holders)
            names.push_back(PageName(pages, page));
        if (own.count(name)) {
            lines.push_back(Message(holders.size() == 1 ? "Страница " : "Страницы ") + Enumeration(names) +
                            Message(holders.size() == 1 ? " выгружается в файл " : " выгружаются в файл ") +
                            Quoted(name) + Message(", который программа записывает сама"));
        } else if (holders.size() > 1) {
            lines.push_back(Message("Страницы ") + Enumeration(names) + Message(" выгружаются в один файл ") +
                            Quoted(name));
        }
    }
    if (lines.empty())
        return std::nullopt;
    std::string text = Message("Сайт не выгружен: страницы затёрли бы друг друга или файлы сайта");
    for (std::size_t i = 0; i < lines.size() && i < ListedClashes; ++i)
        text += "\r" + lines[i];
    if (lines.size() > ListedClashes)
        text += "\r" + AndMore(lines.size() - ListedClashes);
    return text + "\r" + Message("Задайте этим страницам другие адреса");
}

std::vector<std::string> ForeignFiles(std::span<const std::string> planned, const TFileResolver &resolve,
                                      const TExportLedger &ledger)
{
    std::vector<std::string> foreign;
    std::map<std::string, const std::string *> seen;
    for (const std::string &name : planned) {
        const std::optional<std::string> path = resolve(name);
        if (!path)
            continue;
        const auto [other, added] = seen.emplace(*path, &name);
        if (!added) {
            throw EError(Message("Сайт не выгружен: адреса ") + Quoted(*other->second) + Message(" и ") +
                         Quoted(name) + Message(" ведут к одному файлу в папке выгрузки"));
        }
        struct stat info;
        if (::fstatat(AT_FDCWD, path->c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(info.st_mode) ||
            S_ISLNK(info.st_mode))
            continue;
        if (!ledger.Owns(name, info))
            foreign.push_back(name);
    }
    return foreign;
}

std::string ForeignFilesQuestion(std::string_view folder, std::span<const std::string> files)
{
    const bool one = files.size() == 1;
    std::string text = Message("В папке ") + Quoted(folder) +
                       Message(one ? " уже есть файл, который Zarvik не создавал:"
                                   : " уже есть файлы, которые Zarvik не создавал:");
    for (std::size_t i = 0; i < files.size() && i < ListedFiles; ++i)
        text += "\r" + Utf8ToCp1251(files[i]);
    if (files.size() > ListedFiles)
        text += "\r" + AndMore(files.size() - ListedFiles);
    return text + "\r" + Message(one ? "Заменить его?" : "Заменить их?");
}

} // namespace zarvik
