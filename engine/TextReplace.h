#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvik {

// Replaces every occurrence of `pattern` in `text` by `replacement`: exact bytes, left to right,
// without overlap, never searching the inserted text again. Writes the result into `out` (which
// must not alias `text`) and returns the number of occurrences replaced; when `pattern` is empty
// or absent, returns 0 and leaves `out` alone.
std::size_t ReplaceAllInto(std::string_view text, std::string_view pattern, std::string_view replacement,
                           std::string &out);

// The same on a string in place; `scratch` is reused memory for the result.
std::size_t ReplaceAllInPlace(std::string &text, std::string_view pattern, std::string_view replacement,
                              std::string &scratch);

} // namespace zarvik
