#include "app/ProjectCheck.h"

#include "app/CharsetDeclaration.h"
#include "app/ExportRecord.h"
#include "app/TemplateLint.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Navigation.h"
#include "engine/SiteRules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

std::string Ru(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string PageName(const TSitePage &page, int index)
{
    return Ru("Страница ") + std::to_string(index) +
           (page.PageUrl().empty() ? "" : " (" + page.PageUrl() + ")");
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool HasHighByte(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::vector<std::string_view> UrlParts(std::string_view url)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= url.size()) {
        std::size_t end = url.find('/', start);
        if (end == std::string_view::npos)
            end = url.size();
        parts.push_back(url.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A relative link resolved against the folder of the page it stands on; nothing when it climbs
// above the site's folder.
std::optional<std::string> ResolveLink(std::string_view pageUrl, std::string_view href)
{
    std::vector<std::string> parts;
    const std::size_t slash = pageUrl.rfind('/');
    if (slash != std::string_view::npos) {
        for (std::string_view part : UrlParts(pageUrl.substr(0, slash)))
            parts.emplace_back(part);
    }
    for (std::string_view part : UrlParts(href)) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return std::nullopt;
            parts.pop_back();
        } else {
            parts.emplace_back(part);
        }
    }
    std::string out;
    for (const std::string &part : parts)
        out += (out.empty() ? "" : "/") + part;
    return out;
}

// The target of a link that should name a file of the site: no scheme, no absolute path, no
// in-page anchor. The query and the fragment are cut off.
std::optional<std::string> SiteTarget(std::string_view href)
{
    if (href.empty() || href.front() == '#' || href.front() == '/' || href.front() == '?')
        return std::nullopt;
    const std::size_t colon = href.find(':');
    if (colon != std::string_view::npos && colon < href.find('/'))
        return std::nullopt;
    const std::size_t cut = href.find_first_of("?#");
    return std::string(href.substr(0, cut));
}

std::vector<std::string_view> Hrefs(std::string_view html)
{
    std::vector<std::string_view> hrefs;
    constexpr std::string_view Opening = "href=\"";
    for (std::size_t at = html.find(Opening); at != std::string_view::npos; at = html.find(Opening, at + 1)) {
        const std::size_t start = at + Opening.size();
        const std::size_t quote = html.find('"', start);
        if (quote == std::string_view::npos)
            break;
        hrefs.push_back(html.substr(start, quote - start));
    }
    return hrefs;
}

class TChecker
{
public:
    using TProgress = std::function<void(std::size_t done, std::size_t total)>;

    // The passes over the pages that report progress, one step per page each, and one step for
    // the size estimate at the end.
    static constexpr std::size_t PagePasses = 3;

    TChecker(const TSiteGenerator &generator, TCheckResult &result, const TProgress &progress)
        : FGenerator(generator)
        , FResult(result)
        , FProgress(progress)
        , FTotal(PagePasses * static_cast<std::size_t>(generator.Pages().Count()) + 1)
    {
        if (FProgress)
            FProgress(0, FTotal);
    }

    // One step more is done.
    void Step()
    {
        ++FDone;
        if (FProgress)
            FProgress(FDone, FTotal);
    }

    void Add(TFindingKind kind, int page, std::string message, std::string fileName = {})
    {
        FResult.Findings.push_back({kind, page, std::move(fileName), std::move(message), {}});
    }

    void CheckUrls(const std::optional<fs::path> &folder)
    {
        const TSitePages &pages = FGenerator.Pages();
        std::map<std::string, int> first;
        for (int i = 0; i < pages.Count(); ++i) {
            Step();
            const std::string &url = pages[i].PageUrl();
            if (url.empty()) {
                Add(TFindingKind::EmptyUrl, i,
                    PageName(pages[i], i) + Ru(": пустой адрес, выгрузка на ней остановится"));
                continue;
            }
            const auto [it, inserted] = first.emplace(url, i);
            if (!inserted) {
                Add(TFindingKind::DuplicateUrl, i,
                    PageName(pages[i], i) + Ru(": тот же адрес, что у страницы ") +
                        std::to_string(it->second) + Ru(", в папке останется только одна из них"));
            }
            if (!PageUrlStaysInside(url)) {
                Add(TFindingKind::RefusedUrl, i,
                    PageName(pages[i], i) +
                        Ru(": адрес указывает за пределы папки выгрузки или на скрытый файл, "
                           "выгрузка его не запишет"));
                continue;
            }
            const std::size_t slash = url.rfind('/');
            if (folder && slash != std::string::npos) {
                std::error_code ec;
                if (!fs::is_directory(*folder / Cp1251ToUtf8(url.substr(0, slash)), ec)) {
                    Add(TFindingKind::MissingFolder, i,
                        PageName(pages[i], i) + Ru(": в папке выгрузки нет папки ") +
                            Quoted(url.substr(0, slash)));
                }
            }
        }
    }

    void CheckTemplate()
    {
        const std::string &text = FGenerator.SiteTemplate();
        const std::string_view mainText = PlaceholderName(TPlaceholder::MainText);
        const TTemplateLint lint = LintTemplate(text);
        if (lint.MainTextCount == 0)
            Add(TFindingKind::NoMainText, -1,
                Ru("В шаблоне нет ") + std::string(mainText) + Ru(": страницы выйдут без текста"));
        else if (lint.MainTextCount > 1)
            Add(TFindingKind::RepeatedMainText, -1,
                Ru("В шаблоне ") + std::string(mainText) + Ru(" стоит ") +
                    std::to_string(lint.MainTextCount) +
                    Ru(" раза: текст страницы выйдет на ней столько же раз"));

        std::set<std::string> reported;
        for (const TPlaceholderSlip &slip : lint.Slips) {
            if (reported.insert(slip.Word).second) {
                Add(TFindingKind::MisspeltPlaceholder, -1,
                    Ru("В шаблоне ") + Quoted(slip.Word) +
                        Ru(" похоже на заполнитель, но не совпадает ни с одним из них"));
                if (!slip.Suggestion.empty())
                    FResult.Findings.back().Hint = Ru("может быть, ") + slip.Suggestion + "?";
            }
        }

        bool cp1251 = HasHighByte(FGenerator.SiteTitle()) || HasHighByte(FGenerator.AdsenseCode());
        const TSitePages &pages = FGenerator.Pages();
        for (int i = 0; i < pages.Count() && !cp1251; ++i) {
            cp1251 = HasHighByte(pages[i].PageHTML()) || HasHighByte(pages[i].PageText()) ||
                     HasHighByte(pages[i].PageTitle());
        }
        if (!cp1251)
            return;
        const std::string charset = DeclaredCharset(text);
        if (charset.empty()) {
            Add(TFindingKind::NoCharset, -1,
                Ru("В шаблоне не объявлена кодировка (charset), а страницы в Windows-1251: браузер может "
                   "показать их неверно"));
        } else {
            const std::string name = AsciiUpper(charset);
            if (name != "WINDOWS-1251" && name != "CP1251" && name != "X-CP1251") {
                Add(TFindingKind::OtherCharset, -1,
                    Ru("В шаблоне объявлена кодировка ") + Quoted(charset) +
                        Ru(", а страницы в Windows-1251"));
            }
        }
    }

    void CheckLinks(const std::optional<fs::path> &folder)
    {
        const TSitePages &pages = FGenerator.Pages();
        std::set<std::string> files;
        for (int i = 0; i < pages.Count(); ++i)
            files.insert(ResolveLink("", pages[i].PageUrl()).value_or(pages[i].PageUrl()));
        files.insert("style.css");
        const auto deadTarget = [&](std::string_view pageUrl,
                                    std::string_view href) -> std::optional<std::string> {
            const auto target = SiteTarget(href);
            if (!target)
                return std::nullopt;
            const auto resolved = ResolveLink(pageUrl, *target);
            if (resolved && files.count(*resolved))
                return std::nullopt;
            if (resolved && !resolved->empty() && folder) {
                std::error_code ec;
                if (fs::exists(*folder / Cp1251ToUtf8(*resolved), ec))
                    return std::nullopt;
            }
            // An empty target stays on the page itself.
            if (resolved && resolved->empty())
                return std::nullopt;
            return *target;
        };
        // Every bar links every page, so the same targets come up again and again.
        std::unordered_map<std::string, std::optional<std::string>> known;
        const auto dead = [&](std::string_view pageUrl, std::string_view href) -> std::optional<std::string> {
            const std::size_t slash = pageUrl.rfind('/');
            std::string key(slash == std::string_view::npos ? std::string_view() : pageUrl.substr(0, slash));
            key.append(1, '\0').append(href);
            if (const auto it = known.find(key); it != known.end())
                return it->second;
            return known[key] = deadTarget(pageUrl, href);
        };

        std::set<std::string> menuReported;
        for (std::string_view href : Hrefs(FGenerator.SiteMenu())) {
            if (const auto target = dead("", href); target && menuReported.insert(*target).second) {
                Add(TFindingKind::DeadLink, -1,
                    Ru("Меню ссылается на ") + Quoted(*target) +
                        Ru(", такой страницы нет (меню обновится при выгрузке)"));
            }
        }
        std::map<std::string, int> barTargets;
        std::string bar;
        for (int i = 0; i < pages.Count(); ++i) {
            Step();
            std::set<std::string> seen;
            pages[i].Pagination().CopyTo(bar);
            for (std::string_view href : Hrefs(bar)) {
                if (const auto target = dead(pages[i].PageUrl(), href); target && seen.insert(*target).second)
                    ++barTargets[*target];
            }
        }
        for (const auto &[target, count] : barTargets) {
            Add(TFindingKind::DeadLink, -1,
                Ru("Постраничное меню (страниц: ") + std::to_string(count) + Ru(") ссылается на ") +
                    Quoted(target) + Ru(", такой страницы нет (обновится при выгрузке)"));
        }
        for (int i = 0; i < pages.Count(); ++i) {
            Step();
            std::set<std::string> seen;
            for (std::string_view href : Hrefs(pages[i].PageHTML())) {
                if (const auto target = dead(pages[i].PageUrl(), href);
                    target && seen.insert(*target).second) {
                    Add(TFindingKind::DeadLink, i,
                        PageName(pages[i], i) + Ru(": текст ссылается на ") + Quoted(*target) +
                            Ru(", такой страницы нет"));
                }
            }
        }
    }

    void CheckBodies()
    {
        const TSitePages &pages = FGenerator.Pages();
        for (int i = 0; i < pages.Count(); ++i) {
            if (pages[i].PageHTML().empty()) {
                Add(TFindingKind::BodyNotBuilt, i,
                    PageName(pages[i], i) + Ru(": текст страницы не собран (ссылки не распределялись), она "
                                               "выйдет пустой"));
            }
        }
    }

    void CheckFolder(const fs::path &folder)
    {
        std::set<std::string> pageFiles;
        const TSitePages &pages = FGenerator.Pages();
        for (int i = 0; i < pages.Count(); ++i)
            pageFiles.insert(Cp1251ToUtf8(pages[i].PageUrl()));
        std::vector<std::string> stale;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::file_status status = it->symlink_status(ec);
            if (ec || !fs::is_regular_file(status))
                continue;
            const std::string name = it->path().filename().string();
            // Hidden files (the export record, a file being written) are never pages.
            if (name.starts_with('.'))
                continue;
            const std::string extension = AsciiUpper(it->path().extension().string());
            if ((extension == ".HTML" || extension == ".HTM") && !pageFiles.count(name))
                stale.push_back(name);
        }
        // Whatever the export wrote that is no longer a page, in whatever folder and of whatever
        // name, as long as it is still there.
        if (const std::optional<TExportRecord> record = TExportRecord::Load(folder.string())) {
            for (const auto &[name, file] : record->Files) {
                if (pageFiles.count(name) || name == "style.css" ||
                    std::find(stale.begin(), stale.end(), name) != stale.end())
                    continue;
                const fs::file_status status = fs::symlink_status(folder / name, ec);
                if (!ec && fs::is_regular_file(status))
                    stale.push_back(name);
            }
        }
        std::sort(stale.begin(), stale.end());
        for (const std::string &name : stale) {
            Add(TFindingKind::StalePage, -1,
                Ru("В папке выгрузки лишний файл ") + Quoted(Utf8ToCp1251(name)) +
                    Ru(": это не страница проекта"),
                name);
        }
    }

private:
    const TSiteGenerator &FGenerator;
    TCheckResult &FResult;
    const TProgress &FProgress;
    std::size_t FTotal;
    std::size_t FDone = 0;
};

std::string JsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

constexpr std::string_view FindingNames[] = {
    "empty-url",    "duplicate-url",        "missing-folder",   "refused-url",
    "no-main-text", "misspelt-placeholder", "no-charset",       "other-charset",
    "dead-link",    "body-not-built",       "no-export-folder", "stale-page",
    "large-export", "repeated-main-text",
};

} // namespace

TCheckResult CheckProject(const TSiteGenerator &generator, const std::optional<std::string> &exportFolder,
                          const std::function<void(std::size_t done, std::size_t total)> &progress)
{
    TCheckResult result;
    TChecker checker(generator, result, progress);

    std::optional<fs::path> folder;
    const std::string path = exportFolder ? *exportFolder : Cp1251ToUtf8(generator.SavePath());
    std::error_code ec;
    if (path.empty()) {
        checker.Add(TFindingKind::NoExportFolder, -1, Ru("Папка выгрузки не указана"));
    } else if (!exportFolder && path.front() != '/') {
        // As the export refuses it: taken from wherever the program runs, it could name anything.
        checker.Add(TFindingKind::NoExportFolder, -1,
                    Ru("Папка выгрузки ") + Quoted(generator.SavePath()) +
                        Ru(" задана относительным путём. Укажите полный путь к папке"));
    } else if (!fs::is_directory(path, ec)) {
        checker.Add(TFindingKind::NoExportFolder, -1,
                    Ru("Папка выгрузки ") + Quoted(Utf8ToCp1251(path)) + Ru(" не существует"));
    } else {
        folder = fs::path(path);
        result.ExportFolder = path;
    }

    checker.CheckUrls(folder);
    checker.CheckTemplate();
    checker.CheckLinks(folder);
    checker.CheckBodies();
    if (folder)
        checker.CheckFolder(*folder);

    result.EstimatedBytes = EstimateExportBytes(generator);
    checker.Step();
    if (result.EstimatedBytes > LargeExportBytes) {
        const std::uint64_t megabytes = (result.EstimatedBytes + 500'000) / 1'000'000;
        checker.Add(TFindingKind::LargeExport, -1,
                    Ru("Выгрузка займёт около ") + std::to_string(megabytes) +
                        Ru(" МБ: постраничное меню растёт как квадрат числа страниц"));
    }
    return result;
}

bool IsAdvice(TFindingKind kind)
{
    return kind == TFindingKind::NoCharset;
}

bool CheckPassed(const TCheckResult &result)
{
    return std::none_of(result.Findings.begin(), result.Findings.end(),
                        [](const TFinding &finding) { return !IsAdvice(finding.Kind); });
}

std::string FindingText(const TFinding &finding)
{
    return finding.Hint.empty() ? finding.Message : finding.Message + "; " + finding.Hint;
}

std::string CheckResultJson(const TCheckResult &result)
{
    std::string out = "{\n  \"findings\": [";
    for (std::size_t i = 0; i < result.Findings.size(); ++i) {
        const TFinding &f = result.Findings[i];
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"kind\": " + JsonString(FindingNames[static_cast<int>(f.Kind)]) +
               ", \"page\": " + std::to_string(f.PageIndex) + ", \"file\": " + JsonString(f.FileName) +
               ", \"message\": " + JsonString(Cp1251ToUtf8(f.Message)) +
               (f.Hint.empty() ? std::string() : ", \"hint\": " + JsonString(Cp1251ToUtf8(f.Hint))) + "}";
    }
    out += result.Findings.empty() ? "],\n" : "\n  ],\n";
    out += "  \"estimatedBytes\": " + std::to_string(result.EstimatedBytes) + ",\n";
    out += "  \"exportFolder\": " + JsonString(result.ExportFolder) + ",\n";
    // The kinds that are advice, and whether the check passes: nothing but advice was found.
    std::string adviceKinds;
    for (std::size_t kind = 0; kind < std::size(FindingNames); ++kind) {
        if (IsAdvice(static_cast<TFindingKind>(kind)))
            adviceKinds += (adviceKinds.empty() ? "" : ", ") + JsonString(FindingNames[kind]);
    }
    out += "  \"adviceKinds\": [" + adviceKinds + "],\n";
    out += std::string("  \"passed\": ") + (CheckPassed(result) ? "true" : "false") + "\n}\n";
    return out;
}

} // namespace zarvik
