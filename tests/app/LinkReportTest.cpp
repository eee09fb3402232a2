#include "app/LinkReport.h"

#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "tests/app/TempDir.h"
#include "tests/support/ProgressRecord.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using zarvik::test::TTempDir;

namespace {

struct TDistributed
{
    TSiteGenerator g;
    TScriptedPrompter prompter;

    TDistributed(const std::vector<std::string> &texts, const TStringList &links, std::uint64_t seed = 7)
    {
        for (const std::string &text : texts)
            g.CreateNewPage("p", text);
        g.SetSiteUrlsToLink(links);
        g.SetRandomSource(std::make_unique<TSeededRandom>(seed));
        g.SetLinks(prompter);
    }
};

std::vector<std::string> Kinds(const TLinkReport &report)
{
    std::vector<std::string> kinds;
    for (const TLinkLint &lint : report.Lints)
        kinds.push_back(std::to_string(static_cast<int>(lint.Kind)) + "@" + std::to_string(lint.PageIndex) +
                        "/" + std::to_string(lint.LinkIndex));
    return kinds;
}

std::string Row(const TLinkReportEntry &e)
{
    return std::to_string(e.PageIndex) + " " + e.PageUrl + " " + e.Word + " " + e.Link + " " +
           std::to_string(e.Replacements);
}

} // namespace

TEST(LinkReport, NamesEveryHandedOutLinkWithItsWordAndCount)
{
    // One page takes all its candidates: sunny (also inside sunnyside), days, sunnyside (gone
    // by then), garden, and foobarbaz, which exists only with the lone LF removed.
    TDistributed site({"sunny days, sunnyside garden foo\nbarbaz end"}, {"l0", "l1", "l2", "l3", "l4", "l5"});
    const TLinkReport report = BuildLinkReport(site.g);

    ASSERT_TRUE(report.Distributed);
    std::vector<std::string> rows;
    for (const auto &e : report.Entries)
        rows.push_back(Row(e));
    EXPECT_EQ(rows, (std::vector<std::string>{"0 index.html sunny l0 2", "0 index.html days, l1 1",
                                              "0 index.html sunnyside l2 0", "0 index.html garden l3 1",
                                              "0 index.html foobarbaz l4 0"}));
    EXPECT_EQ(report.NotHandedOut, (std::vector<std::string>{"l5"}));
    ASSERT_EQ(report.Lints.size(), 1u);
    EXPECT_EQ(report.Lints[0].Kind, TLinkLintKind::InsideLongerWord);
    EXPECT_EQ(report.Lints[0].Message,
              Ru("Страница index.html: слово \"sunny\" заменено внутри более длинного слова"));
}

TEST(LinkReport, FollowsASeededDistributionThatDrawsWords)
{
    // Quota 4 over pages of six and nine candidates: the words are drawn at random.
    const std::vector<std::string> texts = {
        "Tomatoes need warm soil and sunny weather.\r\n\r\nWater them daily, gardeners say ",
        "Cucumbers climb trellises quickly; pinch their shoots often, really ",
        "Peppers prefer sheltered corners, steady watering, patience ",
    };
    const TStringList links = {"a.html", "b.html", "c.html", "d.html", "e.html", "f.html", "g.html"};
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        TDistributed site(texts, links, seed);
        const TLinkReport report = BuildLinkReport(site.g);
        ASSERT_EQ(report.Entries.size(), 7u) << seed;
        EXPECT_TRUE(report.Lints.empty()) << seed;
        for (std::size_t k = 0; k < report.Entries.size(); ++k) {
            const TLinkReportEntry &e = report.Entries[k];
            EXPECT_EQ(e.Link, links[k]);
            EXPECT_EQ(e.PageIndex, static_cast<int>(k / 4));
            EXPECT_EQ(e.Replacements, 1) << e.Word;
            const std::string anchor = " <a href=\"" + e.Link + "\">" + e.Word + "</a> ";
            EXPECT_NE(site.g.Pages()[e.PageIndex].PageHTML().find(anchor), std::string::npos) << anchor;
        }
    }
}

TEST(LinkReport, IsTheSameForTheProjectReopenedFromItsFile)
{
    TDistributed site({"sunny days, sunnyside garden foo\nbarbaz end", "Another page holding several words "},
                      {"l0", "l1", "l2", "", "l2\tx"});
    TTempDir dir;
    const std::string path = dir.File("site.sgp");
    SaveProject(path, site.g);
    TSiteGenerator reopened;
    LoadProject(path, reopened);
    ASSERT_FALSE(reopened.LinksWasSetted());

    const TLinkReport before = BuildLinkReport(site.g);
    const TLinkReport after = BuildLinkReport(reopened);
    ASSERT_EQ(before.Entries.size(), after.Entries.size());
    for (std::size_t i = 0; i < before.Entries.size(); ++i)
        EXPECT_EQ(Row(before.Entries[i]), Row(after.Entries[i]));
    EXPECT_EQ(before.NotHandedOut, after.NotHandedOut);
    EXPECT_EQ(Kinds(before), Kinds(after));
    EXPECT_EQ(LinkReportTsv(before), LinkReportTsv(after));
}

TEST(LinkReport, ARepeatedLinkGoesToTheWordsInTheOrderTheyWereDrawn)
{
    // garden takes the first u.html (both of its places), tomato the second.
    TDistributed site({"garden garden tomato lettuce"}, {"u.html", "u.html"});
    TTempDir dir;
    const std::string path = dir.File("site.sgp");
    SaveProject(path, site.g);
    TSiteGenerator reopened;
    LoadProject(path, reopened);
    ASSERT_NE(site.g.LinkPlacements(), nullptr);
    ASSERT_EQ(reopened.LinkPlacements(), nullptr);

    for (const TSiteGenerator *g : {&site.g, &reopened}) {
        const TLinkReport report = BuildLinkReport(*g);
        std::vector<std::string> rows;
        for (const auto &e : report.Entries)
            rows.push_back(Row(e));
        EXPECT_EQ(rows,
                  (std::vector<std::string>{"0 index.html garden u.html 2", "0 index.html tomato u.html 1"}));
        EXPECT_TRUE(report.NotHandedOut.empty());
        EXPECT_EQ(Kinds(report), std::vector<std::string>{"3@-1/1"});
    }
}

TEST(LinkReport, UkrainianAndBelarusianLettersBelongToTheWord)
{
    // Each word is also replaced where a longer word goes on with і, ї, ґ or ў.
    for (const char *letter : {"і", "ї", "ґ", "ў"}) {
        const std::string word = Ru("груша");
        TDistributed site({word + " " + word + Ru(letter) + " "}, {"a.html", "b.html"});
        const TLinkReport report = BuildLinkReport(site.g);
        ASSERT_EQ(report.Lints.size(), 1u) << letter;
        EXPECT_EQ(report.Lints[0].Message,
                  Ru("Страница index.html: слово \"груша\" заменено внутри более длинного слова"));
    }
}

TEST(LinkReport, LintsTheLinkList)
{
    TDistributed site({"words enough for planting links everywhere "}, {"a.html", "", "a.html", "b\tc"});
    const TLinkReport report = BuildLinkReport(site.g);
    EXPECT_EQ(Kinds(report), (std::vector<std::string>{"2@-1/1", "3@-1/2", "4@-1/3"}));
    EXPECT_EQ(report.Lints[1].Message, Ru("Ссылка в строке 3 \"a.html\" уже есть выше в списке"));
}

TEST(LinkReport, FindsAWordReplacedInsideAnEarlierTarget)
{
    // "tomatoes" is planted after Basil and rewrites the target of Basil's anchor.
    TDistributed site({"Basil tomatoes grow "}, {"http://x/tomatoes.html", "t.html"});
    const TLinkReport report = BuildLinkReport(site.g);
    ASSERT_EQ(report.Entries.size(), 2u);
    EXPECT_EQ(Row(report.Entries[0]), "0 index.html Basil http://x/tomatoes.html 1");
    EXPECT_EQ(Row(report.Entries[1]), "0 index.html tomatoes t.html 2");
    EXPECT_EQ(Kinds(report), (std::vector<std::string>{"1@0/-1"}));
}

TEST(LinkReport, NoticesATextEditedAfterTheDistribution)
{
    TDistributed site({"Tomatoes need sunny weather "}, {"a.html"});
    site.g.Pages()[0].SetPageText("Tomatoes need sunny weather and water ");
    const TLinkReport report = BuildLinkReport(site.g);
    EXPECT_EQ(Kinds(report), (std::vector<std::string>{"5@0/-1"}));
}

TEST(LinkReport, ListsEveryLinkAsNotHandedOutWithoutBodies)
{
    TSiteGenerator g;
    g.CreateNewPage("p", "Tomatoes need sunny weather ");
    g.SetSiteUrlsToLink({"a.html", "b.html"});
    const TLinkReport report = BuildLinkReport(g);
    EXPECT_FALSE(report.Distributed);
    EXPECT_TRUE(report.Entries.empty());
    EXPECT_EQ(report.NotHandedOut, (std::vector<std::string>{"a.html", "b.html"}));
}

TEST(LinkReport, TsvKeepsEveryEntryOnOneLine)
{
    TLinkReport report;
    report.Entries.push_back({3, "page3.html", "wo\trd", "li\r\nnk", 2});
    EXPECT_EQ(LinkReportTsv(report),
              Ru("Страница\tАдрес\tСлово\tСсылка\tЗамен\r\n") + "3\tpage3.html\two rd\tli  nk\t2\r\n");
}

TEST(LinkReport, ReportsPageByPageFromTheRecordAndFromTheBodies)
{
    TDistributed site({"sunny days garden end", "Another page holding several words ", "third page words"},
                      {"l0", "l1", "l2", "l3"});
    TTempDir dir;
    const std::string path = dir.File("site.sgp");
    SaveProject(path, site.g);
    TSiteGenerator reopened;
    LoadProject(path, reopened);

    const std::vector<std::pair<std::size_t, std::size_t>> pageByPage = {{0, 3}, {1, 3}, {2, 3}, {3, 3}};
    // Right after the distribution its record is read; a reopened project is worked out anew.
    for (const TSiteGenerator *g :
         {static_cast<const TSiteGenerator *>(&site.g), static_cast<const TSiteGenerator *>(&reopened)}) {
        zarvik::test::TProgressRecord progress;
        const TLinkReport with = BuildLinkReport(*g, progress.Callback());
        EXPECT_EQ(progress.Fault(), "");
        EXPECT_EQ(progress.Reports, pageByPage);
        const TLinkReport without = BuildLinkReport(*g);
        ASSERT_EQ(with.Entries.size(), without.Entries.size());
        for (std::size_t i = 0; i < with.Entries.size(); ++i)
            EXPECT_EQ(Row(with.Entries[i]), Row(without.Entries[i]));
        EXPECT_EQ(with.NotHandedOut, without.NotHandedOut);
    }

    // Without a distribution there is nothing to go through after the start.
    TSiteGenerator plain;
    plain.CreateNewPage("p", "text");
    zarvik::test::TProgressRecord start;
    EXPECT_FALSE(BuildLinkReport(plain, start.Callback()).Distributed);
    EXPECT_EQ(start.Reports, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}}));
}
