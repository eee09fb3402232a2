#pragma once

#include <cstdint>
#include <string_view>

namespace zarvik {

// Converts the text of a number field: leading blanks, an optional sign, then decimal digits or
// a hexadecimal number introduced by "$", "x", "X", "0x" or "0X". Anything else fails: an empty
// text, trailing blanks or other characters, and a value outside the signed 32-bit range.
// Throws EError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

} // namespace zarvik
