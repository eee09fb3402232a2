#include "app/ProjectFiles.h"

#include "app/ErrorDisplay.h"
#include "app/ProjectDefaults.h"
#include "app/SafeSave.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "persistence/ProjectFile.h"
#include "persistence/ProjectFileWriter.h"
#include "tests/app/ChildProcess.h"
#include "tests/app/TempDir.h"
#include "tests/support/ProgressRecord.h"
#include "tests/support/Ru.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace zarvik;
using zarvik::test::FinishChild;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::RunInChild;
using zarvik::test::StartChild;
using zarvik::test::TChild;
using zarvik::test::TScopedVariable;
using zarvik::test::TTempDir;

TEST(WithProjectExtension, LooksAtTheLastFourCharactersOnly)
{
    EXPECT_EQ(WithProjectExtension("/home/u/garden"), "/home/u/garden.sgp");
    EXPECT_EQ(WithProjectExtension("/home/u/garden.sgp"), "/home/u/garden.sgp");
    EXPECT_EQ(WithProjectExtension("/home/u/garden.SGP"), "/home/u/garden.SGP");
    EXPECT_EQ(WithProjectExtension("garden.Sgp"), "garden.Sgp");
    EXPECT_EQ(WithProjectExtension("garden.txt"), "garden.txt.sgp");
    EXPECT_EQ(WithProjectExtension("garden.sgp "), "garden.sgp .sgp");
    EXPECT_EQ(WithProjectExtension("gardensgp"), "gardensgp.sgp");
    EXPECT_EQ(WithProjectExtension(".sgp"), ".sgp");
    EXPECT_EQ(WithProjectExtension("sgp"), "sgp.sgp");
    EXPECT_EQ(WithProjectExtension(""), ".sgp");
}

class ProjectFiles : public testing::Test
{
protected:
    // A generator as a project window creates it, before anything is read into it.
    static void Fresh(TSiteGenerator &generator)
    {
        ApplyNewProjectSettings(generator);
        generator.SetChanged(true);
    }

    TTempDir FDir;
};

TEST_F(ProjectFiles, NewProjectSavedAtOnceStoresTheDefaultsAndReadsBack)
{
    TSiteGenerator created;
    ApplyNewProjectDefaults(created);
    const std::string path = FDir.File("new.sgp");
    SaveProject(path, created);

    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("object TSiteGenerator\r\n  Pages = <>\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n  Changed = True\r\nend\r\n"), std::string::npos);
    EXPECT_NE(text.find("  SiteTemplate = "), std::string::npos);
    EXPECT_NE(text.find("  CssCode = "), std::string::npos);
    EXPECT_NE(text.find("  AdsenseCode = "), std::string::npos);

    TSiteGenerator opened;
    Fresh(opened);
    LoadProject(path, opened);
    EXPECT_FALSE(opened.Changed());
    EXPECT_EQ(opened.SiteTemplate(), DefaultTemplate());
    EXPECT_EQ(opened.CssCode(), DefaultCss());
    EXPECT_EQ(opened.AdsenseCode(), DefaultAdBlock());
    EXPECT_EQ(opened.MenuWord(), Ru("Раздел"));
    EXPECT_EQ(opened.MinCharsPerPage(), 4000);
    EXPECT_EQ(opened.MaxCharsPerPage(), 5000);

    // Saved again, a project comes out byte for byte as it went in.
    opened.SetChanged(true);
    SaveProject(FDir.File("again.sgp"), opened);
    EXPECT_EQ(ReadAll(FDir.File("again.sgp")), text);
}

TEST_F(ProjectFiles, EmptyMarkerAndMenuWordComeBackAsTheWindowsDefaults)
{
    TSiteGenerator saved;
    Fresh(saved);
    saved.SetDiggValue("");
    saved.SetMenuWord("");
    saved.SetSiteTitle(Ru("Сад"));
    saved.CreateNewPage("index", "text");
    saved.Pages()[0].SetPageHTML("<p>text</p>");
    const std::string path = FDir.File("p.sgp");
    SaveProject(path, saved);

    TSiteGenerator opened;
    Fresh(opened);
    LoadProject(path, opened);
    EXPECT_EQ(opened.DiggValue(), "!-next_page-!");
    EXPECT_EQ(opened.MenuWord(), Ru("Раздел"));
    EXPECT_EQ(opened.SiteTitle(), Ru("Сад"));
    ASSERT_EQ(opened.Pages().Count(), 1);
    EXPECT_EQ(opened.Pages()[0].PageHTML(), "<p>text</p>");
    EXPECT_FALSE(opened.LinksWasSetted());
}

TEST_F(ProjectFiles, AFileOpenForWritingIsReadAsWellAsAMappedOne)
{
    TSiteGenerator saved;
    Fresh(saved);
    saved.SetSiteTitle(Ru("Сад"));
    saved.CreateNewPage("index", Ru("текст 'в' кавычках"));
    saved.Pages()[0].SetPageHTML(std::string(70000, 'x'));
    const std::string path = FDir.File("p.sgp");
    SaveProject(path, saved);

    // The first load maps the file; the second copies it, a writer holding it open.
    std::string texts[2];
    for (std::string &text : texts) {
        const int writer = &text == &texts[1] ? ::open(path.c_str(), O_WRONLY | O_CLOEXEC) : -1;
        TSiteGenerator opened;
        Fresh(opened);
        LoadProject(path, opened);
        if (writer >= 0)
            ::close(writer);
        EXPECT_EQ(opened.SiteTitle(), Ru("Сад"));
        ASSERT_EQ(opened.Pages().Count(), 1);
        EXPECT_EQ(opened.Pages()[0].PageHTML(), std::string(70000, 'x'));
        opened.SetChanged(true);
        SaveProject(FDir.File("again.sgp"), opened);
        text = ReadAll(FDir.File("again.sgp"));
    }
    EXPECT_EQ(texts[0], ReadAll(path));
    EXPECT_EQ(texts[1], ReadAll(path));
}

TEST_F(ProjectFiles, OpenErrorsCarryTheirMessagesAndLeaveChangedAlone)
{
    TSiteGenerator generator;
    Fresh(generator);
    const std::string missing = FDir.File("missing.sgp");
    const std::pair<std::string, std::string> cases[] = {
        {missing, "Cannot open file \"" + missing + "\". No such file or directory"},
        {FDir.Write("bad.sgp", "object TSiteGenerator\r\n  Colour = 1\r\nend\r\n"),
         "Error reading TSiteGenerator.Colour: Property Colour does not exist"},
    };
    for (const auto &[path, message] : cases) {
        try {
            LoadProject(path, generator);
            ADD_FAILURE() << path;
        } catch (const EError &e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_TRUE(generator.Changed());
}

TEST_F(ProjectFiles, SaveIntoAMissingFolderFails)
{
    TSiteGenerator generator;
    Fresh(generator);
    const std::string path = FDir.File("no/such/folder/p.sgp");
    try {
        SaveProject(path, generator);
        FAIL();
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST_F(ProjectFiles, OnlyAnAbsolutePathOfAnExistingFileIsSavedToWithoutAsking)
{
    FDir.Write("Untitled1", "a file that happens to carry a new project's name");
    FDir.Write("garden.sgp", "object TSiteGenerator\r\nend\r\n");
    std::filesystem::create_directory(FDir.File("folder.sgp"));
    // Run where the relative names would resolve to those files.
    const std::string seen = RunInChild([&] {
        if (::chdir(FDir.Path().c_str()) != 0)
            return std::string("no chdir");
        std::string result;
        for (const std::string &name :
             std::vector<std::string>{"Untitled1", "garden.sgp", "./garden.sgp", FDir.File("garden.sgp"),
                                      FDir.File("folder.sgp"), FDir.File("missing.sgp"), std::string()})
            result += NamesExistingProjectFile(name) ? '1' : '0';
        return result;
    });
    EXPECT_EQ(seen, "0001000");
}

TEST(ErrorDisplay, AddsAFullStopAfterALetterAndNamesAnExhaustedMemoryInWords)
{
    EXPECT_EQ(ErrorDisplayText("Cannot open file \"/a\". No such file or directory"),
              "Cannot open file \"/a\". No such file or directory.");
    EXPECT_EQ(ErrorDisplayText("Done."), "Done.");
    EXPECT_EQ(ErrorDisplayText("(x)"), "(x)");
    EXPECT_EQ(ErrorDisplayText(OutOfMemoryMessage), Ru("Недостаточно памяти."));
}

namespace {

// How an in-place save of a project comes about.
enum class InPlaceKind
{
    HardLinked,
    ReadOnlyFolder,
};

// The text of a project whose pages carry its title, so two of them differ from the first page.
std::string ProjectText(const std::string &title, int pages)
{
    TSiteGenerator generator;
    ApplyNewProjectSettings(generator);
    generator.SetSiteTitle(title);
    for (int i = 0; i < pages; ++i)
        generator.CreateNewPage(title + " " + std::to_string(i),
                                std::string(3000, static_cast<char>('a' + i % 26)));
    generator.SetChanged(true);
    return TProjectFileWriter(generator).Text();
}

} // namespace

class InPlaceSaveKills : public testing::TestWithParam<InPlaceKind>
{
};

// Saves run in children that are killed at a chosen write or at a random moment, the copy
// included; after each kill the project is opened again as a user would.
TEST_P(InPlaceSaveKills, LeaveTheOldProjectTheNewOneOrAWholeCopyOfTheOld)
{
    const bool readOnlyFolder = GetParam() == InPlaceKind::ReadOnlyFolder;
    TTempDir dir;
    TTempDir cache;
    ASSERT_EQ(::chmod(cache.Path().c_str(), 0777), 0);
    const TScopedVariable cacheVariable("XDG_CACHE_HOME", cache.File("xdg"));
    const std::string path = dir.File("p.sgp");
    const std::string texts[2] = {ProjectText("small", 40), ProjectText("large", 70)};
    dir.Write("p.sgp", texts[0]);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    if (readOnlyFolder) {
        // The children run as nobody, for whom the folder takes no new files.
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    } else {
        std::filesystem::create_hard_link(path, dir.File("other.sgp"));
    }
    const std::string copyPlace =
        readOnlyFolder ? cache.File("xdg/zarvik/") : dir.File(".zarvik-backup-p.sgp");

    // The bytes of the new text a child has written, seen by the parent.
    void *shared = ::mmap(nullptr, sizeof(std::atomic<std::size_t>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto *written = new (shared) std::atomic<std::size_t>(0);

    // One save of `to`, killed at its write number `killAt` or `delay` after it starts.
    // How long the last save ran from its start to its end or kill.
    auto lasted = std::chrono::steady_clock::duration::zero();
    const auto save = [&](const std::string &to, long killAt,
                          std::optional<std::chrono::microseconds> delay) {
        written->store(0);
        int ready[2];
        if (::pipe(ready) != 0)
            return std::string("no pipe");
        const TChild child = StartChild(
            [&] {
                ::close(ready[0]);
                const char go = 1;
                [[maybe_unused]] const ssize_t told = ::write(ready[1], &go, 1);
                long writes = 0;
                ReplaceFile(path, to, [&](int fd, const void *data, std::size_t size) -> ssize_t {
                    if (writes++ == killAt)
                        ::raise(SIGKILL);
                    // A slow disk, so that kills at random moments land in the write as well.
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                    const ssize_t put = ::write(fd, data, std::min(size, std::size_t{4096}));
                    if (put > 0)
                        written->fetch_add(static_cast<std::size_t>(put));
                    return put;
                });
                return std::string("saved");
            },
            readOnlyFolder);
        ::close(ready[1]);
        char go = 0;
        [[maybe_unused]] const ssize_t heard = ::read(ready[0], &go, 1);
        ::close(ready[0]);
        const auto start = std::chrono::steady_clock::now();
        if (delay) {
            std::this_thread::sleep_for(*delay);
            ::kill(child.Pid, SIGKILL);
        }
        // Waits for the end without reaping the child, which FinishChild does.
        siginfo_t ended{};
        ::waitid(P_PID, static_cast<id_t>(child.Pid), &ended, WEXITED | WNOWAIT);
        lasted = std::chrono::steady_clock::now() - start;
        return FinishChild(child);
    };

    int tries = 0;
    int killed = 0;
    int duringWrite = 0;
    int copiesLeft = 0;
    int lost = 0;
    const auto attempt = [&](int turn, long killAt, std::optional<std::chrono::microseconds> delay) {
        const std::string &from = texts[turn % 2];
        const std::string &to = texts[(turn + 1) % 2];
        if (const std::optional<std::string> stale = InterruptedSaveCopy(path))
            std::filesystem::remove(*stale);
        dir.Write("p.sgp", from);
        const std::string result = save(to, killAt, delay);
        ++tries;
        if (result == "signal 9") {
            ++killed;
            if (written->load() > 0 && written->load() < to.size())
                ++duringWrite;
        } else {
            EXPECT_EQ(result, "saved");
        }
        const std::string now = ReadAll(path);
        const std::optional<std::string> copy = InterruptedSaveCopy(path);
        if (copy) {
            ++copiesLeft;
            EXPECT_TRUE(copy->starts_with(copyPlace)) << *copy;
        }
        const bool whole = now == from || now == to;
        const bool kept = copy && ReadAll(*copy) == from;
        if (!whole && !kept) {
            ++lost;
            return;
        }
        // Opened again: the file itself, or else its copy, gives one of the two projects whole.
        TSiteGenerator opened;
        ApplyNewProjectSettings(opened);
        try {
            LoadProject(path, opened);
        } catch (const EError &) {
            ASSERT_TRUE(copy);
            LoadProject(*copy, opened);
            EXPECT_EQ(opened.SiteTitle(), turn % 2 == 0 ? "small" : "large");
        }
        EXPECT_TRUE(opened.SiteTitle() == "small" || opened.SiteTitle() == "large") << opened.SiteTitle();
        EXPECT_EQ(opened.Pages().Count(), opened.SiteTitle() == "small" ? 40 : 70);
    };

    // A kill at the first write, the second, half-way and before the last one, in both directions.
    for (int turn = 0; turn < 2; ++turn) {
        const long pieces = static_cast<long>((texts[(turn + 1) % 2].size() + 4095) / 4096);
        for (const long killAt : {0L, 1L, pieces / 2, pieces - 1})
            attempt(turn, killAt, std::nullopt);
    }
    // Kills at random moments over the length of a whole save, as long as the middle one of a
    // few measured first.
    std::vector<std::chrono::steady_clock::duration> lengths;
    for (int turn = 0; turn < 5; ++turn) {
        attempt(turn, -1, std::nullopt);
        lengths.push_back(lasted);
    }
    std::sort(lengths.begin(), lengths.end());
    const auto typical = lengths[lengths.size() / 2];
    std::mt19937 random(20240611);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(typical * 5 / 4).count();
    std::uniform_int_distribution<long> moment(0, std::max<long>(span, 1));
    for (int turn = 0; turn < 100; ++turn)
        attempt(turn, -1, std::chrono::microseconds(moment(random)));

    ::munmap(shared, sizeof(std::atomic<std::size_t>));
    const std::string figures = "tries " + std::to_string(tries) + ", killed " + std::to_string(killed) +
                                ", during the write " + std::to_string(duringWrite) + ", copies left " +
                                std::to_string(copiesLeft) + ", files lost " + std::to_string(lost);
    RecordProperty("figures", figures);
    std::cout << (readOnlyFolder ? "read-only folder: " : "hard link: ") << figures << ", a save "
              << std::chrono::duration_cast<std::chrono::microseconds>(typical).count() << " us\n";
    EXPECT_EQ(lost, 0);
    EXPECT_GE(duringWrite, 20);
    ::chmod(dir.Path().c_str(), 0700);
}

INSTANTIATE_TEST_SUITE_P(Projects, InPlaceSaveKills,
                         testing::Values(InPlaceKind::HardLinked, InPlaceKind::ReadOnlyFolder),
                         [](const testing::TestParamInfo<InPlaceKind> &kind) {
                             return kind.param == InPlaceKind::HardLinked ? "HardLinked" : "ReadOnlyFolder";
                         });

TEST(ProjectFileProgress, SaveAndOpenReportItAndKeepTheProject)
{
    TTempDir dir;
    TSiteGenerator site;
    for (int i = 0; i < 40; ++i)
        site.CreateNewPage(site.NewPageTitle(i), std::string(20'000 + i, 'a'));
    const std::string plain = dir.File("plain.sgp");
    const std::string reported = dir.File("reported.sgp");
    SaveProject(plain, site);
    zarvik::test::TProgressRecord saving;
    SaveProject(reported, site, saving.Callback());
    EXPECT_EQ(saving.Fault(), "");
    EXPECT_EQ(saving.Reports.front().second, std::filesystem::file_size(reported));
    // The text goes out in pieces, each reported.
    EXPECT_GT(saving.Reports.size(), 2u);
    EXPECT_EQ(ReadAll(reported), ReadAll(plain));

    TSiteGenerator opened;
    zarvik::test::TProgressRecord opening;
    LoadProject(reported, opened, opening.Callback());
    EXPECT_EQ(opening.Fault(), "");
    EXPECT_EQ(opening.Reports.front().second, std::filesystem::file_size(reported));
    // Every page is reported, then the end.
    EXPECT_GE(opening.Reports.size(), 42u);
    EXPECT_EQ(TProjectFileWriter(opened).Text(), TProjectFileWriter(site).Text());

    // A text with bytes above 127 is read in two passes, each half of the way.
    std::string text = TProjectFileWriter(site).Text();
    const std::size_t title = text.find("'index'");
    ASSERT_NE(title, std::string::npos);
    text.replace(title, 7, "'ind\xE5x'");
    TSiteGenerator highBytes;
    zarvik::test::TProgressRecord twoPasses;
    ReadProjectText(text, highBytes, twoPasses.Callback());
    EXPECT_EQ(twoPasses.Fault(), "");
    EXPECT_EQ(twoPasses.Reports.front().second, 2 * text.size());
    EXPECT_EQ(highBytes.Pages().Count(), 40);
    EXPECT_EQ(highBytes.Pages()[0].PageTitle(), "ind\xE5x");
}
