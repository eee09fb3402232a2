#pragma once

#include <string>
#include <string_view>

namespace zarvik {

// Replaces every occurrence of `pattern` in `text` by `replacement`: exact bytes, left to right,
// without overlap, never searching the inserted text again. Writes the result into `out` (which
// must not alias `text`) and returns true; when `pattern` is empty or absent, returns false and
// leaves `out` alone.
bool ReplaceAllInto(std::string_view text, std::string_view pattern, std::string_view replacement,
                    std::string &out);

// The same on a string in place; `scratch` is reused memory for the result.
void ReplaceAllInPlace(std::string &text, std::string_view pattern, std::string_view replacement,
                       std::string &scratch);

} // namespace zarvik
