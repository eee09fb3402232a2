#include "app/ProjectFiles.h"

#include "app/ErrorDisplay.h"
#include "app/ProjectDefaults.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "tests/app/ChildProcess.h"
#include "tests/app/TempDir.h"
#include "tests/support/Ru.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::RunInChild;
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
