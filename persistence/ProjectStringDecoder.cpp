#include "persistence/ProjectStringDecoder.h"

#include "engine/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace zarvik {
namespace {

// Every character of the code page has a code below this one (the highest is U+2122).
constexpr char32_t TableEnd = 0x2123;

// The Windows-1251 byte of each code below TableEnd, or 0 when the code page lacks the code; the
// code 0 is the only one whose byte is 0.
const std::array<std::uint8_t, TableEnd> &ByteTable()
{
    static const std::array<std::uint8_t, TableEnd> table = [] {
        std::array<std::uint8_t, TableEnd> t{};
        for (int byte = 1; byte < 256; ++byte)
            t[Cp1251ToUnicode(static_cast<unsigned char>(byte))] = static_cast<std::uint8_t>(byte);
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

// The largest code an escape may name: the last Unicode code point.
constexpr char32_t MaxCode = 0x10FFFF;

// Quoted parts up to this length are gathered byte by byte.
constexpr std::size_t ShortQuoted = 8;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

void TProjectStringDecoder::FlushSurrogate()
{
    if (FHighSurrogate != 0) {
        AppendNumericReference(FOut, FHighSurrogate);
        FHighSurrogate = 0;
    }
}

void TProjectStringDecoder::AppendCode(char32_t code)
{
    // Nearly every escape names a character of the code page with no surrogate pending.
    if (FHighSurrogate == 0 && code < TableEnd) {
        const std::uint8_t byte = ByteTable()[code];
        if (byte != 0 || code == 0) {
            FOut += static_cast<char>(byte);
            return;
        }
    }
    AppendOtherCode(code);
}

void TProjectStringDecoder::AppendOtherCode(char32_t code)
{
    if (FHighSurrogate != 0) {
        if (IsLowSurrogate(code)) {
            AppendNumericReference(FOut, 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (code - 0xDC00));
            FHighSurrogate = 0;
            return;
        }
        FlushSurrogate();
        AppendCode(code);
        return;
    }
    if (IsHighSurrogate(code))
        FHighSurrogate = code;
    else
        AppendNumericReference(FOut, code);
}

// Decodes the quoted part that starts at text[pos] (the opening apostrophe); returns the position
// after its closing apostrophe, or npos when it does not close before `lineEnd` (only in text read
// without UTF-8 quotes; checked text closes every part).
std::size_t TProjectStringDecoder::AppendQuoted(std::string_view text, std::size_t pos, std::size_t lineEnd)
{
    ++pos;
    for (;;) {
        // Plain runs are copied whole; only apostrophes and, in UTF-8 files, bytes above 127 stop them.
        std::size_t end = pos;
        if (FUtf8Quotes) {
            while (text[end] != '\'' && static_cast<unsigned char>(text[end]) < 0x80)
                ++end;
        } else {
            const auto *quote =
                static_cast<const char *>(std::memchr(text.data() + pos, '\'', lineEnd - pos));
            if (!quote)
                return std::string_view::npos;
            end = static_cast<std::size_t>(quote - text.data());
        }
        if (end > pos) {
            FlushSurrogate();
            FOut.append(text.data() + pos, end - pos);
        }
        pos = end;
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c == '\'') {
            if (pos + 1 < text.size() && text[pos + 1] == '\'') {
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
            code = (code << 6) | (static_cast<unsigned char>(text[pos + k]) & 0x3F);
        AppendCode(code);
        pos += length;
    }
}

std::size_t TProjectStringDecoder::AppendToken(std::string_view text, std::size_t pos)
{
    return Append<false>(text, pos, text.size());
}

std::size_t TProjectStringDecoder::AppendCheckedToken(std::string_view text, std::size_t pos,
                                                      std::size_t lineEnd)
{
    return Append<true>(text, pos, lineEnd);
}

// With Checking, every escape is checked as the tokenizer checks it and every quoted part must
// close before lineEnd; npos reports the first that fails.
template <bool Checking>
std::size_t TProjectStringDecoder::Append(std::string_view text, std::size_t pos, std::size_t lineEnd)
{
    constexpr std::size_t Invalid = std::string_view::npos;
    const std::uint8_t *table = ByteTable().data();
    const char *data = text.data();
    const std::size_t size = text.size();
    // Bytes of escapes that the code page has are gathered here and appended in one step. The
    // loop keeps its state in locals: stores into the byte buffer could otherwise alias members.
    std::array<char, 256> bytes;
    std::size_t gathered = 0;
    bool pending = FHighSurrogate != 0;
    while (pos < size) {
        const char c = data[pos];
        if (c == '#') {
            ++pos;
            char32_t code = 0;
            // Cyrillic letters have four-digit codes; they are read in one step.
            const int four = size - pos >= 8 ? FourDigitCode(data + pos) : -1;
            if (four >= 0) {
                code = static_cast<char32_t>(four);
                pos += 4;
            } else if constexpr (Checking) {
                const std::size_t digits = pos;
                while (pos < size && IsDigit(data[pos])) {
                    if (code <= MaxCode)
                        code = code * 10 + static_cast<char32_t>(data[pos] - '0');
                    ++pos;
                }
                if (pos == digits || code > MaxCode)
                    return Invalid;
            } else {
                while (pos < size && IsDigit(data[pos]))
                    code = code * 10 + static_cast<char32_t>(data[pos++] - '0');
            }
            if (!pending && code < TableEnd) {
                const std::uint8_t byte = table[code];
                // The byte 0 stands for "none" except for the code 0 itself.
                if (byte != 0 || code == 0) {
                    bytes[gathered++] = static_cast<char>(byte);
                    if (gathered == bytes.size()) {
                        FOut.append(bytes.data(), gathered);
                        gathered = 0;
                    }
                    continue;
                }
            }
            FOut.append(bytes.data(), gathered);
            gathered = 0;
            AppendOtherCode(code);
        } else if (c == '\'' && !pending && !FUtf8Quotes) {
            // Quoted parts are mostly the blanks and punctuation between words; they are gathered
            // with the escapes, and only long ones are searched and copied whole. The text is
            // checked, so the part closes.
            ++pos;
            for (;;) {
                if (gathered + ShortQuoted + 1 > bytes.size()) {
                    FOut.append(bytes.data(), gathered);
                    gathered = 0;
                }
                const std::size_t near = std::min(lineEnd, pos + ShortQuoted);
                while (pos < near && data[pos] != '\'')
                    bytes[gathered++] = data[pos++];
                if (pos == lineEnd || data[pos] != '\'') {
                    const auto *quote =
                        static_cast<const char *>(std::memchr(data + pos, '\'', lineEnd - pos));
                    if (Checking && !quote)
                        return Invalid;
                    FOut.append(bytes.data(), gathered);
                    gathered = 0;
                    FOut.append(data + pos, static_cast<std::size_t>(quote - (data + pos)));
                    pos = static_cast<std::size_t>(quote - data);
                }
                if (pos + 1 < size && data[pos + 1] == '\'') {
                    bytes[gathered++] = '\'';
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
        } else if (c == '\'') {
            FOut.append(bytes.data(), gathered);
            gathered = 0;
            pos = AppendQuoted(text, pos, lineEnd);
            if (Checking && pos == Invalid)
                return Invalid;
        } else {
            break;
        }
        pending = FHighSurrogate != 0;
    }
    FOut.append(bytes.data(), gathered);
    return pos;
}

} // namespace zarvik
