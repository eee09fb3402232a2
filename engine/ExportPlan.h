#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

// What an export is about to do, looked at before it writes a byte: every page needs a file of its
// own, and a file the export did not write is replaced only when the user says so.
namespace zarvik {

class TExportLedger;
class TSitePages;

// The style sheet every export writes beside the pages.
inline constexpr std::string_view StyleSheetName = "style.css";

// A file name in the export folder as the file system reads it: empty parts ("a//b.html") left
// out.
std::string ExportFileName(std::string_view name);

// The files an export of `pages` writes (UTF-8 names in the export folder), in the order it
// writes them: each page's file, then style.css. Empty URLs, those the export refuses
// (PageUrlStaysInside) and those holding a NUL byte are left out: the export stops on them.
std::vector<std::string> PlannedFiles(const TSitePages &pages);

// Why the pages cannot all be exported: pages whose URLs name one file, or a page whose URL names
// style.css or one of `reserved` (UTF-8 names of files others write into the folder). The message
// (Windows-1251) names the pages by number and URL; nothing when every page has a file of its own.
std::optional<std::string> PageFileClash(const TSitePages &pages, std::span<const std::string> reserved);

// Where a file of the plan is written (the path with links inside the folder followed), or
// nothing when the export will refuse it anyway.
using TFileResolver = std::function<std::optional<std::string>(const std::string &name)>;

// The files of `planned` that exist and that `ledger` does not own (see TExportLedger::Owns),
// in plan order. Folders and links the export refuses to replace are left to it. Throws EError
// when two planned names lead to one file through links in the folder.
std::vector<std::string> ForeignFiles(std::span<const std::string> planned, const TFileResolver &resolve,
                                      const TExportLedger &ledger);

// The question asked before files that the export did not write are replaced in `folder`; both
// are UTF-8, the question Windows-1251.
std::string ForeignFilesQuestion(std::string_view folder, std::span<const std::string> files);

} // namespace zarvik
