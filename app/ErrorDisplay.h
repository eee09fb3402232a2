#pragma once

#include <string>
#include <string_view>

namespace zarvik {

// The caption of the general error display.
inline constexpr std::string_view ApplicationTitle = "Zarvik";

// The text the general error display shows for an error message: a full stop is appended unless
// the last character has a code of 46 (".") or less.
std::string ErrorDisplayText(std::string_view message);

} // namespace zarvik
