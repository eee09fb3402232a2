#include "engine/NavigationText.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;

namespace {

// The bar of page i put together piece by piece from the given URLs.
std::string PlainBar(const std::vector<std::string> &urls, std::size_t i)
{
    const std::size_t n = urls.size();
    std::string bar = i == 0 ? "&lt;&lt;&lt; " : "<a href=\"" + urls[i - 1] + "\">&lt;&lt;&lt; </a> ";
    for (std::size_t k = 0; k < n; ++k)
        bar += k == i ? " " + std::to_string(k) + " "
                      : " <a href=\"" + urls[k] + "\">" + std::to_string(k) + "</a> ";
    bar += i + 1 < n ? " <a href=\"" + urls[i + 1] + "\">&gt;&gt;&gt; </a>" : " &gt;&gt;&gt;";
    return bar;
}

std::vector<std::string> Urls(const TSiteGenerator &g)
{
    std::vector<std::string> urls;
    for (int i = 0; i < g.Pages().Count(); ++i)
        urls.push_back(g.Pages()[i].PageUrl());
    return urls;
}

// URLs that look like the bar's own markup, so that a bar read back cannot be taken apart by
// searching for it.
std::string TrickyUrl(std::mt19937 &rng)
{
    static const std::vector<std::string> parts = {
        "a", "\">", "</a> ", " 3 ", "&gt;&gt;&gt; ", "\xC0", "<a href=\"", "7", "", "page.html",
    };
    std::string url;
    for (unsigned k = rng() % 4; k > 0; --k)
        url += parts[rng() % parts.size()];
    return url;
}

// What a bar hands out, piece by piece: no empty piece, no more than the row promises, and
// exactly its text.
void ExpectConsistent(const TBarText &bar, const std::string &plain)
{
    std::string joined;
    std::size_t pieces = 0;
    bar.ForEachSlice([&](std::string_view piece) {
        EXPECT_FALSE(piece.empty());
        joined.append(piece);
        ++pieces;
    });
    EXPECT_LE(pieces, TNavigationRow::MaxBarSlices);
    EXPECT_EQ(joined, plain);
    EXPECT_EQ(bar.Size(), plain.size());
    EXPECT_EQ(bar.Text(), plain);
    EXPECT_TRUE(bar == plain);
}

} // namespace

// Sites of 0 to 300 pages, with pages renamed (to URLs that mimic the markup), moved and
// hand-edited: after GeneratePag every bar is a slice of one row and equals the plain bar; bars
// stay what they were when the pages change afterwards, until the next GeneratePag.
TEST(SharedBars, RandomSitesMatchThePlainConstruction)
{
    std::mt19937 rng(2026);
    const std::vector<int> fixed = {0, 1, 2, 10, 11, 100, 101, 300};
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int count = round < static_cast<int>(fixed.size()) ? fixed[static_cast<std::size_t>(round)]
                                                                 : static_cast<int>(rng() % 301);
        TSiteGenerator g;
        g.SetMenuWord(Ru("Раздел"));
        for (int i = 0; i < count; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "");
        const auto shake = [&] {
            for (int k = 0; k < count / 5 + (count > 0); ++k) {
                const auto at = static_cast<int>(rng() % static_cast<unsigned>(count));
                if (rng() % 2)
                    g.Pages()[at].SetPageUrl(TrickyUrl(rng));
                else
                    g.Pages()[at].SetPageTitle(TrickyUrl(rng));
                g.Pages()[at].SetIndex(static_cast<int>(rng() % static_cast<unsigned>(count)));
            }
        };
        if (count > 0)
            shake();
        if (count > 0)
            g.Pages()[0].SetPagination("hand-made");
        g.GeneratePag();

        std::vector<std::string> urls = Urls(g);
        std::string menu = count > 0 ? "<ul>\r" : "";
        for (int i = 0; i < count; ++i) {
            const TSitePage &page = g.Pages()[i];
            ASSERT_TRUE(page.Pagination().Shared());
            EXPECT_EQ(page.Pagination().Row(), g.Pages()[0].Pagination().Row());
            ExpectConsistent(page.Pagination(), PlainBar(urls, static_cast<std::size_t>(i)));
            menu += "<li><a href=\"" + page.PageUrl() + "\">" + page.PageTitle() + "</a></li>\r";
        }
        EXPECT_EQ(g.SiteMenu(), count > 0 ? menu + "</ul>" : "");
        if (count == 0)
            continue;

        // Stale bars: the pages change, the bars keep the bytes they were built with. A
        // hand-edited bar keeps its own text.
        std::vector<std::string> before;
        for (int i = 0; i < count; ++i)
            before.push_back(g.Pages()[i].Pagination().Text());
        std::vector<const TSitePage *> order;
        for (int i = 0; i < count; ++i)
            order.push_back(&g.Pages()[i]);
        shake();
        const auto edited = static_cast<int>(rng() % static_cast<unsigned>(count));
        const_cast<TSitePage *>(order[static_cast<std::size_t>(edited)])->SetPagination(before[0] + "x");
        for (int i = 0; i < count; ++i) {
            const std::string expected = i == edited ? before[0] + "x" : before[static_cast<std::size_t>(i)];
            ExpectConsistent(order[static_cast<std::size_t>(i)]->Pagination(), expected);
        }
        g.GeneratePag();
        urls = Urls(g);
        for (int i = 0; i < count; ++i)
            ExpectConsistent(g.Pages()[i].Pagination(), PlainBar(urls, static_cast<std::size_t>(i)));
    }
}

// The reader's side: bars given as texts come back as slices when some row gives exactly their
// bytes (in order, of moved pages, of pages renamed since), and as their own text otherwise.
TEST(SharedBars, RecognizerKeepsEveryByteAndSharesWhatItCan)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::size_t count = 1 + rng() % 150;
        std::vector<std::string> urls;
        for (std::size_t n = 0; n < count; ++n)
            urls.push_back(round % 3 == 0 ? TrickyUrl(rng) : "page" + std::to_string(n) + ".html");
        std::vector<std::size_t> order(count);
        for (std::size_t n = 0; n < count; ++n)
            order[n] = n;
        if (round % 2)
            std::shuffle(order.begin(), order.end(), rng);

        TBarRecognizer recognizer;
        std::vector<const TNavigationRow *> rows;
        std::size_t shared = 0;
        std::size_t edits = 0;
        for (std::size_t k = 0; k < count; ++k) {
            std::string text = PlainBar(urls, order[k]);
            const bool edit = rng() % 10 == 0;
            if (edit) {
                text[rng() % text.size()] ^= 1;
                ++edits;
            }
            const std::string expected = text;
            // The page's current URL, which after a rename is not the one in the bars.
            const std::string url = round % 4 == 1 ? "renamed.html" : urls[k];
            const TBarText bar = recognizer.Recognize(std::move(text), k, url);
            ExpectConsistent(bar, expected);
            if (bar.Shared()) {
                ++shared;
                if (std::find(rows.begin(), rows.end(), bar.Row()) == rows.end())
                    rows.push_back(bar.Row());
            }
        }
        // Plain page names: every unedited bar is shared, by at most two rows (the first one
        // guesses the URL that its own bar leaves out), and an edit can at most make a bar of
        // another row.
        if (round % 3 != 0) {
            EXPECT_GE(shared, count - edits);
            EXPECT_LE(rows.size(), 2 + edits);
        }
    }

    TBarRecognizer recognizer;
    for (const std::string text :
         {"", "plain text", "&lt;&lt;&lt;  1  &gt;&gt;&gt;", "<a href=\"x", "&lt;&lt;&lt; "}) {
        const TBarText bar = recognizer.Recognize(std::string(text), 0, "index.html");
        EXPECT_FALSE(bar.Shared()) << text;
        EXPECT_EQ(bar.Text(), text);
    }
}
