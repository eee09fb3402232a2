#include "app/FileAccess.h"

#include "app/SafeSave.h"
#include "engine/Error.h"
#include "tests/app/ChildProcess.h"
#include "tests/app/TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace zarvik;
using zarvik::test::FinishChild;
using zarvik::test::NobodyId;
using zarvik::test::ReadAll;
using zarvik::test::RunInChild;
using zarvik::test::StartChild;
using zarvik::test::TChild;
using zarvik::test::TScopedVariable;
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

// The calls of a save on a file system without unnamed files.
TSaveCalls WithoutUnnamedFiles(TWriteFunction write = {})
{
    TSaveCalls calls(std::move(write));
    calls.OpenUnnamed = [](const char *, int, mode_t) {
        errno = EOPNOTSUPP;
        return -1;
    };
    return calls;
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
    // The creation mask is changed in a child, so this process keeps its own.
    const std::pair<mode_t, mode_t> cases[] = {{022, 0644}, {077, 0600}, {002, 0664}};
    for (const bool unnamed : {true, false}) {
        for (const auto &[mask, mode] : cases) {
            const std::string path = FDir.File("new" + std::to_string(mask) + (unnamed ? ".txt" : ".named"));
            EXPECT_EQ(RunInChild([&] {
                          ::umask(mask);
                          ReplaceFile(path, "x", unnamed ? TSaveCalls() : WithoutUnnamedFiles());
                          return std::string("saved");
                      }),
                      "saved");
            struct stat info
            {
            };
            ASSERT_EQ(::stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, mode) << path;
        }
    }
}

// What a save returned, as a text a child process can hand back.
std::string SaveResult(const std::string &path, std::string_view bytes, const TSaveCalls &calls = {})
{
    try {
        ReplaceFile(path, bytes, calls);
        return "saved";
    } catch (const EError &e) {
        return e.what();
    }
}

TEST_F(ReplaceFileTest, FileWithoutWritePermissionIsRefusedAndKept)
{
    // The folder lets anyone create files, so only the file's own permission can stop the save.
    ASSERT_EQ(::chmod(FDir.Path().c_str(), 0777), 0);
    const std::string path = FDir.Write("p.sgp", "the previous project");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(RunInChild([&] { return SaveResult(path, "new"); }, true),
              "Cannot create file \"" + path + "\". Permission denied");
    EXPECT_EQ(ReadAll(path), "the previous project");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
}

TEST_F(ReplaceFileTest, WritableFileInAFolderThatTakesNoNewFilesIsWrittenInPlace)
{
    const std::string writable = FDir.Write("p.sgp", "old contents that are longer");
    const std::string readOnly = FDir.Write("q.sgp", "kept");
    ASSERT_EQ(::chmod(writable.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(FDir.Path().c_str(), 0555), 0);
    // The copy made before the overwrite goes to a cache folder the child may write to.
    TTempDir home;
    ASSERT_EQ(::chmod(home.Path().c_str(), 0777), 0);
    const TScopedVariable cache("XDG_CACHE_HOME", home.File("cache"));
    // Too big for the file-size limit: refused before the file is touched.
    const std::string tooBig = RunInChild(
        [&] {
            IgnoreFileSizeSignal();
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return SaveResult(writable, std::string(10000, 'x'));
        },
        true);
    EXPECT_EQ(tooBig, "Cannot create file \"" + writable + "\". File too large");
    EXPECT_EQ(ReadAll(writable), "old contents that are longer");
    EXPECT_EQ(RunInChild([&] { return SaveResult(writable, "new"); }, true), "saved");
    EXPECT_EQ(RunInChild([&] { return SaveResult(readOnly, "new"); }, true),
              "Cannot create file \"" + readOnly + "\". Permission denied");
    EXPECT_EQ(RunInChild([&] { return SaveResult(FDir.File("fresh.sgp"), "new"); }, true),
              "Cannot create file \"" + FDir.File("fresh.sgp") + "\". Permission denied");
    ::chmod(FDir.Path().c_str(), 0700);
    EXPECT_EQ(ReadAll(writable), "new");
    EXPECT_EQ(ReadAll(readOnly), "kept");
    EXPECT_EQ(Names(), (std::vector<std::string>{"p.sgp", "q.sgp"}));
    EXPECT_TRUE(fs::is_empty(home.File("cache/zarvik")));
}

TEST_F(ReplaceFileTest, FileSizeLimitFailsTheSaveInsteadOfKillingTheProgram)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    const std::string result = RunInChild([&] {
        IgnoreFileSizeSignal();
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return SaveResult(path, std::string(10000, 'x'));
    });
    EXPECT_EQ(result, "Cannot create file \"" + path + "\". File too large");
    EXPECT_EQ(ReadAll(path), "the previous project");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
}

TEST_F(ReplaceFileTest, EveryHardLinkSeesTheNewContent)
{
    const std::string path = FDir.Write("p.sgp", "old contents that are longer");
    const std::string other = FDir.File("copy.sgp");
    fs::create_hard_link(path, other);
    ReplaceFile(path, "new");
    EXPECT_EQ(ReadAll(other), "new");
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"copy.sgp", "p.sgp"}));
}

TEST_F(ReplaceFileTest, NextSaveRemovesTheLeftoversOfKilledSavesOfTheSameFileOnly)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    const std::string other = FDir.Write("other.sgp", "another project");
    // A save killed half-way through its write.
    // Only a file system without unnamed files leaves a temporary file with a name behind.
    auto killedSave = [](const std::string &target) {
        return RunInChild([&] {
            return SaveResult(target, std::string(1000, 'x'),
                              WithoutUnnamedFiles([](int fd, const void *data, std::size_t size) {
                                  [[maybe_unused]] const ssize_t half = ::write(fd, data, size / 2);
                                  ::raise(SIGKILL);
                                  return ssize_t{-1};
                              }));
        });
    };
    ASSERT_EQ(killedSave(path), "signal 9");
    std::vector<std::string> before = Names();
    ASSERT_EQ(before.size(), 3u);
    const std::string firstLeftover = before[0];
    ASSERT_EQ(killedSave(path), "signal 9");
    ASSERT_EQ(killedSave(other), "signal 9");
    FDir.Write(".zarvik-save-abcdef", "not ours");
    FDir.Write(firstLeftover.substr(0, firstLeftover.size() - 1), "a name one letter short");
    ASSERT_EQ(Names().size(), 7u);

    // The first leftover is held by a save still running elsewhere.
    const int held = ::open(FDir.File(firstLeftover).c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ReplaceFile(path, "saved");
    EXPECT_EQ(ReadAll(path), "saved");
    EXPECT_EQ(Names().size(), 6u);
    ::close(held);
    ReplaceFile(path, "saved again");
    const std::vector<std::string> after = Names();
    EXPECT_EQ(after.size(), 5u);
    EXPECT_EQ(std::count(after.begin(), after.end(), firstLeftover), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), ".zarvik-save-abcdef"), 1);
    EXPECT_EQ(ReadAll(other), "another project");
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

// Bytes that differ from one position to the next, so that a piece read or written twice, or
// left out, shows.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST_F(ReplaceFileTest, BigFilesAreWrittenWholeAndAFailureLateInTheWriteKeepsTheOldFile)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    const std::string bytes = Pattern((std::size_t{20} << 20) + 5);
    std::size_t written = 0;
    const TWriteFunction failLate = [&written](int fd, const void *data, std::size_t size) -> ssize_t {
        if (written > (std::size_t{12} << 20)) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t put = ::write(fd, data, std::min(size, std::size_t{4} << 20));
        written += static_cast<std::size_t>(put);
        return put;
    };
    EXPECT_THROW(ReplaceFile(path, bytes, failLate), EError);
    EXPECT_EQ(ReadAll(path), "the previous project");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});

    ReplaceFile(path, bytes);
    EXPECT_EQ(ReadAll(path), bytes);
    // The same through the overwrite in place of a file with two names.
    fs::create_hard_link(path, FDir.File("copy.sgp"));
    const std::string shorter = Pattern((std::size_t{9} << 20) + 1);
    ReplaceFile(path, shorter);
    EXPECT_EQ(ReadAll(FDir.File("copy.sgp")), shorter);
}

TEST(ReadFileBytes, ReadsRegularFilesOfAnySizeWhole)
{
    TTempDir dir;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65537},
                                   (std::size_t{9} << 20) + 3, std::size_t{16} << 20}) {
        const std::string bytes = Pattern(size);
        const std::string path = dir.Write("f.bin", bytes);
        const std::string read = ReadFileBytes(path);
        EXPECT_EQ(read.size(), size);
        EXPECT_TRUE(read == bytes) << size;
    }
}

TEST(ReadFileBytes, ReadsFilesWithoutASizeToTheirEnd)
{
    // A pipe has no size, and a kernel file reports none but holds text. A named pipe is
    // refused by name (it could wait for ever), so the pipe is read as an open descriptor.
    const std::string bytes = Pattern(300000);
    const std::string result = RunInChild([&] {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return std::string("no pipe");
        const pid_t writer = ::fork();
        if (writer == 0) {
            ::close(pipe[0]);
            const int fd = pipe[1];
            std::size_t done = 0;
            while (fd >= 0 && done < bytes.size()) {
                const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (put <= 0)
                    break;
                done += static_cast<std::size_t>(put);
            }
            ::_exit(0);
        }
        ::close(pipe[1]);
        const std::string read = ReadOpenFile(pipe[0], "pipe");
        int status = 0;
        ::waitpid(writer, &status, 0);
        return read == bytes ? std::string("whole") : "got " + std::to_string(read.size()) + " bytes";
    });
    EXPECT_EQ(result, "whole");
    EXPECT_TRUE(ReadFileBytes("/proc/self/status").starts_with("Name:"));
}

TEST(ReadFileBytes, MissingFilesAndFoldersAreReportedByName)
{
    TTempDir dir;
    const std::string missing = dir.File("none.sgp");
    try {
        ReadFileBytes(missing);
        ADD_FAILURE() << "read a missing file";
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    try {
        ReadFileBytes(dir.Path().string());
        ADD_FAILURE() << "read a folder";
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.Path().string() + "\". Is a directory");
    }
}

TEST(MappedFile, GivesARegularFilesBytesInPlaceAndCopiesAnEmptyOne)
{
    TTempDir dir;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{65537},
                                   (std::size_t{9} << 20) + 3}) {
        const std::string bytes = Pattern(size);
        const TMappedFile file(dir.Write("f.bin", bytes));
        EXPECT_EQ(file.Mapped(), size > 0) << size;
        EXPECT_EQ(file.Bytes().size(), size);
        EXPECT_TRUE(file.Bytes() == bytes) << size;
    }
}

TEST(MappedFile, OtherWritersWaitWhileTheFileIsMapped)
{
    TTempDir dir;
    const std::string path = dir.Write("held.sgp", Pattern(100000));
    // Another process that will not wait is refused, until the mapping is given up.
    auto openForWriting = [&] {
        return RunInChild([&] {
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                return std::string(errno == EWOULDBLOCK ? "refused" : "error");
            ::close(fd);
            return std::string("opened");
        });
    };
    {
        const TMappedFile file(path);
        ASSERT_TRUE(file.Mapped());
        EXPECT_EQ(openForWriting(), "refused");
        EXPECT_TRUE(file.Bytes() == Pattern(100000));
    }
    EXPECT_EQ(openForWriting(), "opened");
}

TEST(MappedFile, FilesBeingWrittenOrWithoutASizeAreCopied)
{
    TTempDir dir;
    const std::string path = dir.Write("open.sgp", Pattern(70000));
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    {
        const TMappedFile file(path);
        EXPECT_FALSE(file.Mapped());
        EXPECT_TRUE(file.Bytes() == Pattern(70000));
        // The copy does not hold the file: its writer goes on.
        EXPECT_EQ(::write(writer, "x", 1), 1);
        EXPECT_EQ(file.Bytes().size(), 70000u);
    }
    ::close(writer);

    const TMappedFile status("/proc/self/status");
    EXPECT_FALSE(status.Mapped());
    EXPECT_TRUE(status.Bytes().starts_with("Name:"));
}

TEST(MappedFile, OpenErrorsAreThoseOfAWholeFileRead)
{
    TTempDir dir;
    for (const std::string &path : {dir.File("none.sgp"), dir.Path().string()}) {
        std::string expected;
        try {
            ReadFileBytes(path);
        } catch (const EError &e) {
            expected = e.what();
        }
        ASSERT_FALSE(expected.empty()) << path;
        try {
            const TMappedFile file(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const EError &e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
    }
}

namespace {

// Content handed over in pieces of `piece` bytes, throwing instead after `failAfter` of them.
TFileContent Pieces(const std::string &bytes, std::size_t piece, std::size_t failAfter = SIZE_MAX)
{
    return {bytes.size(), [&bytes, piece, failAfter](const TFileContent::TPut &put) {
                std::size_t count = 0;
                for (std::size_t at = 0; at < bytes.size(); at += piece) {
                    if (count++ == failAfter)
                        throw std::bad_alloc();
                    put(std::string_view(bytes).substr(at, piece));
                }
            }};
}

} // namespace

TEST_F(ReplaceFileTest, ContentMadeWhileItIsWrittenReplacesTheFileOrLeavesItAlone)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    ::chmod(path.c_str(), 0640);
    const std::string bytes = Pattern((std::size_t{19} << 20) + 3);

    EXPECT_THROW(ReplaceFile(path, Pieces(bytes, 1 << 20, 12)), std::bad_alloc);
    EXPECT_EQ(ReadAll(path), "the previous project");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});

    EXPECT_THROW(ReplaceFile(path, Pieces(bytes, 1 << 20), FailAfter(100'000)), EError);
    EXPECT_EQ(ReadAll(path), "the previous project");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});

    ReplaceFile(path, Pieces(bytes, 300'001));
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});

    // Content that ends short of its announced size leaves no reserved tail.
    TFileContent shorter = Pieces(bytes, 4096);
    shorter.Size += 12345;
    ReplaceFile(path, shorter);
    EXPECT_EQ(fs::file_size(path), bytes.size());

    // A file with two names is overwritten in place, once the whole content is made.
    fs::create_hard_link(path, FDir.File("copy.sgp"));
    const std::string other = Pattern(70'000);
    EXPECT_THROW(ReplaceFile(path, Pieces(other, 1000, 3)), std::bad_alloc);
    EXPECT_EQ(ReadAll(FDir.File("copy.sgp")), bytes);
    ReplaceFile(path, Pieces(other, 1000));
    EXPECT_EQ(ReadAll(FDir.File("copy.sgp")), other);
}

TEST_F(ReplaceFileTest, ALinkToAFileNotThereYetCreatesThatFileAndStaysALink)
{
    fs::create_directory(FDir.File("sub"));
    // A relative link is read from its own folder; the second link names the first.
    fs::create_symlink("sub/target.sgp", FDir.File("link.sgp"));
    fs::create_symlink(FDir.File("link.sgp"), FDir.File("sub/chain.sgp"));
    ReplaceFile(FDir.File("sub/chain.sgp"), "through two links");
    EXPECT_TRUE(fs::is_symlink(FDir.File("link.sgp")));
    EXPECT_TRUE(fs::is_symlink(FDir.File("sub/chain.sgp")));
    EXPECT_EQ(ReadAll(FDir.File("sub/target.sgp")), "through two links");
    EXPECT_EQ(Names(), (std::vector<std::string>{"link.sgp", "sub"}));

    // A link into a missing folder, and a loop of links, fail and leave the links as they were.
    fs::create_symlink("missing/x.sgp", FDir.File("nowhere.sgp"));
    fs::create_symlink("loop2.sgp", FDir.File("loop1.sgp"));
    fs::create_symlink("loop1.sgp", FDir.File("loop2.sgp"));
    const std::pair<std::string, std::string> failures[] = {
        {FDir.File("nowhere.sgp"), "No such file or directory"},
        {FDir.File("loop1.sgp"), "Too many levels of symbolic links"},
    };
    for (const auto &[link, reason] : failures) {
        EXPECT_EQ(SaveResult(link, "x"), "Cannot create file \"" + link + "\". " + reason);
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(Names().size(), 5u);
}

// Calls whose reservation of space fails with `error`.
TSaveCalls ReservationFailing(int error)
{
    TSaveCalls calls;
    calls.Allocate = [error](int, int, off_t, off_t) {
        errno = error;
        return -1;
    };
    return calls;
}

TEST_F(ReplaceFileTest, AFailedReservationStopsTheSaveUnlessTheFileSystemCannotReserve)
{
    const std::string single = FDir.Write("p.sgp", "the previous project");
    const std::string linked = FDir.Write("q.sgp", "the linked project");
    fs::create_hard_link(linked, FDir.File("r.sgp"));
    const std::pair<int, std::string> stops[] = {
        {EIO, "Input/output error"}, {EPERM, "Operation not permitted"}, {ENOSPC, "No space left on device"}};
    // The file replaced whole and the one overwritten in place alike.
    for (const std::string &path : {single, linked}) {
        const std::string before = ReadAll(path);
        for (const auto &[error, reason] : stops) {
            EXPECT_EQ(SaveResult(path, "new", ReservationFailing(error)),
                      "Cannot create file \"" + path + "\". " + reason);
            EXPECT_EQ(ReadAll(path), before);
        }
        EXPECT_EQ(Names(), (std::vector<std::string>{"p.sgp", "q.sgp", "r.sgp"}));
        for (const int error : {EOPNOTSUPP, ENOSYS}) {
            EXPECT_EQ(SaveResult(path, "saved " + std::to_string(error), ReservationFailing(error)), "saved");
            EXPECT_EQ(ReadAll(path), "saved " + std::to_string(error));
        }
    }
    EXPECT_EQ(ReadAll(FDir.File("r.sgp")), "saved " + std::to_string(ENOSYS));

    // An interrupted reservation is made again.
    int tries = 0;
    TSaveCalls interrupted;
    interrupted.Allocate = [&tries](int fd, int mode, off_t offset, off_t length) {
        if (tries++ == 0) {
            errno = EINTR;
            return -1;
        }
        return ::fallocate(fd, mode, offset, length);
    };
    ReplaceFile(single, "after a signal", interrupted);
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(ReadAll(single), "after a signal");
}

TEST_F(ReplaceFileTest, OverwriteInPlaceKeepsAWholeCopyBesideUntilTheNewContentIsOnDisk)
{
    const std::string path = FDir.Write("p.sgp", "old contents that are longer");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    fs::create_hard_link(path, FDir.File("other.sgp"));
    fs::create_symlink("p.sgp", FDir.File("link.sgp"));
    const std::string copy = FDir.File(".zarvik-backup-p.sgp");
    // A copy that an earlier interrupted save left is replaced by a copy of the file as it is.
    FDir.Write(".zarvik-backup-p.sgp", "an older copy");
    for (const bool unnamed : {true, false}) {
        const std::string before = ReadAll(path);
        std::string seen;
        const TWriteFunction look = [&](int fd, const void *data, std::size_t size) -> ssize_t {
            if (seen.empty()) {
                struct stat info
                {
                };
                ::stat(copy.c_str(), &info);
                seen = ReadAll(copy) + " | " + InterruptedSaveCopy(path).value_or("none") + " | " +
                       InterruptedSaveCopy(FDir.File("link.sgp")).value_or("none") + " | " +
                       std::to_string(info.st_mode & 07777);
            }
            return ::write(fd, data, size);
        };
        const std::string after = unnamed ? "new" : "newer and longer than before";
        ReplaceFile(path, after, unnamed ? TSaveCalls(look) : WithoutUnnamedFiles(look));
        EXPECT_EQ(seen, before + " | " + copy + " | " + copy + " | " + std::to_string(0644));
        EXPECT_EQ(ReadAll(FDir.File("other.sgp")), after);
        EXPECT_EQ(InterruptedSaveCopy(path), std::nullopt);
        EXPECT_EQ(Names(), (std::vector<std::string>{"link.sgp", "other.sgp", "p.sgp"}));
    }

    // A name too long to carry the copy's prefix gives a copy named by its hash.
    const std::string longName = std::string(250, 'n');
    const std::string longPath = FDir.Write(longName, "long");
    fs::create_hard_link(longPath, FDir.File("long.sgp"));
    std::string seen;
    ReplaceFile(longPath, "longer", [&](int fd, const void *data, std::size_t size) -> ssize_t {
        seen = InterruptedSaveCopy(longPath).value_or("none");
        return ::write(fd, data, size);
    });
    const std::string prefix = FDir.File(".zarvik-backup-");
    EXPECT_EQ(seen.size(), prefix.size() + 16);
    EXPECT_TRUE(seen.starts_with(prefix)) << seen;
    EXPECT_EQ(ReadAll(FDir.File("long.sgp")), "longer");
    EXPECT_EQ(Names().size(), 5u);
}

TEST_F(ReplaceFileTest, AFolderThatTakesNoNewFilesHasTheCopyMadeInAPrivateCacheFolder)
{
    const std::string path = FDir.Write("p.sgp", "old contents");
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(FDir.Path().c_str(), 0555), 0);
    TTempDir home;
    ASSERT_EQ(::chmod(home.Path().c_str(), 0777), 0);
    const std::string link = home.File("link.sgp");
    fs::create_symlink(path, link);
    // The cache folder is $XDG_CACHE_HOME/zarvik, or ~/.cache/zarvik when that is not absolute.
    const std::pair<std::string, std::string> places[] = {{home.File("xdg"), home.File("xdg/zarvik")},
                                                          {"relative", home.File(".cache/zarvik")}};
    for (const auto &[variable, folder] : places) {
        const TScopedVariable homeVariable("HOME", home.Path().string());
        const TScopedVariable cacheVariable("XDG_CACHE_HOME", variable);
        const std::string result = RunInChild(
            [&] {
                std::string seen;
                const std::string saved = SaveResult(
                    path, "new content", [&](int fd, const void *data, std::size_t size) -> ssize_t {
                        if (seen.empty()) {
                            const std::optional<std::string> copy = InterruptedSaveCopy(path);
                            seen = copy ? *copy + " holds " + ReadAll(*copy) : "no copy";
                            if (InterruptedSaveCopy(link) != copy)
                                seen += ", not found through the link";
                        }
                        return ::write(fd, data, size);
                    });
                return saved + "; " + seen;
            },
            true);
        // "<16 hex digits>-p.sgp"
        const std::string start = "saved; " + folder + "/";
        const std::string end = "-p.sgp holds old contents";
        EXPECT_EQ(result.size(), start.size() + 16 + end.size()) << result;
        EXPECT_TRUE(result.starts_with(start) && result.ends_with(end)) << result;
        EXPECT_EQ(ReadAll(path), "new content");
        struct stat info
        {
        };
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, NobodyId);
        EXPECT_TRUE(fs::is_empty(folder));
        FDir.Write("p.sgp", "old contents");
    }
    ::chmod(FDir.Path().c_str(), 0700);
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
}

TEST_F(ReplaceFileTest, AFailedOverwriteInPlacePutsTheOldContentBackOrKeepsTheCopy)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    fs::create_hard_link(path, FDir.File("other.sgp"));
    // A write that fails once, after the first bytes: the old content is written back.
    int calls = 0;
    const TWriteFunction failOnce = [&calls](int fd, const void *data, std::size_t size) -> ssize_t {
        if (++calls == 2) {
            errno = EIO;
            return -1;
        }
        return ::write(fd, data, std::min(size, std::size_t{5}));
    };
    EXPECT_EQ(SaveResult(path, std::string(100, 'x'), failOnce),
              "Cannot create file \"" + path + "\". Input/output error");
    EXPECT_EQ(ReadAll(FDir.File("other.sgp")), "the previous project");
    EXPECT_EQ(Names(), (std::vector<std::string>{"other.sgp", "p.sgp"}));

    // A disk that fails for good leaves the file half-written, and the copy holds the old content.
    EXPECT_EQ(SaveResult(path, std::string(100, 'x'), FailAfter(5)),
              "Cannot create file \"" + path + "\". No space left on device");
    EXPECT_EQ(ReadAll(path), "xxxxxrevious project");
    const std::optional<std::string> copy = InterruptedSaveCopy(path);
    ASSERT_EQ(copy, FDir.File(".zarvik-backup-p.sgp"));
    EXPECT_EQ(ReadAll(*copy), "the previous project");

    // Restored, every name of the file has the old content again, and the copy is gone.
    EXPECT_TRUE(RestoreInterruptedSaveCopy(path));
    EXPECT_EQ(ReadAll(FDir.File("other.sgp")), "the previous project");
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"other.sgp", "p.sgp"}));
    EXPECT_FALSE(RestoreInterruptedSaveCopy(path));

    // The next successful save removes a copy, also where the save needs none.
    EXPECT_NE(SaveResult(path, std::string(100, 'x'), FailAfter(5)), "saved");
    fs::remove(FDir.File("other.sgp"));
    ReplaceFile(path, "saved whole");
    EXPECT_EQ(InterruptedSaveCopy(path), std::nullopt);
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
}

TEST_F(ReplaceFileTest, AnotherUsersFileThatTheGroupMayWriteKeepsItsOwner)
{
    ASSERT_EQ(::chmod(FDir.Path().c_str(), 0777), 0);
    const std::string path = FDir.Write("p.sgp", "the owner's project");
    ASSERT_EQ(::chown(path.c_str(), 0, NobodyId), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    const auto owner = [&path] {
        struct stat info
        {
        };
        ::stat(path.c_str(), &info);
        return std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " " +
               std::to_string(info.st_mode & 07777) + " inode " + std::to_string(info.st_ino);
    };
    const std::string before = owner();
    // The group's member cannot hand a new file to the owner: the file is overwritten instead.
    EXPECT_EQ(RunInChild([&] { return SaveResult(path, "saved by the group"); }, true), "saved");
    EXPECT_EQ(owner(), before);
    EXPECT_EQ(ReadAll(path), "saved by the group");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
    // The owner's save replaces the file whole, still with its owner and group.
    ReplaceFile(path, "saved by the owner");
    EXPECT_EQ(owner().substr(0, owner().find(" inode")), before.substr(0, before.find(" inode")));
    EXPECT_NE(owner(), before);
}

TEST_F(ReplaceFileTest, ACleanUpNeverRemovesTheTemporaryFileOfASaveStillRunning)
{
    const std::string path = FDir.Write("p.sgp", "the previous project");
    const TWriteFunction pause = [](int fd, const void *data, std::size_t size) {
        ::raise(SIGSTOP);
        return ::write(fd, data, size);
    };
    for (const bool unnamed : {true, false}) {
        const TChild child = StartChild([&] {
            return SaveResult(path, "the first save",
                              unnamed ? TSaveCalls(pause) : WithoutUnnamedFiles(pause));
        });
        int status = 0;
        ASSERT_EQ(::waitpid(child.Pid, &status, WUNTRACED), child.Pid);
        ASSERT_TRUE(WIFSTOPPED(status));
        // An unnamed file cannot even be seen; a named one is locked.
        EXPECT_EQ(Names().size(), unnamed ? 1u : 2u);
        ReplaceFile(path, "a second save meanwhile");
        EXPECT_EQ(ReadAll(path), "a second save meanwhile");
        EXPECT_EQ(Names().size(), unnamed ? 1u : 2u);
        ::kill(child.Pid, SIGCONT);
        EXPECT_EQ(FinishChild(child), "saved");
        EXPECT_EQ(ReadAll(path), "the first save");
        EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
    }
    // A save killed half-way into an unnamed file leaves nothing behind.
    EXPECT_EQ(RunInChild([&] {
                  return SaveResult(path, std::string(1000, 'x'),
                                    [](int fd, const void *data, std::size_t size) {
                                        [[maybe_unused]] const ssize_t half = ::write(fd, data, size / 2);
                                        ::raise(SIGKILL);
                                        return ssize_t{-1};
                                    });
              }),
              "signal 9");
    EXPECT_EQ(ReadAll(path), "the first save");
    EXPECT_EQ(Names(), std::vector<std::string>{"p.sgp"});
}
