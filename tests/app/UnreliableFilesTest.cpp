#include "app/FileAccess.h"
#include "app/ProjectFiles.h"
#include "app/StalePages.h"
#include "app/TemporaryFile.h"
#include "app/TextFiles.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "tests/app/ChildProcess.h"
#include "tests/app/TempDir.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zarvik;
using zarvik::test::RunInChild;
using zarvik::test::TTempDir;

namespace {

// Runs `body` in a child that a hang turns into "signal 14" after `seconds`.
std::string RunBounded(const std::function<std::string()> &body, unsigned seconds = 20)
{
    return RunInChild([&] {
        ::alarm(seconds);
        return body();
    });
}

// What a read gives: its bytes' size, or the message of the EError it threw.
std::string Outcome(const std::function<std::size_t()> &read)
{
    try {
        return "read " + std::to_string(read());
    } catch (const EError &e) {
        return e.what();
    }
}

// The one-file file system of FaultyFileSystem.py, mounted on a fresh folder for the life of
// the object.
class TFaultyMount
{
public:
    TFaultyMount(const std::string &mode, std::size_t size)
        : FPoint(FDir.File("mnt"))
    {
        struct stat folder
        {
        };
        if (::mkdir(FPoint.c_str(), 0755) != 0 || ::stat(FPoint.c_str(), &folder) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            const std::string sizeText = std::to_string(size);
            ::execl("/usr/bin/python3", "python3", ZARVIK_FAULTY_FS, FPoint.c_str(), mode.c_str(),
                    sizeText.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        // Mounted once the folder is on another device.
        for (int tries = 0; tries < 200 && FPid > 0; ++tries) {
            struct stat now
            {
            };
            if (::stat(FPoint.c_str(), &now) == 0 && now.st_dev != folder.st_dev) {
                FMounted = true;
                return;
            }
            int status = 0;
            if (::waitpid(FPid, &status, WNOHANG) == FPid) {
                FPid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~TFaultyMount()
    {
        if (FMounted)
            ::umount2(FPoint.c_str(), MNT_DETACH);
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            int status = 0;
            for (int tries = 0; tries < 100 && ::waitpid(FPid, &status, WNOHANG) == 0; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, &status, WNOHANG);
        }
    }
    TFaultyMount(const TFaultyMount &) = delete;
    TFaultyMount &operator=(const TFaultyMount &) = delete;

    bool Mounted() const { return FMounted; }
    std::string File() const { return FPoint + "/project.sgp"; }

private:
    TTempDir FDir;
    std::string FPoint;
    pid_t FPid = -1;
    bool FMounted = false;
};

constexpr std::size_t FaultySize = std::size_t{4} << 20;

// The ways a project file or a text file is read.
const std::vector<std::pair<std::string, std::function<std::size_t(const std::string &)>>> &Readers()
{
    static const std::vector<std::pair<std::string, std::function<std::size_t(const std::string &)>>>
        readers = {
            {"mapped", [](const std::string &path) { return TMappedFile(path).Bytes().size(); }},
            {"whole", [](const std::string &path) { return ReadFileBytes(path).size(); }},
            {"project",
             [](const std::string &path) {
                 TSiteGenerator generator;
                 LoadProject(path, generator);
                 return generator.SiteTitle().size();
             }},
        };
    return readers;
}

} // namespace

TEST(FaultyFileSystem, AFileThatShrinksWhileReadIsCutShortWithoutKillingTheReader)
{
    for (const auto &[name, read] : Readers()) {
        const TFaultyMount mount("shrink", FaultySize);
        ASSERT_TRUE(mount.Mounted()) << "the user-space file system could not be mounted";
        const std::string result = RunBounded([&] { return Outcome([&] { return read(mount.File()); }); });
        if (name == "project") {
            // The project's text ends inside its title: the reader reports a damaged file.
            EXPECT_FALSE(result.starts_with("read ")) << result;
            EXPECT_FALSE(result.starts_with("signal")) << result;
        } else {
            EXPECT_EQ(result, "read " + std::to_string(FaultySize / 4)) << name;
        }
    }
    // Such a file is never mapped, so a page that vanishes cannot be touched.
    const TFaultyMount mount("shrink", 100000);
    ASSERT_TRUE(mount.Mounted());
    EXPECT_EQ(RunBounded([&] { return std::to_string(TMappedFile(mount.File()).Mapped()); }), "0");
}

TEST(FaultyFileSystem, AReadErrorEndsInTheSystemsMessage)
{
    const TFaultyMount mount("eio", FaultySize);
    ASSERT_TRUE(mount.Mounted()) << "the user-space file system could not be mounted";
    const std::string expected = "Cannot open file \"" + mount.File() + "\". Input/output error";
    for (const auto &[name, read] : Readers())
        EXPECT_EQ(RunBounded([&] { return Outcome([&] { return read(mount.File()); }); }), expected) << name;
}

TEST(NotRegularFiles, FifosAndDevicesAreRefusedAtOnceWhereverAFileIsRead)
{
    TTempDir dir;
    const std::string fifo = dir.File("content.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::function<std::size_t(const std::string &)>>> texts = {
        {"text", [](const std::string &path) { return ReadTextFile(path).size(); }},
        {"links", [](const std::string &path) { return ImportLinksTsv(path).size(); }},
        {"contents", [](const std::string &path) { return JoinContentFiles({path}, "!-next-!").size(); }},
    };
    for (const std::string &path : {fifo, std::string("/dev/zero")}) {
        const std::string expected = "Cannot open file \"" + path + "\". It is not a regular file";
        for (const auto &readers : {Readers(), texts}) {
            for (const auto &[name, read] : readers)
                EXPECT_EQ(RunBounded([&] { return Outcome([&] { return read(path); }); }, 5), expected)
                    << name << ' ' << path;
        }
    }
    // The check follows a link to the file it names, as reading it would.
    ASSERT_EQ(::symlink(fifo.c_str(), dir.File("link").c_str()), 0);
    EXPECT_EQ(RunBounded([&] { return Outcome([&] { return ReadFileBytes(dir.File("link")).size(); }); }, 5),
              "Cannot open file \"" + dir.File("link") + "\". It is not a regular file");

    // What is read goes back to blocking reads: a regular file is read whole.
    const int fd = OpenRegularFile(AT_FDCWD, dir.Write("page.html", "text").c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);
}

TEST(NotRegularFiles, AFifoSwappedInUnderTheCleanUpOrThePruneIsLeftAlone)
{
    TTempDir dir;
    const std::string leftover = dir.File(".zarvik-save-" + NameDigest("p.sgp") + "-abcdef");
    const std::string page = dir.File("page2.html");
    // Between the look at a name and its open, the file there becomes a FIFO and back.
    const std::string result = RunBounded([&] {
        std::atomic<bool> stop{false};
        std::thread swapper([&] {
            const std::string plain = dir.File("plain");
            const std::string fifo = dir.File("fifo");
            for (int round = 0; !stop; ++round) {
                const std::string &target = round % 4 < 2 ? leftover : page;
                if (round % 2 == 0) {
                    std::FILE *file = std::fopen(plain.c_str(), "w");
                    if (file) {
                        std::fputs("<html>", file);
                        std::fclose(file);
                    }
                    ::rename(plain.c_str(), target.c_str());
                } else if (::mkfifo(fifo.c_str(), 0600) == 0) {
                    ::rename(fifo.c_str(), target.c_str());
                }
            }
        });
        for (int i = 0; i < 3000; ++i) {
            RemoveLeftovers(dir.Path(), "p.sgp");
            DeletePages(dir.Path().string(), {"page2.html"});
        }
        stop = true;
        swapper.join();
        return std::string("done");
    });
    EXPECT_EQ(result, "done");
}
