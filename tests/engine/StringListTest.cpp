#include "engine/StringList.h"

#include <gtest/gtest.h>

using namespace zarvik;

TEST(StringList, SplitsAtEveryKindOfLineBreak)
{
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (TStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\r\nb"), (TStringList{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (TStringList{"a", "", "b"}));
}

TEST(StringList, FinalBreakAddsNoEmptyLine)
{
    EXPECT_EQ(SplitLines(""), TStringList{});
    EXPECT_EQ(SplitLines("a\r\n"), TStringList{"a"});
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (TStringList{"a", ""}));
    EXPECT_EQ(SplitLines("\r\n"), TStringList{""});
}

TEST(StringList, ListTextEndsEveryLineWhileJoinDoesNotEndTheLast)
{
    const TStringList lines{"one", "", "three"};
    EXPECT_EQ(ListText(lines), "one\r\n\r\nthree\r\n");
    EXPECT_EQ(JoinLines(lines), "one\r\n\r\nthree");
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({""}), "");
    EXPECT_EQ(SplitLines(JoinLines(lines)), lines);
    EXPECT_EQ(SplitLines(ListText(lines)), lines);
}
