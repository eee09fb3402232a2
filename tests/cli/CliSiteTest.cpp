#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "cli/Cli.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "tests/app/TempDir.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/Ru.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace zarvik;
using zarvik::test::Invoke;
using zarvik::test::OpenProject;
using zarvik::test::ReadAll;
using zarvik::test::Ru;
using zarvik::test::TCliResult;
using zarvik::test::TTempDir;

namespace fs = std::filesystem;

namespace {

const std::string PageOne = "Tomatoes need warm soil and sunny weather. Water them daily with care.";
const std::string PageTwo = "Cucumbers climb trellises quickly. Harvest cucumbers every morning.";

} // namespace

// Link distribution, export and the whole road in one command.
class CliSite : public testing::Test
{
protected:
    void SetUp() override
    {
        FProject = FDir.File("p.sgp");
        ASSERT_EQ(Invoke({"new", FProject}).Code, 0);
        ASSERT_EQ(Invoke({"set", FProject, "DiggValue=##", "--links",
                          FDir.Write("links.txt", "a.html\nb.html\nc.html\n")})
                      .Code,
                  0);
        ASSERT_EQ(
            Invoke({"add-content", FProject, FDir.Write("one.txt", PageOne), FDir.Write("two.txt", PageTwo)})
                .Code,
            0);
        fs::create_directory(FDir.Path() / "site");
        FSite = (FDir.Path() / "site").string();
    }

    TTempDir FDir;
    std::string FProject;
    std::string FSite;
};

TEST_F(CliSite, DistributeLinksReportsSavesAndRepeatsWithTheSameSeed)
{
    const std::string copy = FDir.File("copy.sgp");
    fs::copy_file(FProject, copy);

    const TCliResult r = Invoke({"distribute-links", FProject, "--seed", "42"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "information: Операция успешно завершена.\nПроставлено 3 ссылок из 3\n");
    const auto generator = OpenProject(FProject);
    ASSERT_EQ(generator->Pages().Count(), 2);
    // Two pages and three links: the first page takes all three.
    const std::string &first = generator->Pages()[0].PageHTML();
    std::size_t anchors = 0;
    for (std::size_t at = first.find("<a href="); at != std::string::npos;
         at = first.find("<a href=", at + 1))
        ++anchors;
    EXPECT_EQ(anchors, 3u);
    EXPECT_EQ(first.rfind("<p>", 0), 0u);
    EXPECT_EQ(generator->Pages()[1].PageHTML(), "<p><br />" + PageTwo + "</p>");

    EXPECT_EQ(Invoke({"distribute-links", copy, "--seed", "42"}).Code, 0);
    EXPECT_EQ(ReadAll(copy), ReadAll(FProject));
}

TEST_F(CliSite, DistributeLinksStoppedByACheckLeavesTheFileAlone)
{
    EXPECT_EQ(Invoke({"set", FProject, "MaxLinksPerPage=1"}).Code, 0);
    const std::string before = ReadAll(FProject);
    const TCliResult r = Invoke({"distribute-links", FProject});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "error: Превышено ограничение числа ссылок на страницу. Добавьте страниц или уменьшите "
                     "количество ссылок.\n");
    EXPECT_EQ(ReadAll(FProject), before);

    const std::string empty = FDir.File("empty.sgp");
    EXPECT_EQ(Invoke({"new", empty}).Code, 0);
    const TCliResult none = Invoke({"distribute-links", empty});
    EXPECT_EQ(none.Code, 1);
    EXPECT_EQ(
        none.Err,
        "error: Страниц сайта не найдено. Добавьте страницы\nwarning: Ссылок не найдено. Добавьте ссылки\n");
}

TEST_F(CliSite, ExportAsksAboutLinksAndLeavesTheProjectUnlessSaved)
{
    const std::string before = ReadAll(FProject);

    // No terminal and no answer: the question is shown and answered No.
    const TCliResult no = Invoke({"export", FProject, "--out", FSite});
    EXPECT_EQ(no.Code, 0);
    EXPECT_EQ(no.Err, "warning: Ссылки не расставлены!\nРасставить?\ninformation: Сайт успешно выгружен!\n"
                      "information: Папка: " +
                          FSite +
                          "\n"
                          "information: Записано файлов: 3, без изменений: 0\n");
    const std::string index = ReadAll(FSite + "/index.html");
    EXPECT_NE(index.find("<title> - index</title>"), std::string::npos);
    EXPECT_EQ(index.find("Tomatoes"), std::string::npos);
    EXPECT_TRUE(fs::exists(FSite + "/page1.html"));
    EXPECT_EQ(ReadAll(FSite + "/style.css"), DefaultCss());
    EXPECT_EQ(ReadAll(FProject), before);

    // Answered by the option, the question is not printed.
    const TCliResult yes =
        Invoke({"export", FProject, "--out", FSite, "--distribute-links", "yes", "--seed", "1"});
    EXPECT_EQ(yes.Code, 0);
    // The pages get links; style.css is as it was.
    EXPECT_EQ(yes.Err, "information: Операция успешно завершена.\nПроставлено 3 ссылок из 3\n"
                       "information: Сайт успешно выгружен!\n"
                       "information: Папка: " +
                           FSite +
                           "\n"
                           "information: Записано файлов: 2, без изменений: 1\n");
    EXPECT_NE(ReadAll(FSite + "/index.html").find("<p>Tomatoes"), std::string::npos);
    EXPECT_EQ(ReadAll(FProject), before);

    // On a terminal the answer is read.
    const TCliResult asked = Invoke({"export", FProject, "--out", FSite, "--save"}, "да\n", true);
    EXPECT_EQ(asked.Code, 0);
    // Without a seed the pages that change vary; the counts always cover the three files.
    const std::string askedMessages = "warning: Ссылки не расставлены!\nРасставить?\n[да/нет]: "
                                      "information: Операция успешно завершена.\nПроставлено 3 ссылок из 3\n"
                                      "information: Сайт успешно выгружен!\n"
                                      "information: Папка: " +
                                      FSite + "\n";
    ASSERT_TRUE(asked.Err.starts_with(askedMessages)) << asked.Err;
    const std::string countsLine = asked.Err.substr(askedMessages.size());
    EXPECT_TRUE(countsLine == "information: Записано файлов: 0, без изменений: 3\n" ||
                countsLine == "information: Записано файлов: 1, без изменений: 2\n" ||
                countsLine == "information: Записано файлов: 2, без изменений: 1\n")
        << countsLine;
    const auto saved = OpenProject(FProject);
    EXPECT_EQ(saved->SiteMenu(),
              "<ul>\r<li><a href=\"index.html\">index</a></li>\r<li><a href=\"page1.html\">" +
                  Ru("Раздел 1") + "</a></li>\r</ul>");
    EXPECT_EQ(saved->SavePath(), "");
}

TEST_F(CliSite, ExportIntoAMissingFolderIsAnError)
{
    EXPECT_EQ(Invoke({"set", FProject, "SavePath=" + FDir.File("absent")}).Code, 0);
    const TCliResult r = Invoke({"export", FProject, "--distribute-links", "no"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "error: Указанный каталог не существует\n");
    EXPECT_FALSE(fs::exists(FDir.File("absent")));
}

TEST_F(CliSite, ExportLeavesUnchangedFilesAloneUnlessFull)
{
    const std::vector<std::string> args = {"export", FProject, "--out", FSite, "--distribute-links", "no"};
    ASSERT_EQ(Invoke(args).Code, 0);
    const auto before = fs::last_write_time(FSite + "/index.html");
    EXPECT_EQ(Invoke(args).Err, "information: Сайт успешно выгружен!\n"
                                "information: Папка: " +
                                    FSite +
                                    "\n"
                                    "information: Записано файлов: 0, без изменений: 3\n");
    EXPECT_EQ(fs::last_write_time(FSite + "/index.html"), before);
    std::vector<std::string> full = args;
    full.push_back("--full");
    EXPECT_EQ(Invoke(full).Err, "information: Сайт успешно выгружен!\n"
                                "information: Папка: " +
                                    FSite +
                                    "\n"
                                    "information: Записано файлов: 3, без изменений: 0\n");
    EXPECT_NE(fs::last_write_time(FSite + "/index.html"), before);
}

TEST_F(CliSite, BuildGoesTheWholeRoadAndSavesTheProjectAfterTheExport)
{
    const std::string out = FDir.File("built");
    fs::create_directory(out);
    const std::string tsv = FDir.Write("links.tsv", "url\n"
                                                    "a.html\nb.html\nc.html\n");
    const TCliResult r = Invoke({"build", "--content", FDir.File("one.txt"), FDir.File("two.txt"),
                                 "SiteTitle=Сад", "DiggValue=##", "--out", out, "--links-tsv", tsv, "--seed",
                                 "3", "--project", FDir.File("built")});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "information: Операция успешно завершена.\nПроставлено 3 ссылок из 3\n"
                     "information: Сайт успешно выгружен!\n"
                     "information: Папка: " +
                         out +
                         "\n"
                         "information: Записано файлов: 3, без изменений: 0\n");
    const std::string page1 = ReadAll(out + "/page1.html");
    EXPECT_NE(page1.find("<title>" + Ru("Сад - Раздел 1") + "</title>"), std::string::npos);
    EXPECT_NE(page1.find("<p><br />Cucumbers"), std::string::npos);

    const auto project = OpenProject(FDir.File("built.sgp"));
    EXPECT_EQ(project->SavePath(), out);
    EXPECT_EQ(project->SiteTitle(), Ru("Сад"));
    EXPECT_EQ(project->Pages().Count(), 2);
    EXPECT_NE(project->SiteMenu().find("page1.html"), std::string::npos);
    EXPECT_EQ(project->Pages()[1].Pagination().Empty(), false);

    // The same build with the same seed gives the same site and project.
    const std::string again = FDir.File("again");
    fs::create_directory(again);
    EXPECT_EQ(Invoke({"build", "--content", FDir.File("one.txt"), FDir.File("two.txt"), "SiteTitle=Сад",
                      "DiggValue=##", "--out", again, "--links-tsv", tsv, "--seed", "3"})
                  .Code,
              0);
    EXPECT_EQ(ReadAll(again + "/page1.html"), page1);
}

TEST_F(CliSite, BuildUsageAndMissingFolder)
{
    EXPECT_EQ(Invoke({"build", "--out", FSite}).Code, 2);
    EXPECT_EQ(Invoke({"build", "--content", FDir.File("one.txt")}).Code, 2);
    EXPECT_EQ(Invoke({"build", "--content", FDir.File("one.txt"), "--out", FSite, "SavePath=/x"}).Code, 2);
    const TCliResult r = Invoke({"build", "--content", FDir.File("one.txt"), "--out", FDir.File("absent")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "warning: Ссылок не найдено. Добавьте ссылки\n"
                     "information: Операция успешно завершена.\nПроставлено 0 ссылок из 0\n"
                     "error: Указанный каталог не существует\n");
}

TEST(CliExample, Utf8AndWindows1251ContentGiveTheSamePages)
{
    const TTempDir dir;
    const std::string content = std::string(ZARVIK_EXAMPLES) + "/content/";
    const std::vector<std::string> names = {"01-tomaty.txt", "02-ogurcy.txt", "03-perec.txt"};
    // The shipped files mix both encodings; the copies swap them: UTF-8 becomes Windows-1251 and
    // the other way round.
    const std::string original = ReadAll(content + names[1]);
    ASSERT_FALSE(IsValidUtf8(original));
    std::vector<std::string> swapped;
    for (const std::string &name : names) {
        const std::string bytes = ReadAll(content + name);
        swapped.push_back(dir.Write(name, IsValidUtf8(bytes) ? Utf8ToCp1251(bytes) : Cp1251ToUtf8(bytes)));
    }

    auto build = [&](const std::vector<std::string> &files, const std::string &out) {
        fs::create_directory(out);
        std::vector<std::string> args = {"build", "--content"};
        args.insert(args.end(), files.begin(), files.end());
        args.insert(args.end(), {"--links", std::string(ZARVIK_EXAMPLES) + "/links.txt", "--out", out,
                                 "--seed", "5", "MinCharsPerPage=1500", "MaxCharsPerPage=2500"});
        const TCliResult r = Invoke(args);
        EXPECT_EQ(r.Code, 0) << r.Err;
    };
    build({content + names[0], content + names[1], content + names[2]}, dir.File("a"));
    build(swapped, dir.File("b"));

    int pages = 0;
    for (const auto &entry : fs::directory_iterator(dir.File("a"))) {
        const std::string name = entry.path().filename().string();
        // The export record holds the files' times, which differ between the two runs.
        if (name == ".zarvik-export.json")
            continue;
        EXPECT_EQ(ReadAll(entry.path().string()), ReadAll(dir.File("b/" + name))) << name;
        pages += name != "style.css";
    }
    EXPECT_GE(pages, 5);
    EXPECT_NE(ReadAll(dir.File("a/index.html")).find(Ru("Томаты на своём участке")), std::string::npos);
}

TEST_F(CliSite, ExportKeepsAReceivedProjectAwayFromFilesItDoesNotOwn)
{
    // A relative folder stored in the file would be taken from wherever the tool runs.
    ASSERT_EQ(Invoke({"set", FProject, "SavePath=site"}).Code, 0);
    const TCliResult stored = Invoke({"export", FProject, "--distribute-links", "no"});
    EXPECT_EQ(stored.Code, 1);
    EXPECT_EQ(stored.Err,
              "error: Папка выгрузки \"site\" задана относительным путём. Укажите полный путь к папке\n");
    EXPECT_TRUE(fs::is_empty(FSite));

    // A page named like the project file, exported into the project's own folder.
    {
        auto generator = OpenProject(FProject);
        generator->Pages()[1].SetPageUrl("p.sgp");
        SaveProject(FProject, *generator);
    }
    const std::string before = ReadAll(FProject);
    const TCliResult own =
        Invoke({"export", FProject, "--out", FDir.Path().string(), "--distribute-links", "no"});
    EXPECT_EQ(own.Code, 1);
    EXPECT_EQ(own.Err, "error: Адрес страницы \"p.sgp\" совпадает с файлом выгружаемого проекта.\n");
    EXPECT_EQ(ReadAll(FProject), before);
}

TEST_F(CliSite, ExportRefusesAndListsFilesItDidNotWriteUnlessOverwrite)
{
    std::ofstream(FSite + "/page1.html") << "my own page";
    std::ofstream(FSite + "/notes.txt") << "mine";
    const std::vector<std::string> args = {"export", FProject, "--out", FSite, "--distribute-links",
                                           "yes",    "--seed", "1"};
    // An answer given for the links question is no answer to this one.
    const TCliResult refused = Invoke(args);
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err, "information: Операция успешно завершена.\nПроставлено 3 ссылок из 3\n"
                           "warning: В папке \"" +
                               FSite +
                               "\" уже есть файл, который Zarvik не создавал:\npage1.html\nЗаменить его?\n"
                               "error: Сайт не выгружен: файлы, которые Zarvik не создавал, не заменены. "
                               "Чтобы заменить их, укажите --overwrite.\n");
    EXPECT_EQ(ReadAll(FSite + "/page1.html"), "my own page");
    EXPECT_FALSE(fs::exists(FSite + "/index.html"));

    std::vector<std::string> overwrite = args;
    overwrite.push_back("--overwrite");
    const TCliResult replaced = Invoke(overwrite);
    EXPECT_EQ(replaced.Code, 0) << replaced.Err;
    EXPECT_NE(ReadAll(FSite + "/page1.html"), "my own page");
    EXPECT_EQ(ReadAll(FSite + "/notes.txt"), "mine");
    // The record now knows the page: the next export asks nothing.
    EXPECT_EQ(Invoke(args).Code, 0);
}

TEST_F(CliSite, ReplacePrintsEveryHitAndSavesUnlessDryRun)
{
    const std::string before = ReadAll(FProject);
    const TCliResult dry = Invoke({"replace", FProject, "CUCUMBERS", "gherkins", "--dry-run"});
    ASSERT_EQ(dry.Code, 0) << dry.Err;
    // The second page starts with the line end the content was cut after.
    EXPECT_EQ(dry.Out, "2\tpage1.html\t2\t1\tCucumbers\tgherkins\n"
                       "2\tpage1.html\t2\t44\tcucumbers\tgherkins\n");
    EXPECT_EQ(ReadAll(FProject), before);

    const TCliResult replaced =
        Invoke({"replace", FProject, "(\\w+)s\\b", "$1", "--regex", "--case", "--titles"});
    ASSERT_EQ(replaced.Code, 0) << replaced.Err;
    const auto generator = OpenProject(FProject);
    EXPECT_EQ(generator->Pages()[0].PageText(),
              "Tomatoe need warm soil and sunny weather. Water them daily with care.\r\n");
    EXPECT_EQ(generator->Pages()[1].PageText(),
              "\r\nCucumber climb trellise quickly. Harvest cucumber every morning.");

    EXPECT_EQ(Invoke({"replace", FProject, "(", "x", "--regex"}).Code, 1);
    EXPECT_EQ(Invoke({"replace", FProject, "x"}).Code, 2);
}
