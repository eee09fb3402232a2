#include "engine/Cp1251.h"

#include <array>

namespace zarvik {
namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
// clang-format off
constexpr std::array<char16_t, 64> HighTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};
// clang-format on

struct TUpperTable
{
    std::array<unsigned char, 256> map{};
    constexpr TUpperTable()
    {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<unsigned char>(i);
        for (int c = 'a'; c <= 'z'; ++c)
            map[c] = static_cast<unsigned char>(c - 'a' + 'A');
        for (int c = 0xE0; c <= 0xFF; ++c)
            map[c] = static_cast<unsigned char>(c - 0x20);
        // The Cyrillic letters outside the main alphabet, small -> capital.
        // clang-format off
        constexpr unsigned char pairs[][2] = {
            {0xB8, 0xA8}, {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
            {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xBA, 0xAA},
            {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
        };
        // clang-format on
        for (const auto &p : pairs)
            map[p[0]] = p[1];
    }
};
constexpr TUpperTable UpperTable;

void AppendUtf8(std::string &out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at text[i]; returns its length, or 0 when malformed
// (overlong forms, surrogates and code points above U+10FFFF count as malformed).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t &code)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, code = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, code = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, code = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

char32_t Cp1251ToUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return HighTable[byte - 0x80];
}

std::optional<unsigned char> UnicodeToCp1251(char32_t code)
{
    if (code < 0x80)
        return static_cast<unsigned char>(code);
    if (code >= 0x0410 && code <= 0x044F)
        return static_cast<unsigned char>(code - 0x0410 + 0xC0);
    for (std::size_t i = 0; i < HighTable.size(); ++i) {
        if (HighTable[i] == code)
            return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

unsigned char UpperCp1251(unsigned char byte)
{
    return UpperTable.map[byte];
}

std::string UpperCp1251(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(UpperTable.map[static_cast<unsigned char>(c)]);
    return out;
}

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text)
        AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    char32_t code;
    while (i < bytes.size()) {
        const std::size_t len = DecodeUtf8(bytes, i, code);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string Utf8ToCp1251(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    char32_t code;
    while (i < utf8.size()) {
        const std::size_t len = DecodeUtf8(utf8, i, code);
        if (len == 0) {
            out += utf8[i++];
            continue;
        }
        i += len;
        if (auto byte = UnicodeToCp1251(code)) {
            out += static_cast<char>(*byte);
        } else {
            out += "&#";
            out += std::to_string(static_cast<unsigned long>(code));
            out += ';';
        }
    }
    return out;
}

std::string ImportText(std::string_view bytes)
{
    bool hasHigh = false;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            hasHigh = true;
            break;
        }
    }
    if (hasHigh && IsValidUtf8(bytes))
        return Utf8ToCp1251(bytes);
    return std::string(bytes);
}

} // namespace zarvik
