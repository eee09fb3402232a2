#include "engine/SiteRules.h"

#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::Ru;

TEST(SiteRules, WordBytesAreExactlyTheLettersAndDigitsOfTheCodePage)
{
    // Every letter of Windows-1251 beyond ASCII, written out: the Russian alphabet and the
    // letters of the other languages the code page serves.
    const std::string letters = Ru("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                   "ЂђЃѓЄєЅѕІіЇїЈјЉљЊњЋћЌќЎўЏџҐґ");
    ASSERT_EQ(letters.size(), 94u);
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool expected = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                              letters.find(c) != std::string::npos;
        EXPECT_EQ(IsWordByte(c), expected) << "byte " << b;
    }
    // The four that the link report once took for separators, and signs that are no letters.
    for (const char *letter : {"і", "ї", "ґ", "ў"})
        EXPECT_TRUE(IsWordByte(Ru(letter).at(0))) << letter;
    for (const char *sign : {"µ", "«", "№", "—", "\u00a0", "'", "-", "_"})
        EXPECT_FALSE(IsWordByte(Ru(sign).at(0))) << sign;
    EXPECT_FALSE(IsWordByte('\x98'));
}
