#pragma once

#include <cstddef>
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
    // Ends the value.
    void Finish() { FlushSurrogate(); }

private:
    void AppendCode(char32_t code);
    void AppendOtherCode(char32_t code);
    void FlushSurrogate();
    std::size_t AppendQuoted(std::string_view text, std::size_t pos);

    std::string &FOut;
    bool FUtf8Quotes;
    char32_t FHighSurrogate = 0;
};

// Reads the four bytes at `p` as decimal digits: their value, or -1 when one of them is no digit.
inline int FourDigits(const char *p)
{
    const auto d0 = static_cast<unsigned>(static_cast<unsigned char>(p[0]) - '0');
    const auto d1 = static_cast<unsigned>(static_cast<unsigned char>(p[1]) - '0');
    const auto d2 = static_cast<unsigned>(static_cast<unsigned char>(p[2]) - '0');
    const auto d3 = static_cast<unsigned>(static_cast<unsigned char>(p[3]) - '0');
    if ((d0 > 9) | (d1 > 9) | (d2 > 9) | (d3 > 9))
        return -1;
    return static_cast<int>(d0 * 1000 + d1 * 100 + d2 * 10 + d3);
}

} // namespace zarvik
