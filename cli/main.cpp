#include "app/FileAccess.h"
#include "cli/Cli.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    zarvik::IgnoreFileSizeSignal();
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return zarvik::runCli(args, std::cin, std::cout, std::cerr,
                              isatty(STDIN_FILENO) != 0 && isatty(STDERR_FILENO) != 0);
    } catch (const std::bad_alloc &) {
        // Nothing is allocated here: the memory has just run out.
        std::fputs("error: Недостаточно памяти.\n", stderr);
        return 1;
    }
}
