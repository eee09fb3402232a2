#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zarvik {

// Runs zarvik-cli with the arguments that follow the program name. Results go to `out`; every
// message the desktop program would show in a box goes to `err`. A question that no option
// answers is asked on `in` when `interactive` is true (a terminal) and answered No otherwise.
// Returns the exit status: 0 done (warnings allowed), 1 an error was reported, 2 wrong usage.
int runCli(const std::vector<std::string> &args, std::istream &in, std::ostream &out, std::ostream &err,
           bool interactive = false);

} // namespace zarvik
