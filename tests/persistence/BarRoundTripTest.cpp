#include "persistence/ProjectFile.h"
#include "tests/persistence/ProjectFileTestSupport.h"
#include "tests/support/ScriptedPrompter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>

using namespace zarvik;
namespace fs = std::filesystem;

namespace {

enum class TBars
{
    Canonical,
    HandEdited,
    Stale
};

// A site exported once, so that its bars are those GeneratePag builds; then, by kind, some bars
// edited by hand, or the pages changed after the export so that the bars describe a page list
// that is gone.
void MakeSite(TSiteGenerator &g, TBars kind, int count, std::mt19937 &rng)
{
    g.SetMenuWord(test::Ru("Раздел"));
    g.SetSiteTitle(test::Ru("Сад"));
    g.SetSiteTemplate("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.Menu<hr>"
                      "SiteGeneratorChange.MainText<p>SiteGeneratorChange.Pagination</p>");
    for (int i = 0; i < count; ++i) {
        TSitePage &page = g.CreateNewPage(g.NewPageTitle(i), "text " + std::to_string(i));
        page.SetPageHTML("<p>body " + std::to_string(i) + "</p>");
    }
    g.GeneratePag();
    const auto pick = [&] { return static_cast<int>(rng() % static_cast<unsigned>(g.Pages().Count())); };
    if (kind == TBars::HandEdited) {
        for (int k = 0; k < 1 + count / 8; ++k) {
            TSitePage &page = g.Pages()[pick()];
            switch (k % 3) {
            case 0:
                page.SetPagination(page.Pagination().Text() + "x");
                break;
            case 1:
                page.SetPagination(test::Ru("назад 'вперёд'\r\n") + std::string(70, '-'));
                break;
            default: {
                std::string bar = page.Pagination().Text();
                bar[rng() % bar.size()] = '#';
                page.SetPagination(bar);
            }
            }
        }
    } else if (kind == TBars::Stale) {
        g.Pages()[pick()].SetPageUrl("renamed.html");
        g.Pages()[pick()].SetIndex(pick());
        g.Pages()[pick()].SetIndex(pick());
        if (g.Pages().Count() > 2)
            g.Pages().Delete(pick());
        // Named apart from the others: an export refuses two pages that write one file.
        g.CreateNewPage("added", "new").SetPageUrl("added.html");
    }
}

std::string ReadWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Export(TSiteGenerator &g)
{
    std::string folder = (fs::temp_directory_path() / "zarvik-bars-XXXXXX").string();
    EXPECT_NE(::mkdtemp(folder.data()), nullptr);
    test::TScriptedPrompter prompter;
    g.ExportSite(folder, prompter);
    return folder;
}

void ExpectSameFolders(const std::string &a, const std::string &b)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(a))
        names.insert(entry.path().filename().string());
    std::set<std::string> other;
    for (const auto &entry : fs::directory_iterator(b))
        other.insert(entry.path().filename().string());
    EXPECT_EQ(names, other);
    for (const std::string &name : names) {
        EXPECT_EQ(ReadWhole(a + "/" + name), ReadWhole(b + "/" + name)) << name;
    }
}

} // namespace

// Projects whose stored bars are canonical, hand-edited or stale go through reading (both the
// one-pass and the two-pass reader), saving and exporting byte for byte; the bars that a row of
// page links gives come back as slices (of at most two rows, unless hand edits made bars of other
// page lists), the others as their own text.
TEST(BarRoundTrip, CanonicalHandEditedAndStaleBarsSurviveReadSaveAndExport)
{
    std::mt19937 rng(1234);
    int round = 0;
    for (const TBars kind : {TBars::Canonical, TBars::HandEdited, TBars::Stale}) {
        for (const int count : {1, 2, 12, 101}) {
            for (const bool twoPasses : {false, true}) {
                SCOPED_TRACE("round " + std::to_string(round++));
                TSiteGenerator original;
                MakeSite(original, kind, count, rng);
                const std::string text = WriteProjectText(original);

                TSiteGenerator copy;
                if (twoPasses)
                    ReadProjectTextInTwoPasses(text, copy);
                else
                    ReadProjectText(text, copy);
                test::ExpectSameProject(copy, original);
                ASSERT_EQ(WriteProjectText(copy), text);

                std::set<const TNavigationRow *> rows;
                for (int i = 0; i < copy.Pages().Count(); ++i) {
                    const TBarText &bar = copy.Pages()[i].Pagination();
                    // A hand edit may still give the bar of some other page list.
                    if (original.Pages()[i].Pagination().Shared()) {
                        EXPECT_TRUE(bar.Shared()) << "page " << i;
                    }
                    if (bar.Shared())
                        rows.insert(bar.Row());
                    EXPECT_EQ(copy.TemplateProcessingF(i), original.TemplateProcessingF(i)) << "page " << i;
                }
                if (kind != TBars::HandEdited) {
                    EXPECT_LE(rows.size(), 2u);
                }

                const std::string exported = Export(original);
                const std::string read = Export(copy);
                ExpectSameFolders(exported, read);
                fs::remove_all(exported);
                fs::remove_all(read);
                // After the export both hold the bars of the pages as they are, and save alike.
                EXPECT_EQ(WriteProjectText(copy), WriteProjectText(original));
            }
        }
    }
}
