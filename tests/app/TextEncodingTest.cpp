#include "app/TextEncoding.h"

#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;

namespace {

// The same three lines of Russian text saved in each encoding (tests/app/data/russian.*.txt).
std::string Sample(const std::string &encoding)
{
    return ReadAll(std::string(ZARVIK_TEST_DATA) + "/russian." + encoding + ".txt");
}

struct TSampleCase
{
    std::string File;
    TTextEncoding Encoding;
    // Whether the usual rule converts the file (UTF-8) or takes it byte for byte.
    bool UsualRuleConverts;
};

class EverySavedEncoding : public testing::TestWithParam<TSampleCase>
{
};

} // namespace

TEST_P(EverySavedEncoding, AutoGivesTheSameWindows1251TextAndTheUsualRuleKeepsOtherBytes)
{
    const TSampleCase &sample = GetParam();
    const std::string bytes = Sample(sample.File);
    const std::string expected = Sample("cp1251");
    ASSERT_FALSE(expected.empty());

    const TDecodedText automatic = DecodeText(bytes, TTextEncoding::Auto);
    EXPECT_EQ(automatic.Text, expected);
    ASSERT_TRUE(automatic.Detected.Encoding.has_value());
    EXPECT_EQ(*automatic.Detected.Encoding, sample.Encoding);
    EXPECT_EQ(automatic.ReadAs, sample.Encoding);
    const bool usualEncoding =
        sample.Encoding == TTextEncoding::Cp1251 || sample.Encoding == TTextEncoding::Utf8;
    EXPECT_EQ(automatic.Converted, !usualEncoding);

    // Named explicitly, the encoding reads the same text.
    EXPECT_EQ(DecodeText(bytes, sample.Encoding).Text, expected);

    const TDecodedText usual = DecodeText(bytes, TTextEncoding::Default);
    EXPECT_EQ(usual.Text, sample.UsualRuleConverts ? expected : bytes);
    EXPECT_FALSE(usual.Converted);
}

INSTANTIATE_TEST_SUITE_P(Russian, EverySavedEncoding,
                         testing::Values(TSampleCase{"cp1251", TTextEncoding::Cp1251, false},
                                         TSampleCase{"utf-8", TTextEncoding::Utf8, true},
                                         TSampleCase{"utf-8-bom", TTextEncoding::Utf8, true},
                                         TSampleCase{"utf-16le", TTextEncoding::Utf16, false},
                                         TSampleCase{"utf-16be", TTextEncoding::Utf16, false},
                                         TSampleCase{"koi8-r", TTextEncoding::Koi8R, false},
                                         TSampleCase{"cp866", TTextEncoding::Cp866, false},
                                         TSampleCase{"iso-8859-5", TTextEncoding::Iso88595, false}),
                         [](const testing::TestParamInfo<TSampleCase> &param) {
                             std::string name;
                             for (char c : param.param.File)
                                 name += c == '-' ? '_' : c;
                             return name;
                         });

TEST(DecodeText, ByteOrderMarkIsDroppedOnlyWhenTheFileIsReadAsUtf8)
{
    for (const TTextEncoding rule : {TTextEncoding::Default, TTextEncoding::Auto, TTextEncoding::Utf8}) {
        EXPECT_EQ(DecodeText("\xEF\xBB\xBF<!DOCTYPE html>", rule).Text, "<!DOCTYPE html>");
        EXPECT_EQ(DecodeText("\xEF\xBB\xBF", rule).Text, "");
        EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xD0\xA1", rule).Text, Ru("С"));
        // Only a leading mark is one; a later U+FEFF is a character.
        EXPECT_EQ(DecodeText("a\xEF\xBB\xBF", rule).Text, "a&#65279;");
    }
    // Not valid UTF-8 after the mark: the usual rule takes every byte, the mark included.
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xC0\xC1", TTextEncoding::Default).Text, "\xEF\xBB\xBF\xC0\xC1");
    // Read as Windows-1251 on request, the mark stays as its three letters.
    EXPECT_EQ(DecodeText("\xEF\xBB\xBFx", TTextEncoding::Cp1251).Text, "\xEF\xBB\xBFx");
}

TEST(DecodeText, CharactersWindows1251LacksBecomeNumericReferences)
{
    // KOI8-R 80 is a box-drawing line, 9C the degree sign (B0 in Windows-1251), 9F the division sign.
    EXPECT_EQ(DecodeText("\x80\x9C\x9F", TTextEncoding::Koi8R).Text, "&#9472;\xB0&#247;");
    // CP866 FC is the numero sign, which Windows-1251 has.
    EXPECT_EQ(DecodeText("\xFC", TTextEncoding::Cp866).Text, "\xB9");
    // UTF-16: a surrogate pair, a lone surrogate and an odd last byte.
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), TTextEncoding::Utf16).Text, "&#128512;");
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x00\xDC\x41\x00", 6), TTextEncoding::Utf16).Text, "&#65533;A");
    EXPECT_EQ(DecodeText(std::string("\x41\x00\x42", 3), TTextEncoding::Utf16).Text, "A&#65533;");
    EXPECT_EQ(DecodeText(std::string("\xFE\xFF\x04\x10", 4), TTextEncoding::Utf16).Text, Ru("А"));
}

TEST(DecodeText, BinaryAndUnplacedDataIsTakenByteForByte)
{
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xC1\xF2\xE5", 19);
    const std::string utf16Lookalike("\xFF\xFE\x00\x00\x01\x02\xC0\xC1", 8);
    const std::string controls("\xC1\x01\xF2\x02\xE5\x03\xF0\x04", 8);
    for (const std::string &bytes : {png, utf16Lookalike, controls}) {
        const TDecodedText decoded = DecodeText(bytes, TTextEncoding::Auto);
        EXPECT_EQ(decoded.Text, bytes);
        EXPECT_FALSE(decoded.Converted);
        EXPECT_FALSE(decoded.Detected.Encoding.has_value());
    }
    const TDecodedText ascii = DecodeText("plain text\r\n", TTextEncoding::Auto);
    EXPECT_EQ(ascii.Text, "plain text\r\n");
    EXPECT_EQ(ascii.Detected.Name, "ASCII");
    EXPECT_EQ(DecodeText("", TTextEncoding::Auto).Text, "");
}

TEST(DecodeText, AFileWithANulByteIsTakenByteForByteUnlessItIsReadAsUtf16)
{
    // Valid UTF-8 ("С", NUL, "П"), with and without a byte-order mark.
    const std::string utf8WithNul("\xD0\xA1\0\xD0\x9F", 5);
    const std::string markedWithNul("\xEF\xBB\xBF\xD0\xA1\0", 6);
    for (const std::string &bytes : {utf8WithNul, markedWithNul}) {
        for (const TTextEncoding encoding :
             {TTextEncoding::Default, TTextEncoding::Auto, TTextEncoding::Cp1251, TTextEncoding::Utf8,
              TTextEncoding::Koi8R, TTextEncoding::Cp866, TTextEncoding::Iso88595}) {
            SCOPED_TRACE(std::string(TextEncodingName(encoding)) + " " + std::to_string(bytes.size()));
            const TDecodedText decoded = DecodeText(bytes, encoding);
            EXPECT_EQ(decoded.Text, bytes);
            EXPECT_EQ(decoded.ReadAs, TTextEncoding::Cp1251);
            EXPECT_FALSE(decoded.Converted);
            EXPECT_TRUE(decoded.Detected.Binary);
            EXPECT_EQ(decoded.Detected.Name, "");
        }
    }

    // UTF-16 text holds NUL bytes: chosen, or found by detection from its byte-order mark, it is
    // converted and is not binary.
    const std::string utf16("\xFF\xFE\x21\x04\x41\x00", 6);
    for (const TTextEncoding encoding : {TTextEncoding::Auto, TTextEncoding::Utf16}) {
        const TDecodedText decoded = DecodeText(utf16, encoding);
        EXPECT_EQ(decoded.Text, Ru("СA"));
        EXPECT_EQ(decoded.ReadAs, TTextEncoding::Utf16);
        EXPECT_FALSE(decoded.Detected.Binary);
    }
    // The usual rule never converts from UTF-16.
    EXPECT_EQ(DecodeText(utf16, TTextEncoding::Default).Text, utf16);

    // Stray control characters make valid UTF-8 binary for the rules; a chosen UTF-8 still
    // converts it, as nothing in it is certain to be binary.
    const std::string controls("\xD0\xA1\x01\xD0\x9F\x02", 6);
    for (const TTextEncoding rule : {TTextEncoding::Default, TTextEncoding::Auto}) {
        EXPECT_EQ(DecodeText(controls, rule).Text, controls);
        EXPECT_TRUE(DecodeText(controls, rule).Detected.Binary);
    }
    EXPECT_EQ(DecodeText(controls, TTextEncoding::Utf8).Text, Ru("С\x01П\x02"));
    EXPECT_FALSE(DecodeText("\xD0\xA1\t\xD0\x9F\r\n", TTextEncoding::Default).Detected.Binary);
}

TEST(ParseTextEncoding, TakesTheCommandLineNamesInAnyCase)
{
    EXPECT_EQ(ParseTextEncoding("auto"), TTextEncoding::Auto);
    EXPECT_EQ(ParseTextEncoding("CP1251"), TTextEncoding::Cp1251);
    EXPECT_EQ(ParseTextEncoding("windows-1251"), TTextEncoding::Cp1251);
    EXPECT_EQ(ParseTextEncoding("utf-8"), TTextEncoding::Utf8);
    EXPECT_EQ(ParseTextEncoding("Koi8-R"), TTextEncoding::Koi8R);
    EXPECT_EQ(ParseTextEncoding("cp866"), TTextEncoding::Cp866);
    EXPECT_EQ(ParseTextEncoding("iso-8859-5"), TTextEncoding::Iso88595);
    EXPECT_EQ(ParseTextEncoding("utf-16"), TTextEncoding::Utf16);
    EXPECT_FALSE(ParseTextEncoding("koi8-u").has_value());
    EXPECT_FALSE(ParseTextEncoding("").has_value());
    EXPECT_FALSE(ParseTextEncoding("default").has_value());
}
