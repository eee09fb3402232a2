#include "app/IntegerConversion.h"

#include "engine/Error.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

using namespace zarvik;

struct TValidCase
{
    const char *Text;
    std::int32_t Value;
};

class StrToIntAccepts : public testing::TestWithParam<TValidCase>
{
};

TEST_P(StrToIntAccepts, Text)
{
    EXPECT_EQ(StrToInt(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(
    NumberFields, StrToIntAccepts,
    testing::Values(TValidCase{"4000", 4000}, TValidCase{" 4000", 4000}, TValidCase{"   -12", -12},
                    TValidCase{"+7", 7}, TValidCase{"00", 0}, TValidCase{"-0", 0}, TValidCase{"$1F", 31},
                    TValidCase{"$ff", 255}, TValidCase{"x10", 16}, TValidCase{"X10", 16},
                    TValidCase{"0x1a", 26}, TValidCase{"0XFF", 255}, TValidCase{"-$10", -16},
                    TValidCase{"2147483647", 2147483647}, TValidCase{"-2147483648", INT32_MIN},
                    TValidCase{"$7FFFFFFF", 2147483647}, TValidCase{"-$80000000", INT32_MIN},
                    TValidCase{"0000000000000000000012", 12}));

class StrToIntRejects : public testing::TestWithParam<const char *>
{
};

TEST_P(StrToIntRejects, TextWithItsOwnMessage)
{
    const std::string text = GetParam();
    try {
        StrToInt(text);
        FAIL() << "accepted '" << text << "'";
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(NumberFields, StrToIntRejects,
                         testing::Values("", " ", "abc", "4000 ", "4 000", "+", "-", "$", "0x", "x", "--1",
                                         "+-1", "1.5", "\t5", "12abc", "$G", "0x-1", "2147483648",
                                         "-2147483649", "$80000000", "0xFFFFFFFF", "99999999999999999999",
                                         "\xC0\xE1\xE2"));
