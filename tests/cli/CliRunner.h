#pragma once

#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "cli/Cli.h"
#include "engine/EXSiteGenerator.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace zarvik::test {

struct TCliResult
{
    int Code;
    std::string Out;
    std::string Err;
};

// Runs the tool in-process on captured streams.
inline TCliResult Invoke(const std::vector<std::string> &args, const std::string &input = {},
                         bool interactive = false)
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCli(args, in, out, err, interactive);
    return {code, out.str(), err.str()};
}

// The project as the desktop program would open it.
inline std::unique_ptr<TSiteGenerator> OpenProject(const std::string &path)
{
    auto generator = std::make_unique<TSiteGenerator>();
    ApplyNewProjectSettings(*generator);
    LoadProject(path, *generator);
    return generator;
}

} // namespace zarvik::test
