
#include "engine/Error.h"
#include "persistence/ProjectFile.h"
#include "tests/persistence/ProjectFileTestSupport.h"

#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>

using namespace zarvik;
using zarvik::test::Crlf;
using zarvik::test::Ru;

namespace {

// A project text with the given property lines between the header and "end".
std::string Project(const std::vector<std::string> &properties)
{
    std::vector<std::string> lines{"object TSiteGenerator"};
    lines.insert(lines.end(), properties.begin(), properties.end());
    lines.push_back("end");
    return Crlf(lines);
}

std::string ReadError(const std::string &text, TSiteGenerator &g)
{
    try {
        ReadProjectText(text, g);
    } catch (const EError &e) {
        return e.what();
    }
    return "(no error)";
}

std::string ReadError(const std::string &text)
{
    TSiteGenerator g;
    return ReadError(text, g);
}

std::string ReadTitle(const std::string &value)
{
    TSiteGenerator g;
    ReadProjectText(Project({"  SiteTitle = " + value}), g);
    return g.SiteTitle();
}

} // namespace

TEST(ProjectFileReader, ReadsTheGardenExample)
{
    TSiteGenerator expected;
    zarvik::test::FillGarden(expected);
    TSiteGenerator g;
    ReadProjectText(zarvik::test::ReadDataFile("garden.sgp"), g);
    zarvik::test::ExpectSameProject(g, expected);
    EXPECT_EQ(g.Pages()[1].PageTitle(), Ru("Раздел 1"));
    EXPECT_TRUE(g.Changed());
    EXPECT_FALSE(g.LinksWasSetted());
}

TEST(ProjectFileReader, ToleratesTheFreedomsOfLayout)
{
    const std::string text = "\tOBJECT Gen1: TSiteGenerator [12]\n"
                             "sitetitle='It''s'\r\n"
                             "  +\r\n"
                             "\r\n"
                             "  'x'#9+#1025''\x01\x1F"
                             "  UseDigg = tRUE MaxPages = $7fffffff\n"
                             "  MinCharsPerPage = -00042 MaxCharsPerPage = 007\n"
                             "  Pages = < ITEM [3] pageurl = 'a.html' End item[0]eNd > \n"
                             "  SiteText . Strings = ( 'a' + 'b' '' ) Changed=false\n"
                             "End the rest is 'not' read )))";
    TSiteGenerator g;
    g.SetChanged(true);
    ReadProjectText(text, g);
    EXPECT_EQ(g.SiteTitle(), "It's"
                             "x\t\xA8");
    EXPECT_TRUE(g.UseDigg());
    EXPECT_FALSE(g.Changed());
    EXPECT_EQ(g.MaxPages(), 2147483647);
    EXPECT_EQ(g.MinCharsPerPage(), -42);
    EXPECT_EQ(g.MaxCharsPerPage(), 7);
    ASSERT_EQ(g.Pages().Count(), 2);
    EXPECT_EQ(g.Pages()[0].PageUrl(), "a.html");
    EXPECT_EQ(g.Pages()[1].PageUrl(), "");
    EXPECT_EQ(g.Pages()[1].PageTitle(), "");
    EXPECT_EQ(g.SiteText(), (TStringList{"ab", ""}));
}

TEST(ProjectFileReader, DecodesQuotedPartsAndEscapes)
{
    EXPECT_EQ(ReadTitle("''''"), "'");
    EXPECT_EQ(ReadTitle("''"), "");
    EXPECT_EQ(ReadTitle("'a'''#39'''b'"), "a'''b");
    EXPECT_EQ(ReadTitle("#0'\x7F'#127"), std::string("\0\x7F\x7F", 3));
    EXPECT_EQ(ReadTitle("#1056#1072#1079#1076#1077#1083"), Ru("Раздел"));
    EXPECT_EQ(ReadTitle("#00065#8364#152#160"), "A\x88\x98\xA0");
    EXPECT_EQ(ReadTitle("'a'\r\n    +\r\n\r\n    'b'+#13#10"), "ab\r\n");
}

TEST(ProjectFileReader, KeepsCharactersWithoutAWindows1251FormAsReferences)
{
    EXPECT_EQ(ReadTitle("'a'#20320'b'"), "a&#20320;b");
    EXPECT_EQ(ReadTitle("#1114111"), "&#1114111;");
    // An escaped surrogate pair is one character, even when a line break splits it.
    EXPECT_EQ(ReadTitle("#55357#56832"), "&#128512;");
    EXPECT_EQ(ReadTitle("'x'#55357 +\r\n    #56832'y'"), "x&#128512;y");
    // Halves without a partner keep their own codes.
    EXPECT_EQ(ReadTitle("#55357'a'#56832"), "&#55357;a&#56832;");
    EXPECT_EQ(ReadTitle("#55357"), "&#55357;");
}

TEST(ProjectFileReader, TakesRawBytesInQuotesAsUtf8OnlyInUtf8Files)
{
    // Windows-1251 bytes as they stand.
    EXPECT_EQ(ReadTitle("'\xCF\xF0\xE8\xE2\xE5\xF2 \x98'"), "\xCF\xF0\xE8\xE2\xE5\xF2 \x98");
    // A valid UTF-8 file: the characters are mapped like escapes.
    EXPECT_EQ(ReadTitle("'Привет €'"), Ru("Привет €"));
    EXPECT_EQ(ReadTitle("'你好'''"), "&#20320;&#22909;'");
    EXPECT_EQ(ReadTitle("'😀'"), "&#128512;");
    TSiteGenerator withMark;
    ReadProjectText("\xEF\xBB\xBF" + Project({"  SiteTitle = 'Ёж'"}), withMark);
    EXPECT_EQ(withMark.SiteTitle(), Ru("Ёж"));
    // One byte that is not UTF-8 anywhere in the file makes every quoted byte a Windows-1251 byte.
    TSiteGenerator g;
    ReadProjectText(Project({"  SiteTitle = 'Привет'", "  SavePath = '\xE0'"}), g);
    EXPECT_EQ(g.SiteTitle(), "Привет");
    EXPECT_EQ(g.SavePath(), "\xE0");
}

TEST(ProjectFileReader, ReplacesPagesOnlyWithANonEmptyCollection)
{
    TSiteGenerator g;
    g.CreateNewPage("index", "old");
    g.CreateNewPage("two", "old");
    ReadProjectText(Project({"  Pages = <>"}), g);
    ASSERT_EQ(g.Pages().Count(), 2);

    ReadProjectText(Project({"  Pages = <", "    item", "      PageText = 'new'", "    end>"}), g);
    ASSERT_EQ(g.Pages().Count(), 1);
    EXPECT_EQ(g.Pages()[0].PageText(), "new");
    EXPECT_EQ(g.Pages()[0].PageTitle(), "");
    EXPECT_EQ(g.Pages()[0].PageUrl(), "");
}

TEST(ProjectFileReader, EmptiesListsBeforeFillingThemAndKeepsWhatTheFileDoesNotName)
{
    TSiteGenerator g;
    g.SetSiteText({"old 1", "old 2"});
    g.SetSiteUrlsToLink({"http://old/"});
    g.SetCssCode("body{}");
    g.SetMaxPages(9);
    ReadProjectText(Project({"  SiteText.Strings = (", "    'new')", "  SiteUrlsToLink.Strings = ()"}), g);
    EXPECT_EQ(g.SiteText(), TStringList{"new"});
    EXPECT_TRUE(g.SiteUrlsToLink().empty());
    EXPECT_EQ(g.CssCode(), "body{}");
    EXPECT_EQ(g.MaxPages(), 9);
}

TEST(ProjectFileReader, MarksTheProjectChangedThroughTheSettersAndIgnoresTheComponentsOwnProperties)
{
    TSiteGenerator g;
    ReadProjectText(Project({"  Name = 'Generator'", "  Tag = -5", "  MaxCharsPerPage = 1"}), g);
    EXPECT_FALSE(g.Changed());
    EXPECT_EQ(g.MaxCharsPerPage(), 1);
    ReadProjectText(Project({"  MenuWord = 'w'"}), g);
    EXPECT_TRUE(g.Changed());
}

struct TBrokenFile
{
    const char *Name;
    std::string Text;
    std::string Message;
};

void PrintTo(const TBrokenFile &file, std::ostream *os)
{
    *os << file.Name;
}

class BrokenProjectFile : public testing::TestWithParam<TBrokenFile>
{
};

TEST_P(BrokenProjectFile, StopsWithTheExactMessage)
{
    EXPECT_EQ(ReadError(GetParam().Text), GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(
    SyntaxErrors, BrokenProjectFile,
    testing::Values(
        TBrokenFile{"EmptyFile", "", "OBJECT expected on line 1"},
        TBrokenFile{"WrongHeader", "\r\n\r\ninherited TSiteGenerator\r\nend\r\n",
                    "OBJECT expected on line 3"},
        TBrokenFile{"NoClassName", "object\r\n= 1\r\nend", "Identifier expected on line 2"},
        TBrokenFile{"NoClassAfterColon", "object Name: 5\r\nend", "Identifier expected on line 1"},
        TBrokenFile{"MissingEquals", Project({"  Pages = <>", "  SiteTitle 'x'"}),
                    "''='' expected on line 3"},
        TBrokenFile{"NameEndsInDot", Project({"  SiteText. = ()"}), "Identifier expected on line 2"},
        TBrokenFile{"UnclosedQuote", Project({"  SiteTitle = 'abc", "  'def'"}),
                    "Invalid string constant on line 2"},
        TBrokenFile{"QuoteClosedOnNextLine", "object T\nA = 'a\r'\nend", "Invalid string constant on line 2"},
        TBrokenFile{"EscapeWithoutDigits", Project({"", "  SiteTitle = 'a'#"}),
                    "Invalid string constant on line 3"},
        TBrokenFile{"EscapeBeyondUnicode", Project({"  SiteTitle = #1114112"}),
                    "Invalid string constant on line 2"},
        TBrokenFile{"HexEscape", Project({"  SiteTitle = #$41"}), "Invalid string constant on line 2"},
        TBrokenFile{"PlusWithoutString", Project({"  SiteTitle = 'a' +", "  MaxPages = 0"}),
                    "String expected on line 3"},
        TBrokenFile{"ValueOfNoKind", Project({"  MaxPages = ]"}), "Invalid property value on line 2"},
        TBrokenFile{"SetValue", Project({"  MaxPages = [1]"}), "Invalid property value on line 2"},
        TBrokenFile{"ValueMissingAtEnd", "object T\r\n  MaxPages =", "Invalid property value on line 2"},
        TBrokenFile{"MinusAlone", Project({"  MaxPages = -"}), "Number expected on line 2"},
        TBrokenFile{"DollarAlone", Project({"  MaxPages = $"}), "Number expected on line 2"},
        TBrokenFile{"HeaderIndexNotNumber", "object T [x]\r\nend", "Number expected on line 1"},
        TBrokenFile{"HeaderIndexUnclosed", "object T [1\r\nend", "'']'' expected on line 2"},
        TBrokenFile{"ItemIndexUnclosed", Project({"  Pages = <item [1 end>"}), "'']'' expected on line 2"},
        TBrokenFile{"ItemKeywordMissing", Project({"  Pages = <", "    PageText = 'a'", "  >"}),
                    "item expected on line 3"},
        TBrokenFile{"CollectionNotClosed", "object T\r\n  Pages = <\r\n    item\r\n    end\r\nend\r\n",
                    "item expected on line 5"},
        TBrokenFile{"MissingFinalEnd", Crlf({"object TSiteGenerator", "  MaxPages = 0"}),
                    "Identifier expected on line 3"},
        TBrokenFile{"ListNotClosed", "object T\r\n  SiteText.Strings = (\r\n    'a'\r\nend\r\n",
                    "Invalid property value on line 5"},
        TBrokenFile{"BadTokenAfterFinalEnd", "object T\r\nend\r\n\r\n'open",
                    "Invalid string constant on line 4"},
        TBrokenFile{"LineTooLong", Project({"  SiteTitle = '" + std::string(4080, 'a') + "'"}),
                    "Line too long on line 2"},
        TBrokenFile{"LineTooLongAfterFinalEnd", "object T\r\nend\r\n" + std::string(4095, ' ') + "x",
                    "Line too long on line 3"},
        TBrokenFile{"NullByteAsName", std::string("object T\r\n\0 = 1\r\nend", 19),
                    "Identifier expected on line 2"},
        TBrokenFile{"RawByteOutsideQuotes", Project({"  SiteTitle = \xD0\x90"}),
                    "Invalid property value on line 2"}),
    [](const testing::TestParamInfo<TBrokenFile> &param) { return std::string(param.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    PropertyErrors, BrokenProjectFile,
    testing::Values(
        TBrokenFile{"UnknownProperty", Project({"  Foo = 1"}),
                    "Error reading TSiteGenerator.Foo: Property Foo does not exist"},
        TBrokenFile{"UnknownDottedProperty", Project({"  SiteText.Lines = ()"}),
                    "Error reading TSiteGenerator.SiteText.Lines: Property SiteText.Lines does not exist"},
        TBrokenFile{"ReadOnlyProperty", Project({"  LinksWasSetted = True"}),
                    "Error reading TSiteGenerator.LinksWasSetted: Property is read-only"},
        TBrokenFile{"UnknownPageProperty",
                    Project({"  Pages = <", "    item", "      Index = 0", "    end>"}),
                    "Error reading TSitePage.Index: Property Index does not exist"},
        TBrokenFile{"NumberForPageString",
                    Project({"  Pages = <", "    item", "      PageUrl = 1", "    end>"}),
                    "Error reading TSitePage.PageUrl: Invalid property value"},
        TBrokenFile{"ListForPageString", Project({"  Pages = <item PageText = ('a') end>"}),
                    "Error reading TSitePage.PageText: Invalid property value"},
        TBrokenFile{"StringForInteger", Project({"  MaxPages = '1'"}),
                    "Error reading TSiteGenerator.MaxPages: Invalid property value"},
        TBrokenFile{"IntegerTooLarge", Project({"  MaxPages = 2147483648"}),
                    "Error reading TSiteGenerator.MaxPages: Invalid property value"},
        TBrokenFile{"IntegerTooSmall", Project({"  AlgoType = -2147483649"}),
                    "Error reading TSiteGenerator.AlgoType: Invalid property value"},
        TBrokenFile{"HexTooLarge", Project({"  MaxPages = $80000000"}),
                    "Error reading TSiteGenerator.MaxPages: Invalid property value"},
        TBrokenFile{"HugeNumber", Project({"  MaxPages = 99999999999999999999999999999"}),
                    "Error reading TSiteGenerator.MaxPages: Invalid property value"},
        TBrokenFile{"OtherWordForBoolean", Project({"  UseDigg = Yes"}),
                    "Error reading TSiteGenerator.UseDigg: Invalid property value"},
        TBrokenFile{"NumberForBoolean", Project({"  Changed = 1"}),
                    "Error reading TSiteGenerator.Changed: Invalid property value"},
        TBrokenFile{"IdentifierForString", Project({"  SiteTitle = True"}),
                    "Error reading TSiteGenerator.SiteTitle: Invalid property value"},
        TBrokenFile{"StringForList", Project({"  SiteText.Strings = 'a'"}),
                    "Error reading TSiteGenerator.SiteText.Strings: Invalid property value"},
        TBrokenFile{"NumberInList", Project({"  SiteUrlsToLink.Strings = ('a' 1)"}),
                    "Error reading TSiteGenerator.SiteUrlsToLink.Strings: Invalid property value"},
        TBrokenFile{"NestedList", Project({"  SiteText.Strings = (('a'))"}),
                    "Error reading TSiteGenerator.SiteText.Strings: Invalid property value"},
        TBrokenFile{"ListWithoutStrings", Project({"  SiteText = ('a')"}),
                    "Error reading TSiteGenerator.SiteText: Invalid property value"},
        TBrokenFile{"ListForPages", Project({"  Pages = ()"}),
                    "Error reading TSiteGenerator.Pages: Invalid property value"},
        TBrokenFile{"CollectionForString", Project({"  SiteTitle = <>"}),
                    "Error reading TSiteGenerator.SiteTitle: Invalid property value"},
        TBrokenFile{"NumberForName", Project({"  Name = 1"}),
                    "Error reading TSiteGenerator.Name: Invalid property value"},
        TBrokenFile{"StringForTag", Project({"  Tag = 'x'"}),
                    "Error reading TSiteGenerator.Tag: Invalid property value"}),
    [](const testing::TestParamInfo<TBrokenFile> &param) { return std::string(param.param.Name); });

TEST(ProjectFileReader, AcceptsLinesUpToTheLimit)
{
    // 4095 bytes with the line feed: the longest line that can be read.
    const std::string line = "  SiteTitle = '" + std::string(4095 - 18, 'a') + "'\r\n";
    ASSERT_EQ(line.size(), 4095u);
    TSiteGenerator g;
    ReadProjectText("object T\r\n" + line + "end", g);
    EXPECT_EQ(g.SiteTitle().size(), 4095u - 18);
    EXPECT_EQ(ReadError("object T\r\n" + line.substr(0, 16) + "a" + line.substr(16) + "end"),
              "Line too long on line 2");
}

TEST(ProjectFileReader, SyntaxErrorsAssignNothing)
{
    TSiteGenerator g;
    g.CreateNewPage("index", "kept");
    g.SetSiteTitle("kept");
    g.SetChanged(false);
    EXPECT_EQ(ReadError(Project({"  Pages = <item PageText = 'new' end>", "  SiteTitle = 'new'", "  Foo = 1",
                                 "  MaxPages = 'x"}),
                        g),
              "Invalid string constant on line 5");
    EXPECT_EQ(g.SiteTitle(), "kept");
    ASSERT_EQ(g.Pages().Count(), 1);
    EXPECT_EQ(g.Pages()[0].PageText(), "kept");
    EXPECT_FALSE(g.Changed());
}

TEST(ProjectFileReader, PropertyErrorsKeepTheAssignmentsBeforeThem)
{
    TSiteGenerator g;
    g.CreateNewPage("index", "old");
    g.SetSiteText({"old"});
    g.SetMenuWord("old");
    EXPECT_EQ(ReadError(Project({"  Pages = <", "    item", "      PageText = 'one'", "    end", "    item",
                                 "      PageTitle = 'two'", "      PageUrl = <>", "    end>",
                                 "  MenuWord = 'new'"}),
                        g),
              "Error reading TSitePage.PageUrl: Invalid property value");
    ASSERT_EQ(g.Pages().Count(), 2);
    EXPECT_EQ(g.Pages()[0].PageText(), "one");
    EXPECT_EQ(g.Pages()[1].PageTitle(), "two");
    EXPECT_EQ(g.MenuWord(), "old");

    // A list that fails halfway is left as it was.
    EXPECT_EQ(
        ReadError(Project({"  SiteTitle = 'new'", "  SiteText.Strings = ('a' 'b' 3 'c')", "  MaxPages = 4"}),
                  g),
        "Error reading TSiteGenerator.SiteText.Strings: Invalid property value");
    EXPECT_EQ(g.SiteTitle(), "new");
    EXPECT_EQ(g.SiteText(), TStringList{"old"});
    EXPECT_EQ(g.MaxPages(), 0);
}

TEST(ProjectFileReader, MatchesPropertyNamesWithoutRegardToCase)
{
    TSiteGenerator g;
    ReadProjectText(Project({"  SITETEXT.strings = ('a')", "  Pages = <item PAGETITLE = 'p' end>"}), g);
    EXPECT_EQ(g.SiteText(), TStringList{"a"});
    EXPECT_EQ(g.Pages()[0].PageTitle(), "p");
    EXPECT_EQ(ReadError(Project({"  Site_Title = 'x'"})),
              "Error reading TSiteGenerator.Site_Title: Property Site_Title does not exist");
}

TEST(ProjectFileReader, ShortensAbsurdlyLongNamesInMessages)
{
    std::string name = "A";
    for (int i = 0; i < 5000; ++i)
        name += "\r\n.b";
    std::string expected = "A";
    while (expected.size() < 256)
        expected += ".b";
    expected.resize(256);
    EXPECT_EQ(ReadError(Project({"  " + name + " = 1"})), "Error reading TSiteGenerator." + expected +
                                                              "...: Property " + expected +
                                                              "... does not exist");
}

TEST(ProjectFileReader, SurvivesDeepNestingWithoutRecursion)
{
    std::string text = "object T\r\n  Foo = ";
    for (int i = 0; i < 300000; ++i)
        text += "(<item A = \r\n";
    EXPECT_EQ(ReadError(text), "Invalid property value on line 300002");
    text += "end";
    EXPECT_EQ(ReadError(text), "Identifier expected on line 300002");
}

TEST(ProjectFileReader, DecodesLongRunsOfEscapesWithOtherCharactersAmongThem)
{
    // Hundreds of Cyrillic escapes in a row, broken at uneven places by a reference, a surrogate
    // pair split across lines, an apostrophe and codes of other lengths.
    std::string value;
    std::string expected;
    for (int i = 0; i < 700; ++i) {
        if (i == 255) {
            value += "#20320";
            expected += "&#20320;";
        } else if (i == 256) {
            value += "#55357 +\r\n    #56832";
            expected += "&#128512;";
        } else if (i == 511) {
            value += "''''#39#9#1025";
            expected += "''\t\xA8";
        }
        value += "#" + std::to_string(1040 + i % 64);
        expected += static_cast<char>(0xC0 + i % 64);
    }
    EXPECT_EQ(ReadTitle(value), expected);
}

TEST(ProjectFileReader, ChecksEscapesAtTheVeryEndOfTheText)
{
    // The token after the final "end" may end the text in the middle of a code's digits.
    const std::string base = Project({"  SiteTitle = #1072"});
    for (const std::string tail : {"#1", "#10", "#107", "#1072", "#10720", "#1114111", "'a'#1072"}) {
        TSiteGenerator g;
        ReadProjectText(base + tail, g);
        EXPECT_EQ(g.SiteTitle(), "\xE0") << tail;
    }
    EXPECT_EQ(ReadError(base + "#1114112"), "Invalid string constant on line 4");
    // Bytes next to the digits in the code table end a code wherever they stand.
    for (const char next : {'/', ':', ';', '?', '@'}) {
        for (std::size_t digits = 1; digits < 4; ++digits) {
            const std::string value = "#" + std::string("1072").substr(0, digits) + next + "2#1072";
            EXPECT_EQ(ReadError(Project({"  SiteTitle = " + value})), "Identifier expected on line 2")
                << value;
        }
    }
    EXPECT_EQ(ReadError(base + "#"), "Invalid string constant on line 4");
    EXPECT_EQ(ReadError(base + "#1072'a"), "Invalid string constant on line 4");
}

TEST(ProjectFileReader, FindsTheEndOfShortAndLongQuotedParts)
{
    for (const std::size_t length : {0u, 1u, 14u, 15u, 16u, 17u, 40u}) {
        const std::string plain(length, 'x');
        EXPECT_EQ(ReadTitle("'" + plain + "'"), plain) << length;
        EXPECT_EQ(ReadTitle("'" + plain + "''" + plain + "'#1072"), plain + "'" + plain + "\xE0") << length;
        // Not closed on the line, or broken by a carriage return before or after the 16th byte.
        EXPECT_EQ(ReadError(Project({"  SiteTitle = '" + plain, "  SiteFooter = 'a'"})),
                  "Invalid string constant on line 2")
            << length;
        EXPECT_EQ(ReadError(Project({"  SiteTitle = '" + plain + "\rx'"})),
                  "Invalid string constant on line 2")
            << length;
    }
    EXPECT_EQ(ReadError("object T\r\n  SiteTitle = '" + std::string(30, 'x')),
              "Invalid string constant on line 2");
}

namespace {

// The error message of a reading, or "" when the text was read whole.
template <typename TRead> std::string ErrorOf(TRead &&read)
{
    try {
        read();
    } catch (const zarvik::EError &e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(ProjectFileReader, ReadsMutatedTextsExactlyAsTheTwoPassReadingDoes)
{
    // Texts one to three edits away from a sound project, with the bytes that matter to strings,
    // lines and structure.
    zarvik::TSiteGenerator garden;
    zarvik::test::FillGarden(garden);
    garden.CreateNewPage("page2", "#'\x01\xE0\xFF" + std::string(70, 'x') + "''");
    const std::string sound = zarvik::WriteProjectText(garden);
    const std::string alphabet = "'#\r\n +=()<>09xA_-$\x01\t";
    std::mt19937 rng(7);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = sound;
        for (int edit = 0, edits = 1 + static_cast<int>(rng() % 3); edit < edits; ++edit) {
            const std::size_t at = rng() % text.size();
            const char c = alphabet[rng() % alphabet.size()];
            switch (rng() % 3) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
                break;
            default:
                text.erase(at, 1 + rng() % 6);
                break;
            }
        }
        zarvik::TSiteGenerator expected;
        zarvik::TSiteGenerator actual;
        const std::string expectedError =
            ErrorOf([&] { zarvik::ReadProjectTextInTwoPasses(text, expected); });
        ASSERT_EQ(ErrorOf([&] { zarvik::ReadProjectText(text, actual); }), expectedError) << text;
        ASSERT_EQ(zarvik::WriteProjectText(actual), zarvik::WriteProjectText(expected)) << text;
        accepted += expectedError.empty();
    }
    // Both kinds of outcome were tried.
    EXPECT_GT(accepted, 400);
    EXPECT_LT(accepted, 3600);
}
