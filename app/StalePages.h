#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

class TSiteGenerator;
struct TCheckResult;
struct TPrompter;

// Whether the bytes could be a page filled from the template: the template's text between its
// placeholders appears in the file in order, the first piece at the start and the last at the end.
bool MatchesTemplate(std::string_view file, std::string_view templateText);

// The stale pages of a check that are this program's own output. When the export folder has an
// export record (app/ExportRecord.h), those it lists, still as the export left them (size and
// modification time), and nothing else; in a folder exported before records were kept, a
// generated page name (IsGeneratedPageName of engine/SiteRules.h) and a file that matches the
// project's template. File names (UTF-8) in the export folder.
std::vector<std::string> PrunablePages(const TSiteGenerator &generator, const TCheckResult &check);

// Deletes the named files from the folder and returns the names deleted. With an export record,
// only files it lists that are still as the export left them are deleted (in sub-folders too),
// and the record forgets them. Without one, a name holding "/", a symbolic link or anything but
// a regular file is left alone, as is a file that no longer matches the template. Links are
// never followed, so nothing outside the folder is touched.
std::vector<std::string> DeletePages(const std::string &folder, const std::vector<std::string> &names,
                                     std::string_view templateText);

// Lists the prunable pages and asks (a warning with Yes and No); on Yes deletes them. Returns
// the names deleted. Without prunable pages it only says so.
std::vector<std::string> PruneStalePages(const TSiteGenerator &generator, const TCheckResult &check,
                                         TPrompter &prompter);

} // namespace zarvik
