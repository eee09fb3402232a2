#include "engine/Cp1251.h"

#include <gtest/gtest.h>
#include <string>

using namespace zarvik;

TEST(Cp1251, EveryByteRoundTripsThroughUnicode)
{
    for (int b = 0; b < 256; ++b) {
        const char32_t code = Cp1251ToUnicode(static_cast<unsigned char>(b));
        const auto back = UnicodeToCp1251(code);
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, KnownCodePoints)
{
    EXPECT_EQ(Cp1251ToUnicode(0xC0), U'А');
    EXPECT_EQ(Cp1251ToUnicode(0xFF), U'я');
    EXPECT_EQ(Cp1251ToUnicode(0xA8), U'Ё');
    EXPECT_EQ(Cp1251ToUnicode(0xB8), U'ё');
    EXPECT_EQ(Cp1251ToUnicode(0x88), U'€');
    EXPECT_EQ(Cp1251ToUnicode(0xB9), U'№');
    EXPECT_EQ(Cp1251ToUnicode(0x98), char32_t(0x98));
    EXPECT_FALSE(UnicodeToCp1251(U'Ω').has_value());
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
}

TEST(Cp1251, UpperCaseFoldsLatinAndCyrillicOnly)
{
    EXPECT_EQ(UpperCp1251(Utf8ToCp1251("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")),
              Utf8ToCp1251("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
    EXPECT_EQ(UpperCp1251("abcxyz ABC 019.,;"), "ABCXYZ ABC 019.,;");
    EXPECT_EQ(UpperCp1251(Utf8ToCp1251("ђѓљњќћџўјґєїіѕ")), Utf8ToCp1251("ЂЃЉЊЌЋЏЎЈҐЄЇІЅ"));
    // Capitals, digits and signs stay as they are.
    for (int b = 0xC0; b <= 0xDF; ++b)
        EXPECT_EQ(UpperCp1251(static_cast<unsigned char>(b)), b);
    EXPECT_EQ(UpperCp1251(static_cast<unsigned char>(0xB5)), 0xB5); // micro sign
}

TEST(Cp1251, ImportConvertsUtf8AndKeepsSingleByteFiles)
{
    EXPECT_EQ(ImportText("Сад и огород"), "\xD1\xE0\xE4 \xE8 \xEE\xE3\xEE\xF0\xEE\xE4");
    EXPECT_EQ(ImportText("Цена 5 € или 7 ₽"), "\xD6\xE5\xED\xE0 5 \x88 \xE8\xEB\xE8 7 &#8381;");
    EXPECT_EQ(ImportText("日本"), "&#26085;&#26412;");
    // Windows-1251 text is not valid UTF-8 and is taken byte for byte.
    const std::string cp = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!";
    EXPECT_EQ(ImportText(cp), cp);
    EXPECT_EQ(ImportText("plain ascii\r\n"), "plain ascii\r\n");
    EXPECT_EQ(ImportText(""), "");
}

TEST(Cp1251, MalformedUtf8IsNotConverted)
{
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));     // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xD0"));         // truncated
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(ImportText("ok \xD0"), "ok \xD0");
}
