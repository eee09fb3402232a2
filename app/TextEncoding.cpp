#include "app/TextEncoding.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <system_error>
#include <uchardet/uchardet.h>

namespace zarvik {
namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";

// Detection looks at the start of a big file only; a few hundred kilobytes of text settle it.
constexpr std::size_t DetectionSample = 256 * 1024;

constexpr char32_t ReplacementCharacter = 0xFFFD;

std::string AsciiUpper(std::string_view text)
{
    std::string upper(text);
    for (char &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool HasHighByte(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A control character that text files do not hold: not a tab, a line or page break, the DOS end
// of file (1A) or an escape.
bool IsBinaryControl(char32_t code)
{
    return code < 0x20 && code != '\t' && code != '\n' && code != '\v' && code != '\f' && code != '\r' &&
           code != 0x1A && code != 0x1B;
}

bool HasNul(std::string_view bytes)
{
    return std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

// Binary data: a NUL byte anywhere, or more than one stray control character in a hundred.
bool LooksBinary(std::string_view bytes)
{
    if (HasNul(bytes))
        return true;
    const std::string_view sample = bytes.substr(0, DetectionSample);
    const auto controls = std::count_if(
        sample.begin(), sample.end(), [](char c) { return IsBinaryControl(static_cast<unsigned char>(c)); });
    return static_cast<std::size_t>(controls) * 100 > sample.size();
}

// Calls `each` with every code point of UTF-16 data; a lone surrogate or an odd last byte gives
// U+FFFD. Returns the number of such faults.
template <typename F> std::size_t ForEachUtf16(std::string_view bytes, bool bigEndian, F &&each)
{
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t faults = 0;
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        const char32_t first = unit(i);
        i += 2;
        if (first >= 0xD800 && first <= 0xDBFF && i + 1 < bytes.size()) {
            const char32_t second = unit(i);
            if (second >= 0xDC00 && second <= 0xDFFF) {
                i += 2;
                each(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                continue;
            }
        }
        if (first >= 0xD800 && first <= 0xDFFF) {
            ++faults;
            each(ReplacementCharacter);
        } else {
            each(first);
        }
    }
    if (i < bytes.size()) {
        ++faults;
        each(ReplacementCharacter);
    }
    return faults;
}

// UTF-16 after a byte-order mark that decodes cleanly into text (no NUL, no stray controls).
bool LooksLikeUtf16Text(std::string_view data, bool bigEndian)
{
    std::size_t controls = 0;
    std::size_t characters = 0;
    bool nul = false;
    const std::size_t faults = ForEachUtf16(data, bigEndian, [&](char32_t code) {
        ++characters;
        nul = nul || code == 0;
        controls += IsBinaryControl(code) ? 1 : 0;
    });
    return faults == 0 && !nul && controls * 100 <= characters;
}

// The Windows-1251 form of every byte of a single-byte encoding, built once with iconv.
using TByteTable = std::array<std::string, 256>;

TByteTable BuildByteTable(const char *charset)
{
    const iconv_t cd = ::iconv_open("UTF-32LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw EError("Cannot convert text from " + std::string(charset) + ". " +
                     Utf8ToCp1251(std::generic_category().message(errno)));
    }
    TByteTable table;
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        unsigned char out[8] = {};
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // A byte the encoding leaves undefined is kept as it is.
        char32_t code = Cp1251ToUnicode(static_cast<unsigned char>(byte));
        if (done != static_cast<std::size_t>(-1) && inLeft == 0 && sizeof out - outLeft == 4)
            code = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
        AppendCp1251(table[static_cast<std::size_t>(byte)], code);
    }
    ::iconv_close(cd);
    return table;
}

const TByteTable &ByteTable(TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Koi8R: {
        static const TByteTable table = BuildByteTable("KOI8-R");
        return table;
    }
    case TTextEncoding::Cp866: {
        static const TByteTable table = BuildByteTable("CP866");
        return table;
    }
    default: {
        static const TByteTable table = BuildByteTable("ISO-8859-5");
        return table;
    }
    }
}

std::string FromSingleByte(std::string_view bytes, TTextEncoding encoding)
{
    const TByteTable &table = ByteTable(encoding);
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out += table[static_cast<unsigned char>(c)];
    return out;
}

std::string FromUtf16(std::string_view bytes)
{
    bool bigEndian = false;
    if (bytes.starts_with(Utf16BeMark)) {
        bigEndian = true;
        bytes.remove_prefix(2);
    } else if (bytes.starts_with(Utf16LeMark)) {
        bytes.remove_prefix(2);
    }
    std::string out;
    out.reserve(bytes.size() / 2);
    ForEachUtf16(bytes, bigEndian, [&](char32_t code) { AppendCp1251(out, code); });
    return out;
}

std::string FromUtf8(std::string_view bytes)
{
    if (bytes.starts_with(Utf8Mark))
        bytes.remove_prefix(Utf8Mark.size());
    return Utf8ToCp1251(bytes);
}

std::string CharsetOf(std::string_view bytes)
{
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                                            uchardet_delete);
    if (!detector)
        return {};
    const std::string_view sample = bytes.substr(0, DetectionSample);
    if (uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0)
        return {};
    uchardet_data_end(detector.get());
    const char *charset = uchardet_get_charset(detector.get());
    return charset ? AsciiUpper(charset) : std::string();
}

// Detection, given whether the bytes are valid UTF-8 and hold a byte above 7F (both need a pass
// over the whole text, which the caller shares).
TEncodingGuess Detect(std::string_view bytes, bool high, bool validUtf8, bool nameSingleByte = true)
{
    auto guess = [](TTextEncoding encoding) {
        return TEncodingGuess{encoding, std::string(TextEncodingName(encoding))};
    };
    for (const bool bigEndian : {false, true}) {
        if (bytes.starts_with(bigEndian ? Utf16BeMark : Utf16LeMark) &&
            LooksLikeUtf16Text(bytes.substr(2), bigEndian)) {
            return {TTextEncoding::Utf16, bigEndian ? "UTF-16BE" : "UTF-16LE"};
        }
    }
    if (LooksBinary(bytes))
        return {std::nullopt, {}, true};
    if (!high)
        return {std::nullopt, "ASCII"};
    if (validUtf8)
        return guess(TTextEncoding::Utf8);
    if (!nameSingleByte)
        return {};
    const std::string charset = CharsetOf(bytes);
    if (charset == "WINDOWS-1251" || charset == "CP1251")
        return guess(TTextEncoding::Cp1251);
    if (charset == "KOI8-R")
        return guess(TTextEncoding::Koi8R);
    if (charset == "IBM866" || charset == "CP866")
        return guess(TTextEncoding::Cp866);
    if (charset == "ISO-8859-5")
        return guess(TTextEncoding::Iso88595);
    return {std::nullopt, charset};
}

} // namespace

std::optional<TTextEncoding> ParseTextEncoding(std::string_view name)
{
    static constexpr std::pair<std::string_view, TTextEncoding> Names[] = {
        {"AUTO", TTextEncoding::Auto},           {"CP1251", TTextEncoding::Cp1251},
        {"WINDOWS-1251", TTextEncoding::Cp1251}, {"UTF-8", TTextEncoding::Utf8},
        {"UTF8", TTextEncoding::Utf8},           {"KOI8-R", TTextEncoding::Koi8R},
        {"CP866", TTextEncoding::Cp866},         {"IBM866", TTextEncoding::Cp866},
        {"ISO-8859-5", TTextEncoding::Iso88595}, {"UTF-16", TTextEncoding::Utf16},
    };
    const std::string upper = AsciiUpper(name);
    for (const auto &[known, encoding] : Names) {
        if (upper == known)
            return encoding;
    }
    return std::nullopt;
}

std::string_view TextEncodingName(TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Default:
        return "default";
    case TTextEncoding::Auto:
        return "auto";
    case TTextEncoding::Cp1251:
        return "Windows-1251";
    case TTextEncoding::Utf8:
        return "UTF-8";
    case TTextEncoding::Koi8R:
        return "KOI8-R";
    case TTextEncoding::Cp866:
        return "CP866";
    case TTextEncoding::Iso88595:
        return "ISO-8859-5";
    case TTextEncoding::Utf16:
        return "UTF-16";
    }
    return {};
}

TEncodingGuess DetectTextEncoding(std::string_view bytes)
{
    return Detect(bytes, HasHighByte(bytes), IsValidUtf8(bytes));
}

TDecodedText DecodeText(std::string_view bytes, TTextEncoding encoding, bool nameSingleByte)
{
    const bool high = HasHighByte(bytes);
    const bool validUtf8 = high && IsValidUtf8(bytes);
    TDecodedText result;
    result.Detected = Detect(bytes, high, validUtf8, nameSingleByte || encoding == TTextEncoding::Auto);

    TTextEncoding readAs = encoding;
    if (encoding == TTextEncoding::Default || encoding == TTextEncoding::Auto) {
        // Binary data is taken byte for byte even when it happens to be valid UTF-8.
        readAs = validUtf8 && !result.Detected.Binary ? TTextEncoding::Utf8 : TTextEncoding::Cp1251;
        const auto detected = result.Detected.Encoding;
        if (encoding == TTextEncoding::Auto && detected && *detected != TTextEncoding::Utf8 &&
            *detected != TTextEncoding::Cp1251)
            readAs = *detected;
    } else if (encoding != TTextEncoding::Utf16 && HasNul(bytes)) {
        // No text in a single-byte encoding or in UTF-8 holds a NUL byte, whatever was chosen;
        // UTF-16 is the one encoding whose text does.
        readAs = TTextEncoding::Cp1251;
    }

    switch (readAs) {
    case TTextEncoding::Utf8:
        result.Text = FromUtf8(bytes);
        break;
    case TTextEncoding::Koi8R:
    case TTextEncoding::Cp866:
    case TTextEncoding::Iso88595:
        result.Text = FromSingleByte(bytes, readAs);
        break;
    case TTextEncoding::Utf16:
        result.Text = FromUtf16(bytes);
        break;
    default:
        result.Text = std::string(bytes);
        break;
    }
    result.ReadAs = readAs;
    result.Converted = readAs != TTextEncoding::Utf8 && readAs != TTextEncoding::Cp1251;
    return result;
}

} // namespace zarvik
