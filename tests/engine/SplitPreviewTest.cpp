#include "engine/SplitPreview.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

const std::string Marker = "!-next_page-!";

void Configure(TSiteGenerator &g, int minChars, int maxChars, std::string marker = Marker)
{
    g.SetMinCharsPerPage(minChars);
    g.SetMaxCharsPerPage(maxChars);
    g.SetDiggValue(std::move(marker));
    g.SetMenuWord(Ru("Раздел"));
}

std::vector<TPageEnd> Ends(const std::vector<TPreviewPage> &pages)
{
    std::vector<TPageEnd> out;
    for (const auto &p : pages)
        out.push_back(p.Piece.End);
    return out;
}

std::vector<std::size_t> Cuts(const std::vector<TPreviewPage> &pages)
{
    std::vector<std::size_t> out;
    for (const auto &p : pages)
        out.push_back(p.Piece.Cut);
    return out;
}

std::string Letters(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += static_cast<char>('a' + i);
    return s;
}

} // namespace

TEST(SplitPreview, ReasonsAndPositionsOfTheCuts)
{
    TSiteGenerator g;
    Configure(g, 5, 100);
    auto pages = PreviewContent(g, "Hello. World");
    EXPECT_EQ(Ends(pages), (std::vector{TPageEnd::SentenceEnd, TPageEnd::EndOfText}));
    EXPECT_EQ(Cuts(pages), (std::vector<std::size_t>{6, 12}));
    EXPECT_EQ(pages[0].Title, "index");
    EXPECT_EQ(pages[1].Title, Ru("Раздел 1"));
    EXPECT_EQ(pages[1].Url, "page1.html");

    Configure(g, 5, 10);
    pages = PreviewContent(g, Letters(26));
    EXPECT_EQ(Ends(pages),
              (std::vector{TPageEnd::HardCutMidWord, TPageEnd::HardCutMidWord, TPageEnd::EndOfText}));
    EXPECT_EQ(Cuts(pages), (std::vector<std::size_t>{10, 20, 26}));
    // A hard cut between a word and a space is not mid-word, nor is one before a full stop.
    EXPECT_EQ(Ends(PreviewContent(g, "abcdefghij klmnopqrs.tuvw")),
              (std::vector{TPageEnd::HardCut, TPageEnd::HardCut, TPageEnd::EndOfText}));
    // Cyrillic letters are word bytes too, in both cases.
    EXPECT_EQ(Ends(PreviewContent(g, Ru("абвгдежзийКЛМНО")))[0], TPageEnd::HardCutMidWord);

    Configure(g, 400, 500);
    pages = PreviewContent(g, "First part\r\n" + Marker + "\r\nSecond part");
    EXPECT_EQ(Ends(pages), (std::vector{TPageEnd::Marker, TPageEnd::EndOfText}));
    EXPECT_EQ(pages[0].Piece.Cut, 12u);
    EXPECT_EQ(pages[1].Piece.Offset, 12u + Marker.size());
}

TEST(SplitPreview, WarnsAboutTheSharpEdges)
{
    TSiteGenerator g;
    Configure(g, 400, 500);
    for (const std::string &tail : {std::string(), std::string("x")}) {
        const std::string text = "text\r\n" + Marker + tail;
        const auto pages = PreviewContent(g, text);
        EXPECT_EQ(Ends(pages), std::vector{TPageEnd::EndOfText});
        EXPECT_TRUE(SplitWarningsOf(text, SplitSettingsOf(g), pages).MarkerAtEndIgnored);
    }
    const std::string cut = "text" + Marker + "ab";
    auto warnings = SplitWarningsOf(cut, SplitSettingsOf(g), PreviewContent(g, cut));
    EXPECT_FALSE(warnings.Any());

    // The window start + Min < pos < start + Max holds no position once Min + 1 >= Max.
    Configure(g, 9, 10);
    warnings = SplitWarningsOf(Letters(26), SplitSettingsOf(g), PreviewContent(g, Letters(26)));
    EXPECT_TRUE(warnings.OnlyHardCuts);
    EXPECT_EQ(warnings.MidWordCuts, 2u);
    Configure(g, 8, 10);
    EXPECT_FALSE(SplitWarningsOf("", SplitSettingsOf(g), {}).OnlyHardCuts);
    // Without a length limit there are no hard cuts to warn about.
    Configure(g, 5, 0);
    EXPECT_FALSE(SplitWarningsOf("", SplitSettingsOf(g), {}).OnlyHardCuts);
}

TEST(SplitPreview, EqualsWhatAddContentMakesOnRandomTexts)
{
    std::mt19937 rng(20261209);
    const std::string alphabet = "ab .\r\n!-x\xE0\xC0";
    const std::vector<std::string> markers = {"!-", "!-x!", "", "..", "\r\n", "a"};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(rng() % 200);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng() % alphabet.size()];
        TSiteGenerator g;
        Configure(g, static_cast<int>(rng() % 40) - 5, static_cast<int>(rng() % 50) - 3,
                  markers[rng() % markers.size()]);
        const int existing = static_cast<int>(rng() % 3);
        for (int i = 0; i < existing; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "old");
        g.SetChanged(false);

        const auto preview = PreviewContent(g, text);
        ASSERT_EQ(g.Pages().Count(), existing) << "the preview must not change the generator";
        ASSERT_FALSE(g.Changed());
        g.AddContent(text);
        ASSERT_EQ(static_cast<std::size_t>(g.Pages().Count() - existing), preview.size())
            << "round " << round;
        std::size_t expectedOffset = 0;
        for (std::size_t i = 0; i < preview.size(); ++i) {
            const TSitePage &page = g.Pages()[existing + static_cast<int>(i)];
            const TTextPiece &piece = preview[i].Piece;
            ASSERT_EQ(preview[i].Title, page.PageTitle());
            ASSERT_EQ(preview[i].Url, page.PageUrl());
            ASSERT_EQ(text.substr(piece.Offset, piece.Length), page.PageText()) << "round " << round;
            // Pieces follow each other; only a marker leaves a gap, exactly its length.
            ASSERT_EQ(piece.Offset, expectedOffset);
            if (piece.Length > 0) {
                ASSERT_EQ(piece.Cut, piece.Offset + piece.Length);
            }
            expectedOffset = piece.Cut + (piece.End == TPageEnd::Marker ? g.DiggValue().size() : 0);
            ASSERT_EQ(piece.End == TPageEnd::EndOfText, i + 1 == preview.size());
        }
        ASSERT_EQ(preview.back().Piece.Cut, text.size());
    }
}
