#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/WholeFile.h"
#include "tests/support/ScriptedPrompter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

using namespace zarvik;
using zarvik::test::TScriptedPrompter;
namespace fs = std::filesystem;

namespace {

// An export folder (root/export) holding a/b and c, and a folder outside it (root/outside)
// that has a b of its own, the target of the link root/export/a-link.
class ExportRace : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zarvik-race-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Folder = Root / "export";
        Outside = Root / "outside";
        fs::create_directories(Folder / "a" / "b");
        fs::create_directories(Folder / "c");
        fs::create_directories(Outside / "b");
        fs::create_directory_symlink(Outside, Folder / "a-link");

        g.SetSiteTitle("Garden");
        g.SetSiteTemplate("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.MainText");
        // Pages take turns between the two folders, so each one opens its folder afresh.
        for (int i = 0; i < 40; ++i) {
            g.CreateNewPage("Page " + std::to_string(i), "text");
            g.Pages()[i].SetPageUrl((i % 2 ? "c/p" : "a/b/p") + std::to_string(i) + ".html");
        }
    }
    void TearDown() override { fs::remove_all(Root); }

    // Exports; false when the export stopped with an error.
    bool Export()
    {
        TScriptedPrompter prompter;
        try {
            g.ExportSite(Folder.string(), prompter);
            return true;
        } catch (const EError &) {
            return false;
        }
    }
    std::size_t FilesIn(const fs::path &folder) const
    {
        std::size_t count = 0;
        for (const auto &entry : fs::recursive_directory_iterator(folder))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    fs::path Root;
    fs::path Folder;
    fs::path Outside;
    TSiteGenerator g;
};

} // namespace

TEST_F(ExportRace, AFolderSwappedForALinkWhileExportingSendsNothingOutside)
{
    const std::string a = (Folder / "a").string();
    const std::string link = (Folder / "a-link").string();
    constexpr int Runs = 50;
    std::size_t outside = 0;
    int stopped = 0;
    for (int run = 0; run < Runs; ++run) {
        std::atomic<bool> stop{false};
        // "a" is the folder and the link by turns, each exchange in one step.
        std::thread swapper([&] {
            while (!stop)
                ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
        });
        stopped += Export() ? 0 : 1;
        stop = true;
        swapper.join();
        if (fs::is_symlink(a)) {
            ASSERT_EQ(::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE), 0);
        }
        outside += FilesIn(Outside);
        fs::remove_all(Outside / "b");
        fs::create_directory(Outside / "b");
    }
    std::printf("%d exports with a folder swapped for a link: %d stopped, %zu files outside\n", Runs, stopped,
                outside);
    EXPECT_EQ(outside, 0u);
    // The swaps did catch exports in the act, and without them the export goes through.
    EXPECT_GT(stopped, 0);
    EXPECT_TRUE(Export());
    EXPECT_EQ(FilesIn(Folder), 41u);
    EXPECT_EQ(FilesIn(Outside), 0u);
}

TEST_F(ExportRace, FoldersAreOpenedBeneathTheRootWithoutFollowingLinks)
{
    const int root = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    for (const std::string relative : {"", "a", "a/b", "c/"}) {
        const int fd = OpenFolderBeneath(root, relative);
        EXPECT_GE(fd, 0) << relative;
        ::close(fd);
    }
    for (const std::string relative : {"a-link", "a-link/b", "../outside", "c/../../outside", "missing"}) {
        errno = 0;
        EXPECT_EQ(OpenFolderBeneath(root, relative), -1) << relative;
        EXPECT_NE(errno, 0) << relative;
    }
    ::close(root);
}
