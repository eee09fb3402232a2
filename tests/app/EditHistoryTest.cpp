#include "app/EditHistory.h"

#include "app/SiteSearch.h"
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFileWriter.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;

namespace {

std::string Saved(const TSiteGenerator &generator)
{
    return TProjectFileWriter(generator).Text();
}

class SiteEdits : public testing::Test
{
protected:
    void SetUp() override
    {
        FSite.SetMaxCharsPerPage(60);
        FSite.SetMinCharsPerPage(20);
        FSite.SetMaxLinksPerPage(2);
        FSite.SetSiteUrlsToLink({"a.html", "b.html", "c.html", "d.html", "e.html", "f.html"});
        FSite.AddContent(Ru("Помидоры любят тёплую землю и солнце. Поливайте их каждый день утром. "
                            "Огурцы быстро растут на шпалерах. Собирайте огурцы каждое утро вовремя. "
                            "Перец сладкий и горький растёт в теплице. Морковь сеют рано весной в грядки. "
                            "Капуста любит воду и прохладу летом."));
        ASSERT_GE(FSite.Pages().Count(), 4);
        FSite.Pages()[1].SetPagination("<a href=\"index.html\">1</a> 2");
        FSite.SetSiteMenu("<ul><li>menu</li></ul>");
    }

    // Runs an operation through an edit and checks that undo gives the saved bytes of before,
    // redo those of after, and a second round the same.
    void CheckRoundTrip(const std::function<void(TSiteEdit &)> &operation)
    {
        const std::string before = Saved(FSite);
        auto edit = std::make_unique<TSiteEdit>();
        operation(*edit);
        const std::string after = Saved(FSite);
        ASSERT_NE(after, before);
        ASSERT_FALSE(edit->Empty());
        for (int round = 0; round < 2; ++round) {
            edit->Undo(FSite);
            EXPECT_EQ(Saved(FSite), before);
            edit->Redo(FSite);
            EXPECT_EQ(Saved(FSite), after);
        }
    }

    TSiteGenerator FSite;
    TScriptedPrompter FPrompter;
};

} // namespace

TEST_F(SiteEdits, EveryOperationComesBackByteForByte)
{
    // Content added.
    CheckRoundTrip([&](TSiteEdit &edit) {
        const int first = FSite.Pages().Count();
        FSite.AddContent(Ru("Новый текст для новой страницы сайта."));
        edit.PagesAppended(FSite, first);
    });
    // Pages deleted, given in any order.
    CheckRoundTrip([&](TSiteEdit &edit) { edit.DeletePages(FSite, {3, 0, 1}); });
    // Moves, both ways.
    CheckRoundTrip([&](TSiteEdit &edit) {
        edit.MovePage(FSite, 0, 2);
        edit.MovePage(FSite, FSite.Pages().Count() - 1, 0);
    });
    // A rename.
    CheckRoundTrip([&](TSiteEdit &edit) {
        edit.SetPageField(FSite.Pages()[1], TPageField::Title, Ru("Огород"));
        edit.SetPageField(FSite.Pages()[1], TPageField::Url, "garden.html");
    });
    // A template applied.
    CheckRoundTrip([&](TSiteEdit &edit) {
        edit.SetSiteField(FSite, TSiteField::Template, "<html>SiteGeneratorChange.MainText</html>");
        edit.SetSiteField(FSite, TSiteField::Style, "body{}");
    });
    // Replace all.
    CheckRoundTrip([&](TSiteEdit &edit) {
        TSearchOptions options;
        options.Titles = true;
        const TSiteSearch search("огурцы", "кабачки", options);
        EXPECT_GE(ApplyReplacements(FSite, search.FindAll(FSite), &edit), 1u);
    });
}

TEST_F(SiteEdits, ALinkDistributionIsRedoneAsDrawn)
{
    // The clock-seeded source draws differently at each run, so a redo that drew again would
    // show in the bytes.
    FSite.SetRandomSource(std::make_unique<TClockRandom>());
    auto first = std::make_unique<TSiteEdit>();
    first->BeginLinkDistribution(FSite);
    FSite.SetLinks(FPrompter);
    first->EndLinkDistribution(FSite);
    ASSERT_TRUE(FSite.LinksWasSetted());
    const auto *placements = FSite.LinkPlacements();
    ASSERT_NE(placements, nullptr);
    const std::size_t placed = placements->size();

    CheckRoundTrip([&](TSiteEdit &edit) {
        edit.BeginLinkDistribution(FSite);
        FSite.SetLinks(FPrompter);
        edit.EndLinkDistribution(FSite);
    });
    first->Undo(FSite);
    EXPECT_FALSE(FSite.LinksWasSetted());
    EXPECT_EQ(FSite.LinkPlacements(), nullptr);
    first->Redo(FSite);
    EXPECT_TRUE(FSite.LinksWasSetted());
    ASSERT_NE(FSite.LinkPlacements(), nullptr);
    EXPECT_EQ(FSite.LinkPlacements()->size(), placed);

    // A run its checks stop records nothing: here, more links per page than allowed.
    FSite.SetMaxLinksPerPage(1);
    FSite.SetSiteUrlsToLink(TStringList(100, "z.html"));
    TSiteEdit stopped;
    stopped.BeginLinkDistribution(FSite);
    FSite.SetLinks(FPrompter);
    stopped.EndLinkDistribution(FSite);
    EXPECT_TRUE(stopped.Empty());
}

TEST_F(SiteEdits, AHistoryUndoesInOrderAndKeepsItsCleanPoint)
{
    TEditHistory history;
    history.SetClean();
    const std::string original = Saved(FSite);
    auto deletion = std::make_unique<TSiteEdit>();
    deletion->DeletePages(FSite, {0});
    history.Push(std::move(deletion), Ru("Удаление"));
    // A later edit refers to a page whose neighbour was deleted before it.
    auto rename = std::make_unique<TSiteEdit>();
    rename->SetPageField(FSite.Pages()[0], TPageField::Title, "x");
    history.Push(std::move(rename), Ru("Переименование"));
    const std::string edited = Saved(FSite);
    EXPECT_FALSE(history.IsClean());
    EXPECT_EQ(history.UndoLabel(), Ru("Переименование"));

    history.Undo(FSite);
    history.Undo(FSite);
    EXPECT_TRUE(history.IsClean());
    EXPECT_EQ(Saved(FSite), original);
    EXPECT_FALSE(history.CanUndo());
    history.Redo(FSite);
    history.Redo(FSite);
    EXPECT_EQ(Saved(FSite), edited);

    // A new edit after an undo drops what could have been redone.
    history.Undo(FSite);
    auto move = std::make_unique<TSiteEdit>();
    move->MovePage(FSite, 0, 1);
    history.Push(std::move(move), "move");
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Count(), 2u);
    history.Push(std::make_unique<TSiteEdit>(), "nothing");
    EXPECT_EQ(history.Count(), 2u);
}

TEST_F(SiteEdits, TheHistoryDropsItsOldestEditsPastItsLimit)
{
    const std::string big(400'000, 'x');
    TEditHistory history(1'000'000);
    history.SetClean();
    for (int i = 0; i < 5; ++i) {
        auto edit = std::make_unique<TSiteEdit>();
        edit->SetPageField(FSite.Pages()[0], TPageField::Text, big + std::to_string(i));
        history.Push(std::move(edit), std::to_string(i));
        EXPECT_LE(history.Bytes(), 1'000'000u + big.size() * 2 + 4096);
    }
    EXPECT_LT(history.Count(), 5u);
    EXPECT_GE(history.Count(), 1u);
    // The point the project was saved at is gone, so no undo brings it back as clean.
    while (history.CanUndo())
        history.Undo(FSite);
    EXPECT_FALSE(history.IsClean());
    EXPECT_EQ(FSite.Pages()[0].PageText(), big + std::to_string(4 - static_cast<int>(history.Count())));
}
