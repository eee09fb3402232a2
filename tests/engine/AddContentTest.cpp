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

struct TSplitter
{
    TSiteGenerator g;
    TSplitter(int minChars, int maxChars, std::string marker = Marker)
    {
        g.SetMinCharsPerPage(minChars);
        g.SetMaxCharsPerPage(maxChars);
        g.SetDiggValue(std::move(marker));
        g.SetMenuWord(Ru("Раздел"));
    }
    std::vector<std::string> Split(const std::string &text)
    {
        g.AddContent(text);
        return Texts();
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < g.Pages().Count(); ++i)
            out.push_back(g.Pages()[i].PageText());
        return out;
    }
};

std::vector<std::size_t> Sizes(const std::vector<std::string> &texts)
{
    std::vector<std::size_t> out;
    for (const auto &t : texts)
        out.push_back(t.size());
    return out;
}

std::string Letters(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += static_cast<char>('a' + i);
    return s;
}

// The cut positions walked one position at a time, straight from the definition, with the
// treatment of an empty marker and of out-of-range limits. Returns the page texts.
std::vector<std::string> ReferenceSplit(const std::string &t, int minChars, int maxChars,
                                        const std::string &d)
{
    const long n = static_cast<long>(t.size());
    const long dl = static_cast<long>(d.size());
    const long mn = minChars < 0 ? 0 : minChars;
    const bool limited = maxChars >= 1;
    auto at = [&](long p) { return t[static_cast<std::size_t>(p - 1)]; };
    auto piece = [&](long a, long b) { return b < a ? std::string() : t.substr(a - 1, b - a + 1); };
    std::vector<std::string> pages(1);
    long start = 1;
    for (long pos = 1; pos <= n - 1; ++pos) {
        if (dl > 0 && pos < n - dl && t.compare(static_cast<std::size_t>(pos - 1), d.size(), d) == 0) {
            pages.back() = piece(start, pos - 1);
            start = pos + dl;
            pages.emplace_back();
        }
        if (limited && start + mn < pos && pos < start + maxChars &&
            ((at(pos - 1) == '\r' && at(pos) == '\r') || (at(pos - 1) == '.' && at(pos) == ' '))) {
            pages.back() = piece(start, pos - 1);
            start = pos;
            pages.emplace_back();
        }
        if (limited && pos == start + maxChars) {
            pages.back() = piece(start, pos - 1);
            start = pos;
            pages.emplace_back();
        }
    }
    pages.back() = piece(start, n);
    return pages;
}

} // namespace

TEST(AddContent, EmptyTextGivesOneEmptyIndexPage)
{
    TSplitter s(4000, 5000);
    EXPECT_EQ(s.Split(""), std::vector<std::string>{""});
    EXPECT_EQ(s.g.Pages()[0].PageTitle(), "index");
    EXPECT_EQ(s.g.Pages()[0].PageUrl(), "index.html");
    EXPECT_EQ(TSplitter(4000, 5000).Split("x"), std::vector<std::string>{"x"});
}

TEST(AddContent, CutsOnlyAfterFullStopFollowedBySpaceInsideTheWindow)
{
    TSplitter s(5, 100);
    EXPECT_EQ(s.Split("Hello. World"), (std::vector<std::string>{"Hello.", " World"}));
    EXPECT_EQ(s.g.Pages()[1].PageTitle(), Ru("Раздел 1"));
    EXPECT_EQ(s.g.Pages()[1].PageUrl(), "page1.html");
    EXPECT_EQ(TSplitter(6, 100).Split("Hello. World"), std::vector<std::string>{"Hello. World"});
    // A full stop before CR LF, and question or exclamation marks, never cut.
    EXPECT_EQ(TSplitter(1, 100).Split("Line one.\r\nLine two! Three? Four"),
              std::vector<std::string>{"Line one.\r\nLine two! Three? Four"});
    // Two carriage returns do cut, between them.
    EXPECT_EQ(TSplitter(1, 100).Split("Para one\r\rtwo"), (std::vector<std::string>{"Para one\r", "\rtwo"}));
}

TEST(AddContent, HardCutsAtMaxAndTheLastPageMayHoldOneMore)
{
    EXPECT_EQ(Sizes(TSplitter(5, 10).Split(Letters(26))), (std::vector<std::size_t>{10, 10, 6}));
    EXPECT_EQ(Sizes(TSplitter(5, 10).Split(Letters(21))), (std::vector<std::size_t>{10, 11}));
    EXPECT_EQ(Sizes(TSplitter(5, 10).Split(Letters(11))), (std::vector<std::size_t>{11}));
    // Min >= Max: no sentence cuts at all.
    EXPECT_EQ(Sizes(TSplitter(10, 10).Split("a. b. c. d. e. f. g. h. i. j. k")),
              (std::vector<std::size_t>{10, 10, 11}));
}

TEST(AddContent, MarkerCutsAndIsTakenOut)
{
    TSplitter s(400, 500);
    EXPECT_EQ(s.Split("First part\r\n" + Marker + "\r\nSecond part"),
              (std::vector<std::string>{"First part\r\n", "\r\nSecond part"}));
    EXPECT_EQ(TSplitter(400, 500).Split(Marker + "ab"), (std::vector<std::string>{"", "ab"}));
    EXPECT_EQ(TSplitter(400, 500).Split("x" + Marker + Marker + "ab"),
              (std::vector<std::string>{"x", "", "ab"}));
}

TEST(AddContent, MarkerNeedsTwoCharactersAfterIt)
{
    EXPECT_EQ(TSplitter(400, 500).Split("text\r\n" + Marker), std::vector<std::string>{"text\r\n" + Marker});
    EXPECT_EQ(TSplitter(400, 500).Split("text" + Marker + "a"),
              std::vector<std::string>{"text" + Marker + "a"});
    EXPECT_EQ(TSplitter(400, 500).Split("text" + Marker + "ab"), (std::vector<std::string>{"text", "ab"}));
    EXPECT_EQ(TSplitter(400, 500).Split("!-next"), std::vector<std::string>{"!-next"});
}

TEST(AddContent, MarkerClosesShortPagesAndFarMarkersComeAfterHardCuts)
{
    TSplitter s(5, 10);
    EXPECT_EQ(s.Split(Letters(12) + Marker + "xyz"), (std::vector<std::string>{Letters(10), "kl", "xyz"}));
}

TEST(AddContent, NewPagesFollowExistingOnes)
{
    TSplitter s(5, 100);
    s.g.CreateNewPage("index", "one");
    s.g.CreateNewPage(Ru("Раздел 1"), "two");
    s.g.AddContent("Hello. World");
    ASSERT_EQ(s.g.Pages().Count(), 4);
    EXPECT_EQ(s.g.Pages()[0].PageText(), "one");
    EXPECT_EQ(s.g.Pages()[1].PageText(), "two");
    EXPECT_EQ(s.g.Pages()[2].PageTitle(), Ru("Раздел 2"));
    EXPECT_EQ(s.g.Pages()[2].PageUrl(), "page2.html");
    EXPECT_EQ(s.g.Pages()[3].PageTitle(), Ru("Раздел 3"));
    EXPECT_EQ(s.g.Pages()[3].PageUrl(), "page3.html");
    EXPECT_EQ(s.g.Pages()[3].PageText(), " World");
}

TEST(AddContent, EmptyMarkerMeansNoForcedBreaks)
{
    EXPECT_EQ(TSplitter(400, 500, "").Split("abc. def"), std::vector<std::string>{"abc. def"});
}

TEST(AddContent, OutOfRangeLimits)
{
    // No length limit below 1: markers still cut.
    EXPECT_EQ(TSplitter(0, 0).Split(Letters(20) + ". x. y" + Marker + "zz"),
              (std::vector<std::string>{Letters(20) + ". x. y", "zz"}));
    EXPECT_EQ(TSplitter(5, -3).Split(Letters(26)), std::vector<std::string>{Letters(26)});
    // A negative minimum reads as 0 and never looks before the text.
    EXPECT_EQ(TSplitter(-5, 100).Split(". a. b"), (std::vector<std::string>{".", " a.", " b"}));
}

TEST(AddContent, AgreesWithPositionByPositionScanOnRandomTexts)
{
    std::mt19937 rng(20261208);
    const std::string alphabet = "ab .\r\n!-x";
    const std::vector<std::string> markers = {"!-", "!-x!", "", "..", "\r\n", "a"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(rng() % 200);
        for (int i = 0; i < length; ++i)
            text += alphabet[rng() % alphabet.size()];
        const int minChars = static_cast<int>(rng() % 40) - 5;
        const int maxChars = static_cast<int>(rng() % 50) - 3;
        const std::string &marker = markers[rng() % markers.size()];
        TSplitter s(minChars, maxChars, marker);
        const auto pages = s.Split(text);
        ASSERT_EQ(pages, ReferenceSplit(text, minChars, maxChars, marker))
            << "round " << round << " min " << minChars << " max " << maxChars << " marker '" << marker
            << "'";
        // Length invariants: no page but the last exceeds Max, the last at most Max + 1.
        if (maxChars >= 1) {
            for (std::size_t i = 0; i + 1 < pages.size(); ++i)
                ASSERT_LE(pages[i].size(), static_cast<std::size_t>(maxChars));
            ASSERT_LE(pages.back().size(), static_cast<std::size_t>(maxChars) + 1);
        }
        // Without a marker the pages joined give back the text.
        if (marker.empty()) {
            std::string joined;
            for (const auto &p : pages)
                joined += p;
            ASSERT_EQ(joined, text);
        }
        for (int i = 1; i < s.g.Pages().Count(); ++i)
            ASSERT_EQ(s.g.Pages()[i].PageUrl(), "page" + std::to_string(i) + ".html");
    }
}
