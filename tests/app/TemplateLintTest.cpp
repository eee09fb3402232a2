#include "app/TemplateLint.h"

#include "app/ProjectCheck.h"
#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <gtest/gtest.h>
#include <string>

using namespace zarvik;

TEST(TemplateLint, MisspellingsGetTheirPlaceholder)
{
    const std::pair<std::string_view, std::string_view> corpus[] = {
        {"SiteGeneratorChange.title", "SiteGeneratorChange.Title"},
        {"SITEGENERATORCHANGE.MAINTEXT", "SiteGeneratorChange.MainText"},
        {"SiteGeneratorChange.Titel", "SiteGeneratorChange.Title"},
        {"SiteGeneratorChange.Mnu", "SiteGeneratorChange.Menu"},
        {"SiteGeneratorChange.Paginaton", "SiteGeneratorChange.Pagination"},
        {"SiteGeneratorChange.Adsence", "SiteGeneratorChange.Adsense"},
        {"SiteGenratorChange.Header", "SiteGeneratorChange.Header"},
        {"SiteGeneratorChange.Foter", "SiteGeneratorChange.Footer"},
        {"SiteGeneratorChange.MainTxet", "SiteGeneratorChange.MainText"},
        // Too far from any of the seven: marked, with nothing to suggest.
        {"SiteGeneratorChange.Sidebar", ""},
        {"SiteGeneratorChange.", ""},
    };
    for (const auto &[word, meant] : corpus) {
        const std::string text = "<div>" + std::string(word) + "</div> SiteGeneratorChange.MainText";
        const TTemplateLint lint = LintTemplate(text);
        ASSERT_EQ(lint.Slips.size(), 1u) << word;
        EXPECT_EQ(lint.Slips[0].Word, word == "SiteGeneratorChange." ? "SiteGeneratorChange" : word);
        EXPECT_EQ(lint.Slips[0].Offset, 5u);
        EXPECT_EQ(lint.Slips[0].Suggestion, meant) << word;
    }
}

TEST(TemplateLint, PlaceholdersAndOrdinaryWordsAreLeftAlone)
{
    const TTemplateLint lint =
        LintTemplate("<link href=\"style.css\"> SiteGeneratorChange.Title. SiteGeneratorChange.Menu "
                     "SiteGeneratorChange.MainText SiteGeneratorChange.Pagination Site.Generator "
                     "document.getElementById SiteGeneratorChange.Adsense");
    EXPECT_TRUE(lint.Slips.empty());
    EXPECT_EQ(lint.MainTextCount, 1);
}

TEST(TemplateLint, TheCheckCountsTheMainTextAndSuggests)
{
    TSiteGenerator generator;
    generator.SetSiteTemplate(
        "<html><head><meta charset=\"windows-1251\"></head><body>SiteGeneratorChange.MainText "
        "SiteGeneratorChange.MainText SiteGeneratorChange.Titel</body></html>");
    const TCheckResult result = CheckProject(generator, std::nullopt);
    std::vector<TFindingKind> kinds;
    for (const TFinding &f : result.Findings)
        kinds.push_back(f.Kind);
    EXPECT_EQ(kinds, (std::vector<TFindingKind>{TFindingKind::NoExportFolder, TFindingKind::RepeatedMainText,
                                                TFindingKind::MisspeltPlaceholder}));
    EXPECT_EQ(FindingText(result.Findings[2]),
              zarvik::test::Ru(
                  "В шаблоне \"SiteGeneratorChange.Titel\" похоже на заполнитель, но не совпадает ни с "
                  "одним из них; может быть, SiteGeneratorChange.Title?"));
    EXPECT_NE(CheckResultJson(result).find("\"hint\": \"может быть, SiteGeneratorChange.Title?\""),
              std::string::npos);
}
