#include "persistence/ProjectFileTokenizer.h"

#include "engine/Error.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zarvik {
namespace {

// The largest code an escape may name: the last Unicode code point.
constexpr std::uint64_t MaxCode = 0x10FFFF;
// Numbers and escape codes stop growing here, well above every value they can take.
constexpr std::uint64_t Saturation = std::uint64_t{1} << 40;

constexpr std::uint64_t EightBlanks = 0x2020202020202020;

bool IsLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(unsigned char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

unsigned char LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view lowerCaseWord)
{
    if (a.size() != lowerCaseWord.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(lowerCaseWord[i]))
            return false;
    }
    return true;
}

bool TProjectFileTokenizer::IsKeyword(std::string_view lowerCaseWord) const
{
    return FKind == TTokenKind::Identifier && EqualsIgnoringCase(Text(), lowerCaseWord);
}

std::optional<std::int32_t> TProjectFileTokenizer::Int32() const
{
    if (FKind != TTokenKind::Number || !FDigits)
        return std::nullopt;
    if (FNegative) {
        if (FMagnitude > std::uint64_t{1} << 31)
            return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(FMagnitude));
    }
    if (FMagnitude > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<std::int32_t>(FMagnitude);
}

void TProjectFileTokenizer::Error(std::string_view what) const
{
    throw EError(std::string(what) + " on line " + std::to_string(FLine));
}

void TProjectFileTokenizer::EnterLine(std::size_t start)
{
    ++FLine;
    // Checked text has no line too long.
    if (FCheckedText)
        return;
    const std::size_t rest = FText.size() - start;
    const void *feed = std::memchr(FText.data() + start, '\n', rest);
    FLineEnd = feed ? static_cast<std::size_t>(static_cast<const char *>(feed) - FText.data()) : FText.size();
    if (FLineEnd - start + (feed ? 1 : 0) > MaxLineLength)
        Error("Line too long");
    FReturn = NextReturn(start);
}

std::size_t TProjectFileTokenizer::NextReturn(std::size_t from) const
{
    const void *found = std::memchr(FText.data() + from, '\r', FLineEnd - from);
    return found ? static_cast<std::size_t>(static_cast<const char *>(found) - FText.data()) : FLineEnd;
}

void TProjectFileTokenizer::SkipBlanks()
{
    while (FPos < FText.size()) {
        const auto c = static_cast<unsigned char>(FText[FPos]);
        if (c == '\n') {
            ++FPos;
            EnterLine(FPos);
        } else if (c == ' ') {
            // Indentation, eight blanks at a time where it can.
            std::uint64_t eight = 0;
            if (FText.size() - FPos >= sizeof eight)
                std::memcpy(&eight, FText.data() + FPos, sizeof eight);
            FPos += eight == EightBlanks ? sizeof eight : 1;
        } else if (c >= 1 && c < ' ') {
            ++FPos;
        } else {
            break;
        }
    }
}

void TProjectFileTokenizer::Next()
{
    if (!FStarted) {
        FStarted = true;
        EnterLine(0);
        // Editors may start a UTF-8 file with a byte order mark; it is not part of the text.
        if (FText.substr(0, 3) == "\xEF\xBB\xBF")
            FPos = 3;
    }
    SkipBlanks();
    FBegin = FPos;
    if (FPos == FText.size()) {
        FKind = TTokenKind::EndOfText;
        FEnd = FPos;
        return;
    }
    const auto c = static_cast<unsigned char>(FText[FPos]);
    if (IsLetter(c)) {
        FKind = TTokenKind::Identifier;
        ++FPos;
        while (FPos < FText.size() && (IsLetter(static_cast<unsigned char>(FText[FPos])) ||
                                       IsDigit(static_cast<unsigned char>(FText[FPos]))))
            ++FPos;
    } else if (c == '-' || c == '$' || IsDigit(c)) {
        FKind = TTokenKind::Number;
        ScanNumber();
    } else if (c == '\'' || c == '#') {
        FKind = TTokenKind::String;
        if (FDecodeStrings)
            return;
        ScanString();
    } else {
        FKind = TTokenKind::Symbol;
        ++FPos;
    }
    FEnd = FPos;
}

void TProjectFileTokenizer::ScanNumber()
{
    FDigits = false;
    FNegative = false;
    FMagnitude = 0;
    const std::size_t size = FText.size();
    if (FText[FPos] == '$') {
        ++FPos;
        int digit;
        while (FPos < size && (digit = HexValue(static_cast<unsigned char>(FText[FPos]))) >= 0) {
            FDigits = true;
            if (FMagnitude < Saturation)
                FMagnitude = FMagnitude * 16 + static_cast<std::uint64_t>(digit);
            ++FPos;
        }
        return;
    }
    if (FText[FPos] == '-') {
        FNegative = true;
        ++FPos;
    }
    while (FPos < size && IsDigit(static_cast<unsigned char>(FText[FPos]))) {
        FDigits = true;
        if (FMagnitude < Saturation)
            FMagnitude = FMagnitude * 10 + static_cast<std::uint64_t>(FText[FPos] - '0');
        ++FPos;
    }
}

void TProjectFileTokenizer::ScanString()
{
    const std::size_t size = FText.size();
    const char *text = FText.data();
    std::size_t pos = FPos;
    while (pos < size) {
        const char c = text[pos];
        if (c == '#') {
            ++pos;
            // Cyrillic letters have four-digit codes, all valid; they are checked in one step.
            if (size - pos >= 8 && FourDigitCode(text + pos) >= 0) {
                pos += 4;
                continue;
            }
            std::uint64_t code = 0;
            const std::size_t digits = pos;
            while (pos < size && IsDigit(static_cast<unsigned char>(text[pos]))) {
                if (code < Saturation)
                    code = code * 10 + static_cast<std::uint64_t>(text[pos] - '0');
                ++pos;
            }
            if (pos == digits || code > MaxCode)
                Error("Invalid string constant");
        } else if (c == '\'') {
            ++pos;
            for (;;) {
                // A quoted part closes on its own line, before the next carriage return. Most
                // parts are short, so the first bytes are looked at one by one.
                if (FReturn < pos)
                    FReturn = NextReturn(pos);
                const std::size_t near = std::min(FReturn, pos + 16);
                while (pos < near && text[pos] != '\'')
                    ++pos;
                if (pos == near) {
                    const auto *quote =
                        static_cast<const char *>(std::memchr(text + pos, '\'', FReturn - pos));
                    if (!quote)
                        Error("Invalid string constant");
                    pos = static_cast<std::size_t>(quote - text);
                }
                ++pos;
                if (pos < size && text[pos] == '\'') {
                    ++pos;
                    continue;
                }
                break;
            }
        } else {
            break;
        }
    }
    FPos = pos;
}

} // namespace zarvik
