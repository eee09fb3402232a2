#pragma once

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
    void Append(std::string_view token);
    // Ends the value.
    void Finish() { FlushSurrogate(); }

private:
    void AppendCode(char32_t code);
    void AppendReference(char32_t code);
    void FlushSurrogate();
    std::size_t AppendQuoted(std::string_view token, std::size_t pos);

    std::string &FOut;
    bool FUtf8Quotes;
    char32_t FHighSurrogate = 0;
};

} // namespace zarvik
