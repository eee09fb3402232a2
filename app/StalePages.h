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
// A template made of placeholders and white space alone matches nothing.
bool MatchesTemplate(std::string_view file, std::string_view templateText);

// The stale pages of a check that are this program's own output: those the export record of the
// export folder (app/ExportRecord.h) lists, still as the export left them (size and modification
// time). Without a record none is. File names (UTF-8) in the export folder.
std::vector<std::string> PrunablePages(const TSiteGenerator &generator, const TCheckResult &check);

// Deletes the named files from the folder and returns the names deleted: only files that its
// export record lists and that are still as the export left them (in sub-folders too), which the
// record then forgets. Without a record nothing is deleted. Links are never followed, so nothing
// outside the folder is touched.
std::vector<std::string> DeletePages(const std::string &folder, const std::vector<std::string> &names);

// Lists the prunable pages and asks (a warning with Yes and No, the folder in its details); on Yes
// deletes them. Returns the names deleted. Without prunable pages it only says so; without an
// export folder (none, missing, or a relative SavePath, which the check refuses) it shows the
// check's reason as an error, and without an export record it says that nothing can be known to
// be the export's until the site is exported there once.
std::vector<std::string> PruneStalePages(const TSiteGenerator &generator, const TCheckResult &check,
                                         TPrompter &prompter);

} // namespace zarvik
