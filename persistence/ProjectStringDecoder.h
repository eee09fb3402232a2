#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zarvik {

// Turns the string tokens of one value into Windows-1251 text.
//
// A code that the code page has becomes its byte (152 becomes 0x98). Any other code becomes a
// decimal HTML character reference such as "&#20320;", the way imported text keeps such
// characters; an escaped surrogate pair ("#55357#56832") first becomes the one code it stands for.
// Bytes 128 to 255 inside quotes are UTF-8 when the whole file is valid UTF-8, and Windows-1251
// bytes, taken as they stand, otherwise.
class TProjectStringDecoder
{
public:
    // Appends to `out`, which must outlive the decoder.
    TProjectStringDecoder(std::string &out, bool utf8Quotes)
        : FOut(out)
        , FUtf8Quotes(utf8Quotes)
    {
    }

    // Appends one string token that the tokenizer has accepted.
    void Append(std::string_view token) { AppendToken(token, 0); }
    // Appends the string token that starts at text[pos], in text the tokenizer has accepted, and
    // returns the position after it.
    std::size_t AppendToken(std::string_view text, std::size_t pos);
    // Appends the string token that starts at text[pos] in text nobody has checked, whose quoted
    // parts must close before `lineEnd` (the token's line's first carriage return or line feed
    // after pos, or the end of the text); returns the position after it, or npos when the token
    // is no valid string constant. Not for text with bytes above 127 read as UTF-8.
    std::size_t AppendCheckedToken(std::string_view text, std::size_t pos, std::size_t lineEnd);
    // Ends the value.
    void Finish() { FlushSurrogate(); }

private:
    void AppendCode(char32_t code);
    void AppendOtherCode(char32_t code);
    void FlushSurrogate();
    std::size_t AppendQuoted(std::string_view text, std::size_t pos, std::size_t lineEnd);
    template <bool Checking> std::size_t Append(std::string_view text, std::size_t pos, std::size_t lineEnd);

    std::string &FOut;
    bool FUtf8Quotes;
    char32_t FHighSurrogate = 0;
};

// The code of an escape whose digits start at `p` when it has exactly four of them (the byte after
// them is no digit), or -1. Reads the eight bytes at `p`.
inline int FourDigitCode(const char *p)
{
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    if constexpr (std::endian::native == std::endian::big)
        bytes = __builtin_bswap64(bytes);
    auto digits = static_cast<std::uint32_t>(bytes);
    // A byte is a digit when its high half is 3 both as it stands and with 6 added.
    if (((digits & 0xF0F0F0F0) | (((digits + 0x06060606) & 0xF0F0F0F0) >> 4)) != 0x33333333)
        return -1;
    if (static_cast<unsigned char>(static_cast<unsigned char>(bytes >> 32) - '0') <= 9)
        return -1;
    // Pairs of digits first, then the two pairs; no step carries into the next byte.
    digits &= 0x0F0F0F0F;
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF;
    return static_cast<int>((digits & 0xFF) * 100 + (digits >> 16));
}

} // namespace zarvik
