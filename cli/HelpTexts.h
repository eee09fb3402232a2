#pragma once

#include <string>
#include <string_view>

namespace zarvik {

// The full help of a command, or of the tool when `command` is empty. UTF-8.
std::string HelpText(std::string_view command);

// The short usage lines printed after a usage error.
std::string UsageText(std::string_view command);

} // namespace zarvik
