#include "persistence/ProjectStringDecoder.h"

#include "engine/Cp1251.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace zarvik {
namespace {

// Every character of the code page has a code below this one (the highest is U+2122).
constexpr char32_t TableEnd = 0x2123;

// The Windows-1251 byte of each code below TableEnd, or -1.
const std::array<std::int16_t, TableEnd> &CodeTable()
{
    static const std::array<std::int16_t, TableEnd> table = [] {
        std::array<std::int16_t, TableEnd> t{};
        t.fill(-1);
        for (int byte = 0; byte < 256; ++byte)
            t[Cp1251ToUnicode(static_cast<unsigned char>(byte))] = static_cast<std::int16_t>(byte);
        return t;
    }();
    return table;
}

bool IsHighSurrogate(char32_t code)
{
    return code >= 0xD800 && code <= 0xDBFF;
}

bool IsLowSurrogate(char32_t code)
{
    return code >= 0xDC00 && code <= 0xDFFF;
}

} // namespace

void TProjectStringDecoder::AppendReference(char32_t code)
{
    std::array<char, 16> buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<std::uint32_t>(code));
    FOut += "&#";
    FOut.append(buffer.data(), result.ptr);
    FOut += ';';
}

void TProjectStringDecoder::FlushSurrogate()
{
    if (FHighSurrogate != 0) {
        AppendReference(FHighSurrogate);
        FHighSurrogate = 0;
    }
}

void TProjectStringDecoder::AppendCode(char32_t code)
{
    if (FHighSurrogate != 0) {
        if (IsLowSurrogate(code)) {
            AppendReference(0x10000 + ((FHighSurrogate - 0xD800) << 10) + (code - 0xDC00));
            FHighSurrogate = 0;
            return;
        }
        FlushSurrogate();
    }
    if (code < TableEnd) {
        const std::int16_t byte = CodeTable()[code];
        if (byte >= 0) {
            FOut += static_cast<char>(byte);
            return;
        }
    }
    if (IsHighSurrogate(code))
        FHighSurrogate = code;
    else
        AppendReference(code);
}

// Decodes the quoted part that starts at token[pos] (the opening apostrophe); returns the position
// after its closing apostrophe.
std::size_t TProjectStringDecoder::AppendQuoted(std::string_view token, std::size_t pos)
{
    ++pos;
    for (;;) {
        // Plain runs are copied whole; only apostrophes and, in UTF-8 files, bytes above 127 stop them.
        std::size_t end = pos;
        if (FUtf8Quotes) {
            while (token[end] != '\'' && static_cast<unsigned char>(token[end]) < 0x80)
                ++end;
        } else {
            end = static_cast<std::size_t>(
                static_cast<const char *>(std::memchr(token.data() + pos, '\'', token.size() - pos)) -
                token.data());
        }
        if (end > pos) {
            FlushSurrogate();
            FOut.append(token.data() + pos, end - pos);
        }
        pos = end;
        const auto c = static_cast<unsigned char>(token[pos]);
        if (c == '\'') {
            if (pos + 1 < token.size() && token[pos + 1] == '\'') {
                FlushSurrogate();
                FOut += '\'';
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        // A UTF-8 sequence; the whole file has been checked, so it is complete and well formed.
        std::size_t length;
        char32_t code;
        if (c >= 0xF0)
            length = 4, code = c & 0x07;
        else if (c >= 0xE0)
            length = 3, code = c & 0x0F;
        else
            length = 2, code = c & 0x1F;
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(token[pos + k]) & 0x3F);
        AppendCode(code);
        pos += length;
    }
}

void TProjectStringDecoder::Append(std::string_view token)
{
    std::size_t pos = 0;
    while (pos < token.size()) {
        if (token[pos] == '\'') {
            pos = AppendQuoted(token, pos);
        } else {
            ++pos; // '#'
            char32_t code = 0;
            while (pos < token.size() && token[pos] >= '0' && token[pos] <= '9')
                code = code * 10 + static_cast<char32_t>(token[pos++] - '0');
            AppendCode(code);
        }
    }
}

} // namespace zarvik
