#include "engine/PieceText.h"

#include "engine/EXSiteGenerator.h"
#include "engine/TextReplace.h"
#include "tests/support/ScriptedPrompter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <vector>

using namespace zarvik;
namespace fs = std::filesystem;

namespace {

std::string Joined(const TPieceText &text)
{
    std::string out;
    text.AppendTo(out);
    return out;
}

std::string RandomOver(std::mt19937 &rng, std::string_view letters, std::size_t maxLength)
{
    std::string out(rng() % (maxLength + 1), ' ');
    for (char &c : out)
        c = letters[rng() % letters.size()];
    return out;
}

// Text built from pieces of placeholder names, whole names and filler, so that names meet
// across the borders of what the steps insert.
std::string RandomPageText(std::mt19937 &rng)
{
    static const std::vector<std::string> parts = {"SiteGeneratorChange.Menu",
                                                   "SiteGeneratorChange.MainText",
                                                   "SiteGeneratorChange.Pagination",
                                                   "SiteGeneratorChange.Header",
                                                   "SiteGeneratorChange.Footer",
                                                   "SiteGeneratorChange.Adsense",
                                                   "SiteGeneratorChange.Title",
                                                   "SiteGenerator",
                                                   "Change.",
                                                   "SiteGeneratorChange.",
                                                   "Title",
                                                   "Menu",
                                                   "Footer",
                                                   "S",
                                                   "e",
                                                   "sitegeneratorchange.title",
                                                   "<p>",
                                                   "\r\n",
                                                   "SiteGeneratorChange.TitleTitle",
                                                   "SiteGeneratorChange.Adsens",
                                                   ""};
    std::string out;
    const std::size_t count = rng() % 8;
    for (std::size_t i = 0; i < count; ++i)
        out += parts[rng() % parts.size()];
    return out;
}

} // namespace

TEST(PieceText, ChainedReplacementsMatchThePlainOnes)
{
    // Two letters make matches across piece borders, overlapping candidates and repeated
    // patterns common.
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        const std::string start = RandomOver(rng, "ab", 30);
        std::vector<std::string> patterns;
        std::vector<std::string> replacements;
        for (int step = 0; step < 7; ++step) {
            patterns.push_back(RandomOver(rng, "ab", 4));
            replacements.push_back(RandomOver(rng, "abc", 6));
        }
        TPieceText pieces;
        pieces.Assign(start);
        // The same, with the places of the later patterns looked up in the starting text and
        // in every replacement.
        TPieceText remembering;
        const std::vector<std::string_view> views(patterns.begin(), patterns.end());
        remembering.Remember(start, views);
        for (std::size_t step = 0; step < patterns.size(); ++step)
            remembering.Remember(replacements[step], std::span(views).subspan(step + 1));
        remembering.Assign(start);
        std::string plain = start;
        std::string scratch;
        for (std::size_t step = 0; step < patterns.size(); ++step) {
            pieces.ReplaceAll(patterns[step], replacements[step]);
            remembering.ReplaceAll(patterns[step], replacements[step]);
            ReplaceAllInPlace(plain, patterns[step], replacements[step], scratch);
            ASSERT_EQ(Joined(pieces), plain) << "round " << round << ", step " << step;
            ASSERT_EQ(Joined(remembering), plain) << "round " << round << ", step " << step;
        }
        EXPECT_EQ(pieces.Size(), plain.size());
        for (const std::string_view piece : pieces.Pieces())
            EXPECT_FALSE(piece.empty());
    }
}

TEST(PieceText, RenderedAndExportedPagesMatchTheSevenStepChain)
{
    std::string pattern = (fs::temp_directory_path() / "zarvik-pieces-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    std::mt19937 rng(17);
    for (int round = 0; round < 200; ++round) {
        TSiteGenerator g;
        const int pages = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < pages; ++i) {
            TSitePage &page = g.CreateNewPage(RandomPageText(rng), "");
            page.SetPageHTML(RandomPageText(rng));
        }
        g.SetSiteTemplate(RandomPageText(rng) + RandomPageText(rng));
        g.SetSiteTitle(RandomPageText(rng));
        g.SetSiteHeader(RandomPageText(rng));
        g.SetSiteFooter(RandomPageText(rng));
        g.SetAdsenseCode(RandomPageText(rng));
        g.GeneratePag();
        // The menu and the bars are text like any other here.
        g.SetSiteMenu(RandomPageText(rng));
        for (int i = 0; i < pages; ++i)
            g.Pages()[i].SetPagination(RandomPageText(rng));

        std::vector<std::string> expected;
        for (int i = 0; i < pages; ++i) {
            const TSitePage &page = g.Pages()[i];
            std::string text = g.SiteTemplate();
            std::string scratch;
            const std::string title = g.SiteTitle() + " - " + page.PageTitle();
            ReplaceAllInPlace(text, "SiteGeneratorChange.Menu", g.SiteMenu(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.MainText", page.PageHTML(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Pagination", page.Pagination().Text(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Header", g.SiteHeader(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Footer", g.SiteFooter(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Adsense", g.AdsenseCode(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Title", title, scratch);
            ASSERT_EQ(g.TemplateProcessingF(i), text) << "round " << round << ", page " << i;
            expected.push_back(text);
        }
        if (round % 10 != 0)
            continue;
        // The export writes each page from its pieces; the export rebuilds the menu and bars.
        test::TScriptedPrompter prompter;
        g.ExportSite(folder.string(), prompter);
        for (int i = 0; i < pages; ++i) {
            std::ifstream in(folder / g.Pages()[i].PageUrl(), std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), g.TemplateProcessingF(i));
        }
    }
    fs::remove_all(folder);
}
