#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using TMessage = TScriptedPrompter::TMessage;

namespace {

// Answers the draws from a script (0 once it runs out) and counts the reseeds.
class TScriptedRandom : public TRandomSource
{
public:
    explicit TScriptedRandom(std::deque<std::size_t> draws, int *reseeds = nullptr)
        : FDraws(std::move(draws))
        , FReseeds(reseeds)
    {
    }
    void Reseed() override
    {
        if (FReseeds)
            ++*FReseeds;
    }
    std::size_t Below(std::size_t n) override
    {
        std::size_t draw = 0;
        if (!FDraws.empty()) {
            draw = FDraws.front();
            FDraws.pop_front();
        }
        EXPECT_LT(draw, n);
        return draw;
    }

private:
    std::deque<std::size_t> FDraws;
    int *FReseeds;
};

struct TSite
{
    TSiteGenerator g;
    TScriptedPrompter prompter;

    TSite(const std::vector<std::string> &texts, int links, std::deque<std::size_t> draws = {})
    {
        g.SetMenuWord(Ru("Раздел"));
        for (const auto &text : texts)
            g.CreateNewPage(g.NewPageTitle(g.Pages().Count()), text);
        TStringList urls;
        for (int i = 0; i < links; ++i)
            urls.push_back("l" + std::to_string(i) + ".html");
        g.SetSiteUrlsToLink(urls);
        g.SetRandomSource(std::make_unique<TScriptedRandom>(std::move(draws)));
    }
    void SetLinks(TStringList urls) { g.SetSiteUrlsToLink(std::move(urls)); }
    std::vector<std::string> Run()
    {
        g.SetLinks(prompter);
        return prompter.Texts();
    }
    const std::string &Html(int i) const { return g.Pages()[i].PageHTML(); }
};

std::string Shortage(const std::string &url)
{
    return Ru("На странице ") + url + Ru(" не достаточно контента. Возможно не все ссылки будут проставлены");
}

std::string Success(int placed, int total)
{
    return Ru("Операция успешно завершена.\rПроставлено ") + std::to_string(placed) + Ru(" ссылок из ") +
           std::to_string(total);
}

std::string Leftover(int placed, int total)
{
    return Ru("Операция завершена. Проставлено ") + std::to_string(placed) + Ru(" ссылок из ") +
           std::to_string(total) + Ru(".\rРекомендуется добавить контента и запустить процедуру повторно.");
}

const std::string NoPages = Ru("Страниц сайта не найдено. Добавьте страницы");
const std::string NoLinks = Ru("Ссылок не найдено. Добавьте ссылки");
const std::string OverLimit =
    Ru("Превышено ограничение числа ссылок на страницу. Добавьте страниц или уменьшите количество ссылок.");

struct TQuotaCase
{
    int Pages;
    int Links;
    int Quota;
};

class PageQuota : public ::testing::TestWithParam<TQuotaCase>
{
};

} // namespace

// The quota shows through the limit check: a limit one below it stops the run, the quota itself
// does not.
TEST_P(PageQuota, LimitBelowTheQuotaStopsTheRun)
{
    const TQuotaCase c = GetParam();
    for (const int limit : {c.Quota - 1, c.Quota, 0}) {
        TSite site(std::vector<std::string>(static_cast<std::size_t>(c.Pages), "plain words here "), c.Links);
        site.g.SetMaxLinksPerPage(limit);
        const auto texts = site.Run();
        const bool stopped = limit > 0 && limit < c.Quota;
        EXPECT_EQ(!texts.empty() && texts.front() == OverLimit, stopped) << "limit " << limit;
        EXPECT_EQ(site.g.LinksWasSetted(), !stopped);
    }
}

INSTANTIATE_TEST_SUITE_P(LinkDistribution, PageQuota,
                         ::testing::Values(TQuotaCase{3, 3, 1}, TQuotaCase{5, 3, 1}, TQuotaCase{1, 7, 7},
                                           TQuotaCase{2, 10, 11}, TQuotaCase{3, 5, 3}, TQuotaCase{3, 10, 6},
                                           TQuotaCase{4, 9, 4}),
                         [](const ::testing::TestParamInfo<TQuotaCase> &param) {
                             return "Pages" + std::to_string(param.param.Pages) + "Links" +
                                    std::to_string(param.param.Links);
                         });

TEST(LinkDistribution, ChecksReportInOrderAndStopBeforeTouchingPages)
{
    int reseeds = 0;
    {
        TSiteGenerator g;
        g.SetRandomSource(std::make_unique<TScriptedRandom>(std::deque<std::size_t>{}, &reseeds));
        TScriptedPrompter prompter;
        g.SetLinks(prompter);
        EXPECT_EQ(prompter.Messages, (std::vector<TMessage>{{MessageKind::Error, NoPages, Buttons::Ok},
                                                            {MessageKind::Warning, NoLinks, Buttons::Ok}}));
        EXPECT_FALSE(g.LinksWasSetted());
        EXPECT_EQ(reseeds, 1);
    }
    {
        TSite site({}, 3);
        site.g.SetMaxLinksPerPage(2);
        EXPECT_EQ(site.Run(), (std::vector<std::string>{NoPages, OverLimit}));
    }
    {
        // The limit is compared with the quota (10 links over 2 pages: 11), not with the words.
        TSite site({"few words ", "here "}, 10);
        site.g.Pages()[0].SetPageHTML("old body");
        site.g.SetMaxLinksPerPage(5);
        EXPECT_EQ(site.Run(), std::vector<std::string>{OverLimit});
        EXPECT_EQ(site.prompter.Messages.front().Kind, MessageKind::Error);
        EXPECT_EQ(site.Html(0), "old body");
        EXPECT_EQ(site.Html(1), "");
        EXPECT_FALSE(site.g.LinksWasSetted());
    }
}

TEST(LinkDistribution, TomatoPage)
{
    // Four pages and five links give the quota 2. The candidates after the length filter are
    // Tomatoes, sunny, weather., Water; the draws remove Tomatoes, then weather.
    TSite site({"Tomatoes need warm soil and sunny weather.\r\n\r\nWater them daily.", "", "", ""}, 0,
               {0, 1});
    site.SetLinks({"seeds.html", "care.html", "c", "d", "e"});
    site.g.SetChanged(false);
    const auto texts = site.Run();
    EXPECT_EQ(site.Html(0),
              "<p>Tomatoes need warm soil and  <a href=\"seeds.html\">sunny</a>  weather.</p><p> "
              "<a href=\"care.html\">Water</a>  them daily.</p>");
    EXPECT_EQ(site.Html(1), "<p></p>");
    EXPECT_EQ(texts, (std::vector<std::string>{Shortage("page1.html"), Shortage("page2.html"),
                                               Shortage("page3.html"), Leftover(2, 5)}));
    EXPECT_EQ(site.prompter.Messages.back().Kind, MessageKind::Warning);
    EXPECT_TRUE(site.g.LinksWasSetted());
    EXPECT_FALSE(site.g.Changed());
    EXPECT_EQ(site.g.Pages()[0].PageText(),
              "Tomatoes need warm soil and sunny weather.\r\n\r\nWater them daily.");
}

TEST(LinkDistribution, ReplacementCoversLongerWordsAndEarlierAnchors)
{
    // One page takes all three links. Water is also replaced inside the first anchor's target,
    // and sunnyside, broken up by the first anchor, is no longer found but uses up its link.
    TSite site({"sunny Water sunnyside water "}, 0);
    site.SetLinks({"Water.html", "b.html", "c.html"});
    const auto texts = site.Run();
    const std::string water = " <a href=\"b.html\">Water</a> ";
    const std::string sunny = " <a href=\"" + water + ".html\">sunny</a> ";
    EXPECT_EQ(site.Html(0), "<p>" + sunny + " " + water + " " + sunny + "side water </p>");
    EXPECT_EQ(texts, std::vector<std::string>{Success(3, 3)});
    EXPECT_EQ(site.prompter.Messages.back().Kind, MessageKind::Information);
}

TEST(LinkDistribution, RecordsWhatItPlacedWhilePagesAndLinksStay)
{
    // Quota 4: the first page takes all three links, sunnyside after sunny has broken it up.
    TSite site({"sunny Water sunnyside ", "Basil grows "}, 3);
    EXPECT_EQ(site.g.LinkPlacements(), nullptr);
    site.Run();
    const auto rows = [&] {
        std::vector<std::string> out;
        if (const std::vector<TLinkPlacement> *record = site.g.LinkPlacements()) {
            for (const TLinkPlacement &p : *record)
                out.push_back(std::to_string(site.g.Pages().IndexOf(*p.Page)) + " l" +
                              std::to_string(p.LinkIndex) + " " + p.Word + " " +
                              std::to_string(p.Replacements));
        }
        return out;
    };
    const std::vector<std::string> placed = {"0 l0 sunny 2", "0 l1 Water 1", "0 l2 sunnyside 0"};
    EXPECT_EQ(rows(), placed);

    // The bodies stay what the record describes: moving, adding, editing a text, pushing the same
    // links and a run that stops in its checks keep it; the pages follow their moves.
    site.g.Pages()[1].SetIndex(0);
    site.g.SetMaxLinksPerPage(1);
    site.Run();
    EXPECT_EQ(site.prompter.Texts().back(), OverLimit);
    site.g.SetMaxLinksPerPage(0);
    site.g.AddContent("More words to come ");
    site.g.Pages()[1].SetPageText("edited");
    site.g.SetSiteUrlsToLink({"l0.html", "l1.html", "l2.html"});
    EXPECT_EQ(rows(), (std::vector<std::string>{"1 l0 sunny 2", "1 l1 Water 1", "1 l2 sunnyside 0"}));

    // Other links, a deleted page and a replaced page list end it; every completed run makes it anew.
    site.g.SetSiteUrlsToLink({"l0.html", "l1.html"});
    EXPECT_EQ(site.g.LinkPlacements(), nullptr);
    site.Run();
    EXPECT_EQ(rows().size(), 2u);
    site.g.Pages().Delete(2);
    EXPECT_EQ(site.g.LinkPlacements(), nullptr);
    site.Run();
    ASSERT_NE(site.g.LinkPlacements(), nullptr);
    TSitePages copy;
    copy.Assign(site.g.Pages());
    site.g.SetPages(copy);
    EXPECT_EQ(site.g.LinkPlacements(), nullptr);
}

TEST(LinkDistribution, OnlyWordsOfFiveToTwentyBytesCarryLinks)
{
    const std::string five = "vwxyz";
    const std::string twenty = "abcdefghijklmnopqrst";
    const std::string twentyOne(21, 'k');
    // The five-letter word also ends the text, where it is no word of its own but is replaced.
    TSite site({"abcd " + twentyOne + " " + five + " " + twenty + " tail" + five}, 5);
    const auto texts = site.Run();
    const std::string a = " <a href=\"l0.html\">" + five + "</a> ";
    const std::string b = " <a href=\"l1.html\">" + twenty + "</a> ";
    EXPECT_EQ(site.Html(0), "<p>abcd " + twentyOne + " " + a + " " + b + " tail" + a + "</p>");
    EXPECT_EQ(texts, (std::vector<std::string>{Shortage("index.html"), Leftover(2, 5)}));
}

TEST(LinkDistribution, WordJoinedAcrossLineFeedUsesUpItsLink)
{
    TSite site({"foo\nbarbaz "}, 1);
    EXPECT_EQ(site.Run(), std::vector<std::string>{Success(1, 1)});
    EXPECT_EQ(site.Html(0), "<p>foo\nbarbaz </p>");
}

TEST(LinkDistribution, FirstSeenLetterCaseIsTheOnlyOneLinked)
{
    TSite site({"Water flows; water and Water stay "}, 2);
    EXPECT_EQ(site.Run(), std::vector<std::string>{Success(2, 2)});
    const std::string water = " <a href=\"l0.html\">Water</a> ";
    const std::string flows = " <a href=\"l1.html\">flows;</a> ";
    EXPECT_EQ(site.Html(0), "<p>" + water + " " + flows + " water and " + water + " stay </p>");
}

TEST(LinkDistribution, MorePagesThanLinksGiveOneLinkToEachPageThatCanTakeOne)
{
    // Quota 1: the draw keeps bravo2 on the third page; the fourth finds no link left.
    TSite site({"tiny ", "alpha1 ", "bravo2 words ", "charlie "}, 2, {1});
    const auto texts = site.Run();
    EXPECT_EQ(texts, (std::vector<std::string>{Shortage("index.html"), Success(2, 2)}));
    EXPECT_EQ(site.Html(0), "<p>tiny </p>");
    EXPECT_EQ(site.Html(1), "<p> <a href=\"l0.html\">alpha1</a>  </p>");
    EXPECT_EQ(site.Html(2), "<p> <a href=\"l1.html\">bravo2</a>  words </p>");
    EXPECT_EQ(site.Html(3), "<p>charlie </p>");
}

TEST(LinkDistribution, WithoutLinksEveryPageIsStillMarkedUp)
{
    // The shortage warning depends on the words only, so it appears without links as well.
    TSite site({"one\r\ntwo", ""}, 0);
    EXPECT_EQ(site.Run(), (std::vector<std::string>{NoLinks, Shortage("index.html"), Shortage("page1.html"),
                                                    Success(0, 0)}));
    EXPECT_EQ(site.Html(0), "<p>one<br />two</p>");
    EXPECT_EQ(site.Html(1), "<p></p>");
    EXPECT_TRUE(site.g.LinksWasSetted());
}

TEST(LinkDistribution, EveryRunStartsAgainFromThePageText)
{
    int reseeds = 0;
    TSite site({"Gardens grow "}, 1);
    site.g.SetRandomSource(std::make_unique<TScriptedRandom>(std::deque<std::size_t>{}, &reseeds));
    std::vector<std::size_t> progress;
    site.g.SetProgressCallback(
        [&](std::size_t done, std::size_t total) { progress.push_back(done * 10 + total); });
    site.Run();
    site.Run();
    EXPECT_EQ(site.Html(0), "<p> <a href=\"l0.html\">Gardens</a>  grow </p>");
    EXPECT_EQ(reseeds, 2);
    EXPECT_EQ(progress, (std::vector<std::size_t>{11, 11}));
    site.g.Pages()[0].SetPageText("Changed text ");
    EXPECT_EQ(site.Html(0), "<p> <a href=\"l0.html\">Gardens</a>  grow </p>");
}

TEST(ParagraphMarkup, BlankLinesEndParagraphsAndSingleBreaksBecomeBreakTags)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "<p></p>"},
        {"a\r\n\r\nb", "<p>a</p><p>b</p>"},
        {"a\r\n\r\n\r\nb", "<p>a</p><p><br />b</p>"},
        {"a\r\n\r\n\r\n\r\nb", "<p>a</p><p></p><p>b</p>"},
        {"a\rb\nc\r\r\n", "<p>a\rb\nc\r<br /></p>"},
        {"\r\n", "<p><br /></p>"},
    };
    TSiteGenerator g;
    g.CreateNewPage("t", "");
    for (const auto &[html, expected] : cases) {
        g.Pages()[0].SetPageHTML(html);
        g.SetPTegsInPage(0);
        EXPECT_EQ(g.Pages()[0].PageHTML(), expected);
    }
    g.SetPTegsInPage(0);
    EXPECT_EQ(g.Pages()[0].PageHTML(), "<p><p><br /></p></p>");
    EXPECT_THROW(g.SetPTegsInPage(1), std::out_of_range);
}
