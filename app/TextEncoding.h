#pragma once

#include <optional>
#include <string>
#include <string_view>

// The encodings a text file the user hands to a project may come in, and their conversion to
// the program's Windows-1251 text.
namespace zarvik {

// Binary data, a file with a NUL byte or with more than one stray control character in a
// hundred, is taken byte for byte by both rules, even when it happens to be valid UTF-8. A file
// with a NUL byte is taken byte for byte also when an encoding other than UTF-16 is chosen: no
// text in the other encodings holds one. UTF-16, whose text does, is the exception.
enum class TTextEncoding
{
    // The program's usual rule: a file that is valid UTF-8, holds non-ASCII bytes and is not
    // binary is read as UTF-8 (its byte-order mark dropped); any other file is taken byte for
    // byte.
    Default,
    // Detection decides: a file found to be KOI8-R, CP866, ISO-8859-5 or UTF-16 with a byte-order
    // mark (and text after it) is converted from it; anything else is read by the usual rule.
    Auto,
    Cp1251,
    Utf8,
    Koi8R,
    Cp866,
    Iso88595,
    Utf16,
};

// The encoding named on the command line: "auto", "cp1251", "utf-8", "koi8-r", "cp866",
// "iso-8859-5" or "utf-16", in any letter case ("windows-1251", "utf8" and "ibm866" are
// understood too). Nothing for an unknown name.
std::optional<TTextEncoding> ParseTextEncoding(std::string_view name);

// "Windows-1251", "UTF-8", "KOI8-R", "CP866", "ISO-8859-5", "UTF-16"; "default" and "auto" for the
// two rules.
std::string_view TextEncodingName(TTextEncoding encoding);

// What detection makes of a file's bytes.
struct TEncodingGuess
{
    // The encoding, when detection is sure of it and it is one the program reads (never Default
    // or Auto).
    std::optional<TTextEncoding> Encoding;
    // The detected encoding's name for display ("KOI8-R", "ASCII", "WINDOWS-1252", ...), empty
    // when detection found nothing (binary data, or text it cannot place).
    std::string Name;
    // Binary data: a NUL byte, or more than one stray control character in a hundred. UTF-16
    // with a byte-order mark that decodes into text is not binary.
    bool Binary = false;
};

TEncodingGuess DetectTextEncoding(std::string_view bytes);

struct TDecodedText
{
    // Windows-1251; characters the code page lacks are written as "&#N;".
    std::string Text;
    // How the bytes were read: Cp1251 means byte for byte. Never Default or Auto.
    TTextEncoding ReadAs = TTextEncoding::Cp1251;
    // True when ReadAs is an encoding the usual rule never uses (KOI8-R, CP866, ISO-8859-5,
    // UTF-16), so the text differs from what the usual rule gives.
    bool Converted = false;
    TEncodingGuess Detected;
};

// Reads the bytes in the given encoding, or byte for byte where binary data calls for it (see
// TTextEncoding). An explicit UTF-8 or UTF-16 drops a leading byte-order mark; UTF-16 without a
// mark is taken as little-endian. Malformed UTF-8 sequences are kept byte for byte, malformed
// UTF-16 becomes "&#65533;". Throws EError when the system cannot convert from a single-byte
// encoding. Without `nameSingleByte`, a text in an unknown single-byte code page is not told
// apart (Detected names no encoding): telling KOI8-R from CP866 and Windows-1251 is by far the
// slowest step, and only Auto reads the text by what it finds.
TDecodedText DecodeText(std::string_view bytes, TTextEncoding encoding, bool nameSingleByte = true);

} // namespace zarvik
