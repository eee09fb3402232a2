#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Windows-1251 text layer. Engine text is std::string holding Windows-1251 bytes; these
// functions are the only place where bytes meet Unicode code points.
//
// The byte 0x98 has no character in the code page. It is mapped to U+0098 (a C1 control) and
// back, so every one of the 256 bytes survives a trip through Unicode.
namespace zarvik {

char32_t Cp1251ToUnicode(unsigned char byte);

// The byte for a code point, or nothing when the code page has no such character.
std::optional<unsigned char> UnicodeToCp1251(char32_t code);

// Appends the decimal HTML numeric character reference of a code point ("&#8364;").
void AppendNumericReference(std::string &out, char32_t code);

// Appends the byte of a code point, or its numeric reference when the code page lacks it.
void AppendCp1251(std::string &out, char32_t code);

// Upper case of a Latin or Cyrillic letter of the code page; any other byte is returned as is.
unsigned char UpperCp1251(unsigned char byte);
std::string UpperCp1251(std::string_view text);

// Every byte decoded through the table and encoded as UTF-8.
std::string Cp1251ToUtf8(std::string_view text);

bool IsValidUtf8(std::string_view bytes);

// Converts valid UTF-8 to Windows-1251; a character the code page lacks becomes a decimal HTML
// numeric character reference ("&#8364;"). Malformed sequences are taken byte for byte.
std::string Utf8ToCp1251(std::string_view utf8);

// The rule for text files and typed text: a file that is valid UTF-8 and holds at least one
// non-ASCII byte is converted with Utf8ToCp1251; anything else is taken byte for byte.
std::string ImportText(std::string_view bytes);

} // namespace zarvik
