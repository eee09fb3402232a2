#pragma once

#include <iosfwd>
#include <string_view>

namespace zarvik {

struct TBrowserLauncher;
struct TParsedArguments;
class TStderrPrompter;

// preview PROJECT [--page URL] [--no-browser]: renders the site into a new private temporary
// folder, which is kept for the browser, opens the page (or index.html) with `launcher` unless
// --no-browser is given, and prints the path of the page.
int RunPreviewCommand(const TParsedArguments &args, std::ostream &out, TBrowserLauncher &launcher);

// report PROJECT [--tsv]: where the links of the last distribution went.
int RunReportCommand(const TParsedArguments &args, std::ostream &out);

// check PROJECT [--out DIR] [--json] [--prune [--yes]]: one line per finding; 1 when there is
// any. --prune then offers to delete the stale pages that look like this program's output.
int RunCheckCommand(const TParsedArguments &args, std::ostream &out, TStderrPrompter &prompter);

// Usage line and help body of these commands (UTF-8), or empty views for another name.
struct TReportHelp
{
    std::string_view Usage;
    std::string_view Body;
};
TReportHelp ReportCommandHelp(std::string_view command);

} // namespace zarvik
