#pragma once

#include <string>
#include <string_view>

namespace zarvik {

// The caption of the general error display.
inline constexpr std::string_view ApplicationTitle = "Zarvik";

// The message of a command that ran out of memory (std::bad_alloc), "Недостаточно памяти" in
// Windows-1251.
inline constexpr std::string_view OutOfMemoryMessage =
    "\xCD\xE5\xE4\xEE\xF1\xF2\xE0\xF2\xEE\xF7\xED\xEE \xEF\xE0\xEC\xFF\xF2\xE8";

// The text the general error display shows for an error message: a full stop is appended unless
// the last character has a code of 46 (".") or less.
std::string ErrorDisplayText(std::string_view message);

} // namespace zarvik
