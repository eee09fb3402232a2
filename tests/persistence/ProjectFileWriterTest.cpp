#include "persistence/ProjectFileWriter.h"

#include "persistence/ProjectFile.h"
#include "tests/persistence/ProjectFileTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

using namespace zarvik;
using zarvik::test::Crlf;
using zarvik::test::Ru;

namespace {

// The text of a generator that holds only `title` besides its defaults, between the header
// lines and the integer lines.
std::string WithTitle(const std::string &title)
{
    TSiteGenerator g;
    g.SetSiteTitle(title);
    return WriteProjectText(g);
}

std::string Body(const std::string &text)
{
    // The lines between "Pages = <>" and "MaxCharsPerPage".
    const auto from = text.find("<>\r\n") + 4;
    return text.substr(from, text.find("  MaxCharsPerPage") - from);
}

} // namespace

TEST(ProjectFileWriter, WritesTheGardenExampleByteForByte)
{
    TSiteGenerator g;
    zarvik::test::FillGarden(g);
    const std::string text = WriteProjectText(g);
    EXPECT_EQ(text, zarvik::test::ReadDataFile("garden.sgp"));
    EXPECT_EQ(TProjectFileWriter(g).TextSize(), text.size());
}

TEST(ProjectFileWriter, DefaultGeneratorWritesIntegersBooleansAndEmptyPages)
{
    TSiteGenerator g;
    EXPECT_EQ(WriteProjectText(g),
              Crlf({"object TSiteGenerator", "  Pages = <>", "  MaxCharsPerPage = 0", "  MinCharsPerPage = 0",
                    "  UseDigg = False", "  AlgoType = 0", "  MaxLinksPerPage = 0", "  MaxPages = 0",
                    "  Changed = False", "end"}));
}

TEST(ProjectFileWriter, WritesEveryStringInPublishedOrderAndNegativeIntegers)
{
    TSiteGenerator g;
    g.SetSiteUrlsToLink({"http://a.example/"});
    g.SetSiteTemplate("T");
    g.SetSiteMenu("M");
    g.SetAdsenseCode("A");
    g.SetCssCode("C");
    g.SetSiteHeader("H");
    g.SetSiteFooter("F");
    g.SetMaxCharsPerPage(-2147483647 - 1);
    g.SetMinCharsPerPage(2147483647);
    g.SetAlgoType(-1);
    g.SetMaxPages(7);
    g.SetMaxLinksPerPage(3);
    g.SetChanged(false);
    g.Pages().Add();
    TSitePage &p = g.Pages().Add();
    p.SetPagination("<b>1</b>");
    p.SetPageHTML("<p>x</p>");
    EXPECT_EQ(WriteProjectText(g), Crlf({"object TSiteGenerator",
                                         "  Pages = <",
                                         "    item",
                                         "    end",
                                         "    item",
                                         "      PageHTML = '<p>x</p>'",
                                         "      Pagination = '<b>1</b>'",
                                         "    end>",
                                         "  SiteTemplate = 'T'",
                                         "  SiteUrlsToLink.Strings = (",
                                         "    'http://a.example/')",
                                         "  SiteMenu = 'M'",
                                         "  AdsenseCode = 'A'",
                                         "  CssCode = 'C'",
                                         "  SiteHeader = 'H'",
                                         "  SiteFooter = 'F'",
                                         "  MaxCharsPerPage = -2147483648",
                                         "  MinCharsPerPage = 2147483647",
                                         "  UseDigg = False",
                                         "  AlgoType = -1",
                                         "  MaxLinksPerPage = 3",
                                         "  MaxPages = 7",
                                         "  Changed = False",
                                         "end"}));
}

TEST(ProjectFileWriter, SplitsLongValuesAfterSixtyFourCharacters)
{
    const std::string a64(64, 'a');
    EXPECT_EQ(Body(WithTitle(a64)), "  SiteTitle = '" + a64 + "'\r\n");
    EXPECT_EQ(Body(WithTitle(a64 + "b")), "  SiteTitle = \r\n    '" + a64 + "' +\r\n    'b'\r\n");
    EXPECT_EQ(Body(WithTitle(std::string(128, 'c'))), "  SiteTitle = \r\n    '" + std::string(64, 'c') +
                                                          "' +\r\n    '" + std::string(64, 'c') + "'\r\n");

    // Escapes count as one character each: 64 Cyrillic letters stay on the property line.
    std::string escapes;
    for (int i = 0; i < 64; ++i)
        escapes += "#1103";
    EXPECT_EQ(Body(WithTitle(std::string(64, '\xFF'))), "  SiteTitle = " + escapes + "\r\n");
    EXPECT_EQ(Body(WithTitle(std::string(65, '\xFF'))),
              "  SiteTitle = \r\n    " + escapes + " +\r\n    #1103\r\n");

    // A run of quoted text and escapes shares the 64 characters of a line.
    const std::string mixed = std::string(63, 'x') + "\t" + "yz";
    EXPECT_EQ(Body(WithTitle(mixed)),
              "  SiteTitle = \r\n    '" + std::string(63, 'x') + "'#9 +\r\n    'yz'\r\n");
    const std::string mixed2 = "\t" + std::string(64, 'x');
    EXPECT_EQ(Body(WithTitle(mixed2)),
              "  SiteTitle = \r\n    #9'" + std::string(63, 'x') + "' +\r\n    'x'\r\n");
}

TEST(ProjectFileWriter, EscapesControlsApostrophesAndEverythingAboveCode127)
{
    EXPECT_EQ(Body(WithTitle("It's spring.\r\n")), "  SiteTitle = 'It'#39's spring.'#13#10\r\n");
    EXPECT_EQ(Body(WithTitle("'")), "  SiteTitle = #39\r\n");
    EXPECT_EQ(Body(WithTitle("a\tb")), "  SiteTitle = 'a'#9'b'\r\n");
    EXPECT_EQ(Body(WithTitle("a\x7F"
                             "b")),
              "  SiteTitle = 'a\x7F"
              "b'\r\n");
    EXPECT_EQ(Body(WithTitle(std::string("\0", 1))), "  SiteTitle = #0\r\n");
    EXPECT_EQ(Body(WithTitle(Ru("Раздел"))), "  SiteTitle = #1056#1072#1079#1076#1077#1083\r\n");
    EXPECT_EQ(Body(WithTitle(Ru("Ёё №"))), "  SiteTitle = #1025#1105' '#8470\r\n");
    // The one byte without a character in the code page, the no-break space and the euro sign.
    EXPECT_EQ(Body(WithTitle("\x98\xA0\x88")), "  SiteTitle = #152#160#8364\r\n");
}

TEST(ProjectFileWriter, WritesListLinesOneLevelDeeper)
{
    TSiteGenerator g;
    g.SetSiteText({"", "a", "", std::string(65, 'z'), ""});
    EXPECT_EQ(Body(WriteProjectText(g)),
              Crlf({"  SiteText.Strings = (", "    ''", "    'a'", "    ''", "    ",
                    "      '" + std::string(64, 'z') + "' +", "      'z'", "    '')"}));
}

TEST(ProjectFileWriter, ContinuesLongPagePropertiesAtEightBlanks)
{
    TSiteGenerator g;
    g.CreateNewPage("index", std::string(70, 'q'));
    const std::string text = WriteProjectText(g);
    EXPECT_NE(text.find(Crlf({"    item", "      PageText = ", "        '" + std::string(64, 'q') + "' +",
                              "        'qqqqqq'", "      PageTitle = 'index'", "      PageUrl = 'index.html'",
                              "    end>"})),
              std::string::npos)
        << text;
}

TEST(ProjectFileWriter, WritesOnlySevenBitTextWithCrLfLines)
{
    TSiteGenerator g;
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    g.CreateNewPage(all, all);
    g.SetSiteText({all, all});
    const std::string text = WriteProjectText(g);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        ASSERT_TRUE((c >= 32 && c <= 127) || (c == '\r' && text[i + 1] == '\n') ||
                    (c == '\n' && text[i - 1] == '\r'))
            << "byte " << int(c) << " at " << i;
    }
}

TEST(ProjectFileWriter, MeasuresExactlyTheTextItWrites)
{
    // Values whose quoted runs and escapes meet the ends of the 64-character lines in every way.
    const std::string pieces[] = {"a", "\xE0", "'", "ab", "\xE0\xE1\xE2", std::string(63, 'x'), "\t\r\n"};
    for (std::size_t first = 0; first < std::size(pieces); ++first) {
        for (std::size_t length : {1u, 63u, 64u, 65u, 127u, 128u, 129u, 300u}) {
            std::string value;
            for (std::size_t k = first; value.size() < length; ++k)
                value += pieces[k % std::size(pieces)];
            value.resize(length);
            TSiteGenerator g;
            g.SetSiteTitle(value);
            g.SetSiteText({value, "", value});
            g.CreateNewPage("index", value);
            const TProjectFileWriter writer(g);
            EXPECT_EQ(writer.TextSize(), writer.Text().size()) << first << " " << length;
        }
    }
}

TEST(ProjectFileWriter, WritesTheSameTextInPiecesOfBoundedSize)
{
    // Pages of escapes, plain runs and apostrophes, together far larger than one piece; the
    // pieces end wherever the buffer fills, in the middle of values too.
    TSiteGenerator g;
    std::string body;
    for (int i = 0; body.size() < 300'000; ++i)
        body += i % 3 == 0 ? "\xCF\xF0\xE8\xE2\xE5\xF2 " : i % 3 == 1 ? "plain text, " : "it's ";
    for (int i = 0; i < 12; ++i)
        g.CreateNewPage("page" + std::to_string(i), body.substr(static_cast<std::size_t>(i) * 1000));
    g.SetSiteText({body, "", body.substr(7)});
    const TProjectFileWriter writer(g);
    const std::string whole = writer.Text();

    std::string joined;
    std::size_t pieces = 0;
    std::size_t largest = 0;
    writer.WriteText([&](std::string_view piece) {
        EXPECT_FALSE(piece.empty());
        joined.append(piece);
        largest = std::max(largest, piece.size());
        ++pieces;
    });
    EXPECT_EQ(joined, whole);
    EXPECT_GT(pieces, 10u);
    EXPECT_LE(largest, std::size_t{256 * 1024});

    // A small project comes as one piece.
    std::vector<std::string> small;
    TProjectFileWriter(TSiteGenerator()).WriteText([&](std::string_view piece) {
        small.emplace_back(piece);
    });
    EXPECT_EQ(small, std::vector<std::string>{WriteProjectText(TSiteGenerator())});
}
