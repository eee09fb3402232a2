#include "app/IntegerConversion.h"

#include "engine/Error.h"

#include <string>

namespace zarvik {
namespace {

int DigitValue(char c, int base)
{
    int value;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else
        return -1;
    return value < base ? value : -1;
}

} // namespace

std::int32_t StrToInt(std::string_view text)
{
    auto invalid = [&] { return EError("'" + std::string(text) + "' is not a valid integer value"); };

    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        throw invalid();

    // Accumulate the magnitude; the limit is one more for a negative number (-2147483648).
    const std::int64_t limit = negative ? std::int64_t{2147483648} : std::int64_t{2147483647};
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0)
            throw invalid();
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            throw invalid();
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace zarvik
