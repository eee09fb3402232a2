#pragma once

#include <iosfwd>
#include <string_view>

namespace zarvik {

struct TParsedArguments;

// serve PROJECT [--port N]: serves the project's site on 127.0.0.1 (see TPreviewServer), each
// page rendered when it is asked for from the project file as it is then: a file that has
// changed since the last request is read again, and one that cannot be read leaves the last
// good reading in use with a warning on `err`. The address of index.html is the first line on
// `out`. Runs until SIGINT or SIGTERM, then returns 0. Throws EUsage for a bad port and EError
// when the project cannot be read at the start or the port cannot be had.
int RunServeCommand(const TParsedArguments &args, std::ostream &out, std::ostream &err);

// Usage line and help body of serve (UTF-8).
std::string_view ServeUsage();
std::string_view ServeHelp();

} // namespace zarvik
