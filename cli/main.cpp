#include "cli/Cli.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return zarvik::runCli(args, std::cin, std::cout, std::cerr,
                          isatty(STDIN_FILENO) != 0 && isatty(STDERR_FILENO) != 0);
}
