#include "cli/Cli.h"

#include "app/CharsetDeclaration.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
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

class Cli : public testing::Test
{
protected:
    // A new project with the given content files added.
    std::string Project(const std::vector<std::string> &contents = {}, const std::string &name = "p.sgp")
    {
        const std::string path = FDir.File(name);
        EXPECT_EQ(Invoke({"new", path}).Code, 0);
        if (!contents.empty()) {
            std::vector<std::string> args = {"add-content", path};
            for (std::size_t i = 0; i < contents.size(); ++i)
                args.push_back(FDir.Write("content" + std::to_string(i) + ".txt", contents[i]));
            EXPECT_EQ(Invoke(args).Code, 0);
        }
        return path;
    }

    TTempDir FDir;
};

TEST_F(Cli, HelpAndWrongUsage)
{
    const TCliResult help = Invoke({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_EQ(help.Out.rfind("Использование: zarvik-cli КОМАНДА [ПАРАМЕТРЫ]\n", 0), 0u);
    EXPECT_EQ(help.Err, "");
    for (const char *command :
         {"new", "set", "add-content", "add-page", "distribute-links", "export", "show", "build"}) {
        const TCliResult r = Invoke({command, "--help"});
        EXPECT_EQ(r.Code, 0) << command;
        EXPECT_EQ(r.Out.rfind(std::string("Использование: zarvik-cli ") + command + " ", 0), 0u) << command;
        EXPECT_EQ(Invoke({"help", command}).Out, r.Out);
    }
    EXPECT_NE(Invoke({"set", "--help"}).Out.find("MaxLinksPerPage=ЧИСЛО"), std::string::npos);

    const TCliResult none = Invoke({});
    EXPECT_EQ(none.Code, 2);
    EXPECT_EQ(none.Out, "");
    EXPECT_EQ(none.Err, "zarvik-cli: не указана команда\n\nИспользование: zarvik-cli КОМАНДА [ПАРАМЕТРЫ]\n"
                        "Справка: zarvik-cli --help\n");

    const TCliResult unknown = Invoke({"deploy", "p.sgp"});
    EXPECT_EQ(unknown.Code, 2);
    EXPECT_EQ(unknown.Err.rfind("zarvik-cli: неизвестная команда «deploy»\n", 0), 0u);

    const TCliResult option = Invoke({"show", "p.sgp", "--verbose"});
    EXPECT_EQ(option.Code, 2);
    EXPECT_EQ(option.Err,
              "zarvik-cli: неизвестный параметр «--verbose»\n\n"
              "Использование: zarvik-cli show ПРОЕКТ [--json]\nСправка: zarvik-cli show --help\n");

    EXPECT_EQ(Invoke({"show"}).Err.rfind("zarvik-cli: не указан файл проекта\n", 0), 0u);
    EXPECT_EQ(Invoke({"show", "a.sgp", "b.sgp"}).Err.rfind("zarvik-cli: лишний аргумент «b.sgp»\n", 0), 0u);
    EXPECT_EQ(Invoke({"add-content", "a.sgp"}).Err.rfind("zarvik-cli: не указаны файлы\n", 0), 0u);
    EXPECT_EQ(
        Invoke({"export", "a.sgp", "--out"}).Err.rfind("zarvik-cli: параметру «--out» нужно значение\n", 0),
        0u);
    EXPECT_EQ(Invoke({"export", "a.sgp", "--save=yes"}).Code, 2);
    EXPECT_EQ(Invoke({"export", "a.sgp", "--out", "a", "--out", "b"}).Code, 2);
    EXPECT_EQ(Invoke({"distribute-links", "a.sgp", "--seed", "-1"}).Err.rfind("zarvik-cli: --seed ждёт", 0),
              0u);
    EXPECT_EQ(Invoke({"export", "a.sgp", "--distribute-links", "maybe"}).Code, 2);
}

TEST_F(Cli, UsageErrorsAreFoundBeforeTheProjectIsTouched)
{
    const std::string path = Project();
    const std::string before = ReadAll(path);
    const TCliResult key = Invoke({"set", path, "SiteTitle=x", "Colour=red"});
    EXPECT_EQ(key.Code, 2);
    EXPECT_EQ(key.Err.rfind("zarvik-cli: неизвестный ключ «Colour»\n", 0), 0u);
    EXPECT_EQ(Invoke({"set", path, "UseDigg=maybe"}).Code, 2);
    EXPECT_EQ(Invoke({"set", path, "SiteTitle=a", "SiteTitle=b"}).Code, 2);
    const TCliResult both = Invoke({"set", path, "--links", "a.txt", "--links-tsv", "b.tsv"});
    EXPECT_EQ(both.Code, 2);
    EXPECT_EQ(both.Err.rfind("zarvik-cli: укажите либо --links, либо --links-tsv\n", 0), 0u);
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(Cli, NewStoresTheDefaultsAndRefusesAnExistingFile)
{
    const TCliResult created = Invoke({"new", FDir.File("garden")});
    EXPECT_EQ(created.Code, 0);
    EXPECT_EQ(created.Err, "");
    const std::string path = FDir.File("garden.sgp");
    ASSERT_TRUE(fs::exists(path));
    const auto generator = OpenProject(path);
    EXPECT_EQ(generator->SiteTemplate(), DefaultTemplate());
    EXPECT_EQ(generator->CssCode(), DefaultCss());
    EXPECT_EQ(generator->AdsenseCode(), DefaultAdBlock());
    EXPECT_EQ(generator->Pages().Count(), 0);
    EXPECT_TRUE(generator->SiteUrlsToLink().empty());
    const std::string text = ReadAll(path);
    EXPECT_NE(text.find("\r\n  Changed = True\r\nend\r\n"), std::string::npos);

    FDir.Write("garden.sgp", "my project");
    const TCliResult refused = Invoke({"new", FDir.File("garden.sgp")});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err,
              "error: Файл \"" + path + "\" уже существует. Чтобы перезаписать его, укажите --force.\n");
    EXPECT_EQ(ReadAll(path), "my project");

    EXPECT_EQ(Invoke({"new", FDir.File("garden"), "--force"}).Code, 0);
    EXPECT_EQ(ReadAll(path), text);
}

TEST_F(Cli, SetChangesSettingsAndResavesByteForByte)
{
    const std::string path = Project({"Первая страница."});
    const std::string before = ReadAll(path);
    EXPECT_EQ(Invoke({"set", path}).Code, 0);
    EXPECT_EQ(ReadAll(path), before);

    const TCliResult set =
        Invoke({"set", path, "SiteTitle=Сад и огород", "SavePath=/srv/сайт", "MenuWord=Глава", "DiggValue=##",
                "UseDigg=False", "MinCharsPerPage= 100", "MaxCharsPerPage=$200", "MaxLinksPerPage=0x3"});
    EXPECT_EQ(set.Code, 0);
    EXPECT_EQ(set.Err, "");
    const auto generator = OpenProject(path);
    EXPECT_EQ(generator->SiteTitle(), Ru("Сад и огород"));
    EXPECT_EQ(generator->SavePath(), Ru("/srv/сайт"));
    EXPECT_EQ(generator->MenuWord(), Ru("Глава"));
    EXPECT_EQ(generator->DiggValue(), "##");
    EXPECT_FALSE(generator->UseDigg());
    EXPECT_EQ(generator->MinCharsPerPage(), 100);
    EXPECT_EQ(generator->MaxCharsPerPage(), 512);
    EXPECT_EQ(generator->MaxLinksPerPage(), 3);
    ASSERT_EQ(generator->Pages().Count(), 1);
    EXPECT_EQ(generator->Pages()[0].PageText(), Ru("Первая страница."));

    const std::string after = ReadAll(path);
    EXPECT_EQ(Invoke({"set", path}).Code, 0);
    EXPECT_EQ(ReadAll(path), after);
}

TEST_F(Cli, BadNumberIsReportedAndNothingIsSaved)
{
    const std::string path = Project();
    const std::string before = ReadAll(path);
    const TCliResult r =
        Invoke({"set", path, "SiteTitle=new", "MinCharsPerPage=abc", "MaxCharsPerPage=5000 "});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err,
              "error: 'abc' is not a valid integer value\nerror: '5000 ' is not a valid integer value\n");
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(Cli, SetLoadsEditorFilesAndLinkLists)
{
    const std::string path = Project();
    const std::string tmpl = FDir.Write("t.html", "<html>\nSiteGeneratorChange.MainText\r</html>\n");
    const std::string css = FDir.Write("s.css", "body { color: red; }");
    const std::string ad = FDir.Write("ad.html", "Реклама\n");
    const std::string tsv = FDir.Write("links.tsv", "url\tanchor\na.html\tA\r\nb.html\tB\n");
    EXPECT_EQ(Invoke({"set", path, "--template", tmpl, "--css=" + css, "--ad", ad, "--links-tsv", tsv}).Code,
              0);
    auto generator = OpenProject(path);
    EXPECT_EQ(generator->SiteTemplate(), "<html>\r\nSiteGeneratorChange.MainText\r\n</html>\r\n");
    EXPECT_EQ(generator->CssCode(), "body { color: red; }");
    EXPECT_EQ(generator->AdsenseCode(), Ru("Реклама") + "\r\n");
    EXPECT_EQ(generator->SiteUrlsToLink(), (TStringList{"a.html\tA", "b.html\tB"}));

    const std::string txt = FDir.Write("links.txt", "c.html\n\nd.html");
    EXPECT_EQ(Invoke({"set", path, "--links", txt}).Code, 0);
    EXPECT_EQ(OpenProject(path)->SiteUrlsToLink(), (TStringList{"c.html", "", "d.html"}));

    const std::string before = ReadAll(path);
    const TCliResult missing = Invoke({"set", path, "SiteTitle=x", "--css", FDir.File("none.css")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(missing.Err,
              "error: Cannot open file \"" + FDir.File("none.css") + "\". No such file or directory.\n");
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(Cli, DamagedOrMissingProjectFileIsReportedAndLeftAlone)
{
    const std::string damaged = FDir.Write("bad.sgp", "object TSiteGenerator\r\n  Colour = 1\r\nend\r\n");
    for (const std::vector<std::string> &args : {std::vector<std::string>{"set", damaged, "SiteTitle=x"},
                                                 {"show", damaged},
                                                 {"add-page", damaged}}) {
        const TCliResult r = Invoke(args);
        EXPECT_EQ(r.Code, 1);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err, "error: Error reading TSiteGenerator.Colour: Property Colour does not exist.\n");
    }
    EXPECT_EQ(ReadAll(damaged), "object TSiteGenerator\r\n  Colour = 1\r\nend\r\n");

    const std::string empty = FDir.Write("empty.sgp", "");
    EXPECT_EQ(Invoke({"show", empty}).Err, "error: OBJECT expected on line 1.\n");

    const std::string missing = FDir.File("missing.sgp");
    const TCliResult r = Invoke({"distribute-links", missing});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "error: Cannot open file \"" + missing + "\". No such file or directory.\n");
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(Cli, AProjectWhoseSaveWasInterruptedOpensWithAWarningNamingTheCopy)
{
    const std::string path = Project();
    const std::string copy = FDir.Write(".zarvik-backup-p.sgp", ReadAll(path));
    const std::string warning = "warning: Сохранение файла \"" + path +
                                "\" было прервано; прежняя версия файла сохранена в \"" + copy + "\"\n";
    const TCliResult shown = Invoke({"show", path});
    EXPECT_EQ(shown.Code, 0);
    EXPECT_NE(shown.Out, "");
    EXPECT_EQ(shown.Err, warning);
    // A project that is saved again has the copy removed, and the warning goes with it.
    const TCliResult set = Invoke({"set", path, "SiteTitle=x"});
    EXPECT_EQ(set.Code, 0);
    EXPECT_EQ(set.Err, warning);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(Invoke({"show", path}).Err, "");
}

TEST_F(Cli, AddContentCutsFilesIntoPagesWithTheMarkerBetweenThem)
{
    const std::string path = Project();
    EXPECT_EQ(Invoke({"set", path, "MenuWord=Часть"}).Code, 0);
    const std::string a = FDir.Write("a.txt", "Alpha one.\nAlpha two.\n");
    const std::string b = FDir.Write("b.txt", Ru("Бета."));
    const std::string c = FDir.Write("c.txt", "Гамма.");
    const TCliResult r = Invoke({"add-content", path, a, b, c});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Err, "");
    const auto generator = OpenProject(path);
    ASSERT_EQ(generator->Pages().Count(), 3);
    EXPECT_EQ(generator->Pages()[0].PageText(), "Alpha one.\r\nAlpha two.\r\n");
    EXPECT_EQ(generator->Pages()[1].PageText(), "\r\n" + Ru("Бета.") + "\r\n");
    EXPECT_EQ(generator->Pages()[2].PageText(), "\r\n" + Ru("Гамма."));
    EXPECT_EQ(generator->Pages()[2].PageTitle(), Ru("Часть 2"));
    EXPECT_EQ(generator->Pages()[2].PageUrl(), "page2.html");
}

TEST_F(Cli, AddContentDryRunPrintsThePagesAndChangesNothing)
{
    const std::string path = Project({"old page"});
    EXPECT_EQ(Invoke({"set", path, "MinCharsPerPage=5", "MaxCharsPerPage=10", "MenuWord=Часть"}).Code, 0);
    const std::string before = ReadAll(path);
    const std::string a = FDir.Write("a.txt", "Hello. World");
    const std::string b = FDir.Write("b.txt", "abcdefghijklmnopqrstuvwxyz");
    const TCliResult r = Invoke({"add-content", path, a, b, "--dry-run"});
    EXPECT_EQ(r.Code, 0);
    // The files are joined with CR LF, the marker line and CR LF between them.
    EXPECT_EQ(r.Out, "N\tURL\tTITLE\tLENGTH\tEND\tPOSITION\n"
                     "1\tpage1.html\tЧасть 1\t6\tsentence\t7\n"
                     "2\tpage2.html\tЧасть 2\t8\tmarker\t15\n"
                     "3\tpage3.html\tЧасть 3\t10\tmid-word\t38\n"
                     "4\tpage4.html\tЧасть 4\t10\tmid-word\t48\n"
                     "5\tpage5.html\tЧасть 5\t8\tend\t56\n");
    EXPECT_EQ(r.Err, "warning: Страниц, разрезанных посреди слова: 2.\n");
    EXPECT_EQ(ReadAll(path), before);

    // What the dry run showed is what add-content then makes.
    EXPECT_EQ(Invoke({"add-content", path, a, b}).Code, 0);
    const auto generator = OpenProject(path);
    ASSERT_EQ(generator->Pages().Count(), 6);
    EXPECT_EQ(generator->Pages()[3].PageText(), "\r\nabcdefgh");
    EXPECT_EQ(generator->Pages()[5].PageText().size(), 8u);
}

TEST_F(Cli, AddPageNamesThePageAfterItsIndex)
{
    const std::string path = Project();
    EXPECT_EQ(Invoke({"add-page", path}).Code, 0);
    const std::string text = FDir.Write("page.txt", "Line one\nLine two\n");
    EXPECT_EQ(Invoke({"add-page", path, "--text-file", text}).Code, 0);
    const auto generator = OpenProject(path);
    ASSERT_EQ(generator->Pages().Count(), 2);
    EXPECT_EQ(generator->Pages()[0].PageTitle(), "index");
    EXPECT_EQ(generator->Pages()[0].PageUrl(), "index.html");
    EXPECT_EQ(generator->Pages()[0].PageText(), "");
    EXPECT_EQ(generator->Pages()[1].PageTitle(), Ru("Раздел 1"));
    EXPECT_EQ(generator->Pages()[1].PageUrl(), "page1.html");
    EXPECT_EQ(generator->Pages()[1].PageText(), "Line one\r\nLine two\r\n");
}

TEST_F(Cli, ShowPrintsSettingsAndPagesAsTextAndJson)
{
    const std::string path = Project({"Sunny \"day\".\tTab"});
    EXPECT_EQ(Invoke({"set", path, "SiteTitle=Сад \\ \"дом\"", "SavePath=/tmp/out"}).Code, 0);
    EXPECT_EQ(Invoke({"add-page", path}).Code, 0);

    const TCliResult text = Invoke({"show", path});
    EXPECT_EQ(text.Code, 0);
    EXPECT_EQ(text.Out,
              "SiteTitle=Сад \\ \"дом\"\nSavePath=/tmp/out\nMenuWord=Раздел\nDiggValue=!-next_page-!\n"
              "UseDigg=true\nMinCharsPerPage=4000\nMaxCharsPerPage=5000\nMaxLinksPerPage=0\nLinks=0\n"
              "Pages=2\n0\tindex.html\tindex\t16\t0\n1\tpage1.html\tРаздел 1\t0\t0\n");

    const TCliResult json = Invoke({"show", path, "--json"});
    EXPECT_EQ(json.Code, 0);
    EXPECT_EQ(json.Out, "{\n"
                        "  \"SiteTitle\": \"Сад \\\\ \\\"дом\\\"\",\n"
                        "  \"SavePath\": \"/tmp/out\",\n"
                        "  \"MenuWord\": \"Раздел\",\n"
                        "  \"DiggValue\": \"!-next_page-!\",\n"
                        "  \"UseDigg\": true,\n"
                        "  \"MinCharsPerPage\": 4000,\n"
                        "  \"MaxCharsPerPage\": 5000,\n"
                        "  \"MaxLinksPerPage\": 0,\n"
                        "  \"Links\": 0,\n"
                        "  \"zarvik\": {\"baseUrl\": \"\", \"sitemap\": false, \"robots\": false},\n"
                        "  \"Pages\": [\n"
                        "    {\"Index\": 0, \"PageUrl\": \"index.html\", \"PageTitle\": \"index\", "
                        "\"TextLength\": 16, \"HtmlLength\": 0},\n"
                        "    {\"Index\": 1, \"PageUrl\": \"page1.html\", \"PageTitle\": \"Раздел 1\", "
                        "\"TextLength\": 0, \"HtmlLength\": 0}\n"
                        "  ]\n"
                        "}\n");

    const std::string empty = Project({}, "empty.sgp");
    EXPECT_NE(Invoke({"show", empty, "--json"}).Out.find("  \"Pages\": []\n}\n"), std::string::npos);
}

TEST_F(Cli, AddCharsetDeclaresTheCodePageOnceAndCheckTakesItsAbsenceAsAdvice)
{
    const std::string path = Project();
    fs::create_directory(FDir.Path() / "site");
    ASSERT_EQ(Invoke({"set", path, "SiteTitle=Огород", "SavePath=" + (FDir.Path() / "site").string()}).Code,
              0);
    // The untouched default template declares no charset: advice, and the check passes.
    const TCliResult advised = Invoke({"check", path});
    EXPECT_EQ(advised.Code, 0) << advised.Out;
    EXPECT_EQ(advised.Out, "совет: В шаблоне не объявлена кодировка (charset), а страницы в Windows-1251: "
                           "браузер может показать их неверно\n");
    EXPECT_NE(Invoke({"check", path, "--json"}).Out.find("\"passed\": true"), std::string::npos);

    const TCliResult added = Invoke({"set", path, "--add-charset"});
    EXPECT_EQ(added.Code, 0) << added.Err;
    EXPECT_EQ(added.Out, "");
    EXPECT_EQ(OpenProject(path)->SiteTemplate(), WithCharsetDeclaration(DefaultTemplate()));
    EXPECT_EQ(Invoke({"check", path}).Out, "");

    const std::string saved = ReadAll(path);
    const TCliResult again = Invoke({"set", path, "--add-charset"});
    EXPECT_EQ(again.Code, 0);
    EXPECT_EQ(again.Out, "Кодировка в шаблоне уже объявлена: шаблон не изменён.\n");
    EXPECT_EQ(ReadAll(path), saved);

    // A template without <head>, even one given in the same call, stops the command before the
    // save.
    const std::string headless = FDir.Write("headless.html", "<body>SiteGeneratorChange.MainText</body>");
    const TCliResult refused = Invoke({"set", path, "SiteTitle=X", "--template", headless, "--add-charset"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Err, "error: В шаблоне нет тега <head>: объявление кодировки некуда добавить.\n");
    EXPECT_EQ(ReadAll(path), saved);
}
