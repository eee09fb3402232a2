#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarvik {

class TSiteGenerator;

enum class TFindingKind
{
    EmptyUrl,            // a page without a URL
    DuplicateUrl,        // a URL that an earlier page has already
    MissingFolder,       // a URL in a sub-folder that the export folder does not have
    RefusedUrl,          // a URL the export refuses: absolute, "..", a part starting with "."
    NoMainText,          // the template has no "SiteGeneratorChange.MainText"
    MisspeltPlaceholder, // a word that looks like a placeholder but is not one of the seven
    NoCharset,           // Windows-1251 pages without a charset declaration in the template
    OtherCharset,        // a charset declaration that is not Windows-1251
    DeadLink,            // a link in the menu, a bar or a body to no page of the site
    BodyNotBuilt,        // a page whose body was never built
    NoExportFolder,      // the export folder does not exist
    StalePage,           // an .html file in the export folder that is no page of the project
    LargeExport,         // the export would be bigger than LargeExportBytes
    RepeatedMainText,    // "SiteGeneratorChange.MainText" stands more than once in the template
};

struct TFinding
{
    TFindingKind Kind;
    // The page concerned, or -1.
    int PageIndex = -1;
    // For a stale page: its file name in the export folder (UTF-8). Empty otherwise.
    std::string FileName;
    // One line for the user, in Russian (Windows-1251).
    std::string Message;
    // What was probably meant ("может быть, SiteGeneratorChange.Title?"), or empty.
    std::string Hint;
};

// Above this estimate (bytes) the check warns before an export.
constexpr std::uint64_t LargeExportBytes = 200'000'000;

struct TCheckResult
{
    std::vector<TFinding> Findings;
    // The bytes an export would write now (pages and style.css), menu and bars rebuilt: see
    // EstimateExportBytes in engine/Navigation.h.
    std::uint64_t EstimatedBytes = 0;
    // The folder that was checked for sub-folders and stale pages (UTF-8); empty when none.
    std::string ExportFolder;
};

// Advice rather than a fault: worth a look, but no reason for the check to fail. The missing
// charset declaration is one: the default template has none, and a one-click fix adds it.
bool IsAdvice(TFindingKind kind);
// True when nothing but advice was found.
bool CheckPassed(const TCheckResult &result);

// Checks the project and, when `exportFolder` (a file-system path) is given or SavePath names a
// folder, the export folder too. Changes nothing. `progress`, when given, hears how far the check
// is, `done` of `total` steps, from 0 of them to all, as it goes through the pages.
TCheckResult CheckProject(const TSiteGenerator &generator, const std::optional<std::string> &exportFolder,
                          const std::function<void(std::size_t done, std::size_t total)> &progress = {});

// The finding's line for the user: its message, then its hint after a semicolon.
std::string FindingText(const TFinding &finding);

// The findings as JSON (UTF-8): {"findings": [{"kind", "page", "file", "message"[, "hint"]}], ...,
// "adviceKinds": [...], "passed": CheckPassed}.
std::string CheckResultJson(const TCheckResult &result);

} // namespace zarvik
