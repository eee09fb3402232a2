#include "engine/WordIndex.h"

#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

using TWords = std::vector<std::string>;

TWords Collect(std::string_view text, std::size_t minLength = 0,
               std::size_t budget = TWordIndex::DefaultSearchBudget)
{
    TLinkWordCollector collector(budget);
    collector.Collect(text, minLength);
    return collector.Words();
}

TWords AtLeast(const TWords &words, std::size_t length)
{
    TWords out;
    for (const auto &w : words) {
        if (w.size() >= length)
            out.push_back(w);
    }
    return out;
}

// Text over a few letters in both cases, so that containment is common, with spaces, CR, LF and
// occasional long runs.
std::string RandomText(std::mt19937 &rng)
{
    static const std::string letters = "abAB" + Ru("яЯ");
    std::string text;
    const std::size_t length = rng() % 400;
    while (text.size() < length) {
        const unsigned roll = rng() % 20;
        if (roll < 3)
            text += ' ';
        else if (roll == 3)
            text += '\r';
        else if (roll == 4)
            text += '\n';
        else if (roll == 5)
            text.append(5 + rng() % 25, letters[rng() % letters.size()]);
        else
            text += letters[rng() % letters.size()];
    }
    return text;
}

} // namespace

TEST(WordIndex, FindsWordsInsideAddedWordsIgnoringCase)
{
    TWordIndex index;
    index.Reset(1);
    index.Add("Information");
    index.Add(Ru("Ёлочка"));
    EXPECT_TRUE(index.Contains("form"));
    EXPECT_TRUE(index.Contains("INFORMATION"));
    EXPECT_TRUE(index.Contains(Ru("ЛОЧ")));
    EXPECT_TRUE(index.Contains(Ru("ёлочКА")));
    EXPECT_FALSE(index.Contains("Informations"));
    EXPECT_FALSE(index.Contains("nf o"));
    EXPECT_FALSE(index.Contains(""));
    // A match may not run from one added word into the next.
    EXPECT_FALSE(index.Contains(Ru("ionЁл")));

    index.Reset(5);
    EXPECT_FALSE(index.Contains("information"));
    EXPECT_TRUE(index.AddIfNew("Information"));
    EXPECT_FALSE(index.AddIfNew("formation"));
    EXPECT_TRUE(index.AddIfNew("Informations"));
    EXPECT_FALSE(index.AddIfNew("rmations"));
}

TEST(LinkWordCollector, CollectsWordsAsTheDistributionSeesThem)
{
    // A space or a CR ends a word, an LF is dropped from it, two separators give an empty word,
    // punctuation stays, and the text after the last separator is no word.
    EXPECT_EQ(Collect("Tomatoes need warm soil and sunny weather.\r\n\r\nWater them daily."),
              (TWords{"Tomatoes", "need", "warm", "soil", "and", "sunny", "weather.", "", "Water", "them"}));
    EXPECT_EQ(Collect("foo\nbarbaz tail"), TWords{"foobarbaz"});
    EXPECT_EQ(Collect("a\tb  c "), (TWords{"a\tb", "", "c"}));
    // The first-seen letter case wins; a word containing an earlier one is kept.
    EXPECT_EQ(Collect("Water water WATERY form Information Informations information "),
              (TWords{"Water", "WATERY", "form", "Information", "Informations"}));
    EXPECT_EQ(Collect(Ru("Поле поле ПОЛЕВОЙ ")), (TWords{Ru("Поле"), Ru("ПОЛЕВОЙ")}));
    // Words shorter than the minimum are left out but change nothing for the others.
    EXPECT_EQ(Collect("ab abcde abc xabcdex abcde ", 5), (TWords{"abcde", "xabcdex"}));
}

TEST(LinkWordCollector, IndexedCollectionMatchesPairwiseCollection)
{
    std::mt19937 rng(12345);
    // Tables of chain heads that start tiny grow many times on every page, and are reused.
    TLinkWordCollector growing(std::size_t(1) << 30, 1);
    TLinkWordCollector capped(std::size_t(1) << 30, 2, 3);
    // The table grows for the first word, and the second is looked up in the grown one.
    growing.Collect("abcdefghi BCDEF cdefgh ", 5);
    EXPECT_EQ(growing.Words(), TWords{"abcdefghi"});
    for (int round = 0; round < 800; ++round) {
        const std::string text = RandomText(rng);
        const TWords expected = CollectLinkWordsPairwise(text);
        SCOPED_TRACE(::testing::Message() << "round " << round);
        ASSERT_EQ(Collect(text), expected);
        growing.Collect(text, 5);
        ASSERT_EQ(growing.Words(), AtLeast(expected, 5));
        capped.Collect(text, 6);
        ASSERT_EQ(capped.Words(), AtLeast(expected, 6));
        ASSERT_EQ(Collect(text, 0, 0), expected);
        for (const std::size_t budget :
             {std::size_t(0), std::size_t(1), TWordIndex::DefaultSearchBudget, std::size_t(1) << 30}) {
            ASSERT_EQ(Collect(text, 5, budget), AtLeast(expected, 5)) << "budget " << budget;
            ASSERT_EQ(Collect(text, 7, budget), AtLeast(expected, 7)) << "budget " << budget;
        }
    }
}

TEST(LinkWordCollector, PageThatDefeatsThePieceHashStillMatches)
{
    // Every word shares its pieces with the earlier ones, so every test has to compare; the
    // collector changes method part-way through the page without changing the answer.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += std::string(5 + i % 7, 'a') + static_cast<char>('b' + i % 23) + std::string(i % 5, 'a') + ' ';
    const TWords expected = AtLeast(CollectLinkWordsPairwise(text), 5);
    EXPECT_EQ(Collect(text, 5), expected);
    EXPECT_EQ(Collect(text, 5, 1), expected);
}

TEST(LinkWordCollector, CollectorIsReusedAcrossPages)
{
    TLinkWordCollector collector;
    collector.Collect("alpha beta alphabet ", 5);
    EXPECT_EQ(collector.Words(), (TWords{"alpha", "alphabet"}));
    collector.Collect("bet alpha ", 0);
    EXPECT_EQ(collector.Words(), (TWords{"bet", "alpha"}));
    collector.Collect("", 5);
    EXPECT_EQ(collector.Count(), 0u);
}
