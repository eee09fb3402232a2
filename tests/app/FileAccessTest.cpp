#include "app/FileAccess.h"

#include "engine/Error.h"
#include "tests/app/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

class ReplaceFileTest : public testing::Test
{
protected:
    // The names in the folder, to prove that no temporary file is left behind.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(FDir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir FDir;
};

// A write that succeeds for `budget` bytes and then fails as a full disk would.
TWriteFunction FailAfter(std::size_t budget)
{
    return [budget](int fd, const void *data, std::size_t size) mutable -> ssize_t {
        if (budget == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min({size, budget, std::size_t{7}});
        budget -= n;
        return ::write(fd, data, n);
    };
}

TEST_F(ReplaceFileTest, WritesInPiecesAndReplacesTheOldContents)
{
    const std::string path = FDir.Write("p.sgp", "old contents that are longer");
    ReplaceFile(path, "new", FailAfter(1000));
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
    ReplaceFile(FDir.File("fresh.sgp"), "");
    EXPECT_EQ(ReadAll(FDir.File("fresh.sgp")), "");
}

TEST_F(ReplaceFileTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    for (std::size_t budget : {0u, 5u, 20u}) {
        try {
            ReplaceFile(path, std::string(100, 'x'), FailAfter(budget));
            FAIL() << budget;
        } catch (const EError &e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No space left on device");
        }
        EXPECT_EQ(ReadAll(path), "the previous project");
        EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
    }
}

TEST_F(ReplaceFileTest, MissingFolderAndDirectoryTargetsFail)
{
    const std::string inMissing = FDir.File("missing/p.sgp");
    try {
        ReplaceFile(inMissing, "x");
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + inMissing + "\". No such file or directory");
    }
    fs::create_directory(FDir.File("dir.sgp"));
    fs::path inner = FDir.Path() / "dir.sgp" / "keep.txt";
    FDir.Write("dir.sgp/keep.txt", "kept");
    try {
        ReplaceFile(FDir.File("dir.sgp"), "x");
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + FDir.File("dir.sgp") + "\". Is a directory");
    }
    EXPECT_EQ(ReadAll(inner.string()), "kept");
    EXPECT_EQ(Names(), std::vector<std::string>{"dir.sgp"});
}

TEST_F(ReplaceFileTest, KeepsPermissionsAndFollowsSymbolicLinks)
{
    const std::string path = FDir.Write("p.sgp", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ReplaceFile(path, "new");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    const std::string link = FDir.File("link.sgp");
    fs::create_symlink(path, link);
    ReplaceFile(link, "through the link");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(path), "through the link");
}

TEST_F(ReplaceFileTest, NewFileGetsTheUsualPermissionsNotThoseOfATemporaryFile)
{
    const mode_t old = ::umask(022);
    ReplaceFile(FDir.File("new.txt"), "x");
    ::umask(old);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(FDir.File("new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(MessagePath, IsMadeAbsoluteAndNormal)
{
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(MessagePath("a/./b/../c.sgp"), cwd + "/a/c.sgp");
    EXPECT_EQ(MessagePath("/x/y.sgp"), "/x/y.sgp");
    EXPECT_EQ(CannotOpenMessage("/x/y.sgp", ENOENT),
              "Cannot open file \"/x/y.sgp\". No such file or directory");
    EXPECT_EQ(CannotCreateMessage("/x/y.sgp", EACCES), "Cannot create file \"/x/y.sgp\". Permission denied");
}
