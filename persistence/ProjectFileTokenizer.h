#pragma once

#include "persistence/ProjectStringDecoder.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarvik {

enum class TTokenKind
{
    EndOfText,
    Identifier,
    Number,
    String,
    Symbol
};

// Splits project text into tokens, one at a time. Bytes 1 to 32 between tokens, and a UTF-8 byte
// order mark at the start, are skipped; every line feed starts a new line, the first line being
// line 1. The text must outlive the tokenizer.
//
// Tokens: identifiers (ASCII letters, digits and "_", not starting with a digit); numbers ("-" or a
// digit followed by digits, or "$" followed by hexadecimal digits); string tokens (quoted parts and
// "#code" escapes with nothing between them); any other byte is a one-byte symbol.
class TProjectFileTokenizer
{
public:
    // The longest line, its line feed included, that can be read.
    static constexpr std::size_t MaxLineLength = 4095;

    // What becomes of string tokens.
    enum class TStrings
    {
        Scan,    // checked by Next()
        Decode,  // checked while DecodeString() decodes them (text without bytes above 127)
        Checked, // for text another tokenizer has read without error: decoded unchecked
    };

    // A tokenizer for `checkedText`, text that another tokenizer has already read without error,
    // leaves string tokens to DecodeString() instead of checking them.
    explicit TProjectFileTokenizer(std::string_view text, bool checkedText = false)
        : TProjectFileTokenizer(text, checkedText ? TStrings::Checked : TStrings::Scan)
    {
    }
    TProjectFileTokenizer(std::string_view text, TStrings strings)
        : FText(text)
        , FCheckedText(strings == TStrings::Checked)
        , FDecodeStrings(strings != TStrings::Scan)
    {
    }

    // Reads the next token. Throws EError "Invalid string constant on line N" for a quoted part that
    // does not close on its line or an escape without a valid code, and "Line too long on line N"
    // when it enters a line longer than MaxLineLength.
    void Next();

    TTokenKind Kind() const { return FKind; }
    // Unless strings are scanned: decodes the current string token into `decoder`. Must be called
    // for every string token before the next Next(). Throws EError as Next() would for a token
    // that is not checked yet.
    void DecodeString(TProjectStringDecoder &decoder)
    {
        if (FCheckedText) {
            FPos = decoder.AppendToken(FText, FBegin);
        } else {
            // A quoted part closes before the line's next carriage return.
            if (FReturn < FBegin)
                FReturn = NextReturn(FBegin);
            FPos = decoder.AppendCheckedToken(FText, FBegin, FReturn);
            if (FPos == std::string_view::npos)
                Error("Invalid string constant");
        }
        FEnd = FPos;
    }

    // The bytes of the current token as they stand in the text (not for the string tokens of
    // checked text).
    std::string_view Text() const { return FText.substr(FBegin, FEnd - FBegin); }
    // The line of the current token.
    std::int64_t Line() const { return FLine; }
    // Where the current token begins in the text.
    std::size_t Offset() const { return FBegin; }

    bool IsSymbol(char c) const { return FKind == TTokenKind::Symbol && FText[FBegin] == c; }
    // Whether the current token is the identifier `lowerCaseWord`, compared without regard to case.
    bool IsKeyword(std::string_view lowerCaseWord) const;

    // For a number token: whether it holds a digit at all ("-" and "$" alone do not).
    bool HasDigits() const { return FDigits; }
    // For a number token: its value when it has digits and fits in 32 bits.
    std::optional<std::int32_t> Int32() const;

    // Throws EError "<what> on line <current line>".
    [[noreturn]] void Error(std::string_view what) const;

private:
    void EnterLine(std::size_t start);
    // The first carriage return of the current line at or after `from`, or FLineEnd.
    std::size_t NextReturn(std::size_t from) const;
    void SkipBlanks();
    void ScanNumber();
    void ScanString();

    std::string_view FText;
    bool FCheckedText;
    bool FDecodeStrings;
    std::size_t FPos = 0;
    std::int64_t FLine = 0;
    // Where the current line's line feed stands, or the end of the text, and a carriage return
    // of the line at or after the last quoted part, or FLineEnd (not for checked text).
    std::size_t FLineEnd = 0;
    std::size_t FReturn = 0;
    bool FStarted = false;

    TTokenKind FKind = TTokenKind::EndOfText;
    std::size_t FBegin = 0;
    std::size_t FEnd = 0;
    bool FDigits = false;
    bool FNegative = false;
    // Saturates a little above the 32-bit range, so a long run of digits cannot overflow it.
    std::uint64_t FMagnitude = 0;
};

// Whether `a` equals the lower-case `lowerCaseWord` when ASCII letters are compared without case.
bool EqualsIgnoringCase(std::string_view a, std::string_view lowerCaseWord);

} // namespace zarvik
