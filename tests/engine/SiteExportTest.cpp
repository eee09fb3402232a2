#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/Navigation.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zarvik;
using zarvik::test::Ru;
using zarvik::test::TScriptedPrompter;
using TMessage = TScriptedPrompter::TMessage;
namespace fs = std::filesystem;

namespace {

const std::string Question = Ru("Ссылки не расставлены!\rРасставить?");
const std::string Exported = Ru("Сайт успешно выгружен!");
const std::string NoFolder = Ru("Указанный каталог не существует");

std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A generator with three pages and a temporary export folder (root/export) for each test.
class SiteExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zarvik-export-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Folder = Root / "export";
        fs::create_directory(Folder);

        g.SetMenuWord(Ru("Раздел"));
        for (int i = 0; i < 3; ++i)
            g.CreateNewPage(g.NewPageTitle(i), "");
        g.SetSiteTitle(Ru("Сад"));
        g.SetSiteTemplate("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.Menu|"
                          "SiteGeneratorChange.MainText|SiteGeneratorChange.Pagination");
        g.SetCssCode("body {}\r\n");
    }
    void TearDown() override { fs::remove_all(Root); }

    void Export() { g.ExportSite(Folder.string(), prompter); }
    std::set<std::string> Files(const fs::path &folder) const
    {
        std::set<std::string> names;
        for (const auto &entry : fs::recursive_directory_iterator(folder))
            names.insert(fs::relative(entry.path(), folder).string());
        return names;
    }
    // The text of the error that stops the export.
    std::string ExportError()
    {
        try {
            Export();
        } catch (const EError &e) {
            return e.what();
        }
        return "no error";
    }

    fs::path Root;
    fs::path Folder;
    TSiteGenerator g;
    TScriptedPrompter prompter;
};

} // namespace

TEST(TemplateProcessingF, ReplacesPlaceholdersInOrderSearchingOnlyLaterSteps)
{
    TSiteGenerator g;
    g.CreateNewPage("index", "");
    TSitePage &page = g.CreateNewPage(Ru("Раздел 1"), "");
    g.SetSiteTitle(Ru("Сад"));
    g.SetSiteMenu("menu SiteGeneratorChange.Menu");
    g.SetSiteHeader("hdr");
    g.SetSiteFooter("ftr");
    g.SetAdsenseCode("ad SiteGeneratorChange.Title");
    page.SetPageHTML("body SiteGeneratorChange.Title SiteGeneratorChange.Menu");
    page.SetPagination("pag");
    g.SetSiteTemplate(
        "T[SiteGeneratorChange.Title] M[SiteGeneratorChange.MainText] "
        "M2[SiteGeneratorChange.MainText] A[SiteGeneratorChange.Adsense] "
        "P[SiteGeneratorChange.Pagination] H[SiteGeneratorChange.Header] "
        "F[SiteGeneratorChange.Footer] N[SiteGeneratorChange.Menu] x[sitegeneratorchange.Title]");
    const std::string title = Ru("Сад - Раздел 1");
    const std::string body = "body " + title + " SiteGeneratorChange.Menu";
    EXPECT_EQ(g.TemplateProcessingF(1), "T[" + title + "] M[" + body + "] M2[" + body + "] A[ad " + title +
                                            "] P[pag] H[hdr] F[ftr] N[menu SiteGeneratorChange.Menu] "
                                            "x[sitegeneratorchange.Title]");
    EXPECT_EQ(page.PageHTML(), "body SiteGeneratorChange.Title SiteGeneratorChange.Menu");

    g.SetSiteTitle("");
    g.SetSiteTemplate("<title>SiteGeneratorChange.Title</title>");
    EXPECT_EQ(g.TemplateProcessingF(0), "<title> - index</title>");
    g.SetSiteTemplate("no placeholders\r\n");
    EXPECT_EQ(g.TemplateProcessingF(0), "no placeholders\r\n");
    EXPECT_THROW(g.TemplateProcessingF(2), std::out_of_range);
}

TEST_F(SiteExport, AnsweringNoWritesEveryPageWithMenuAndBarButNoBody)
{
    std::vector<std::size_t> progress;
    g.SetProgressCallback(
        [&](std::size_t done, std::size_t total) { progress.push_back(done * 10 + total); });
    g.SetChanged(false);
    Export();
    EXPECT_EQ(prompter.Messages, (std::vector<TMessage>{{MessageKind::Warning, Question, Buttons::YesNo},
                                                        {MessageKind::Information, Exported, Buttons::Ok}}));
    EXPECT_EQ(Files(Folder), (std::set<std::string>{"index.html", "page1.html", "page2.html", "style.css"}));
    EXPECT_EQ(ReadFile(Folder / "page1.html"),
              Ru("<title>Сад - Раздел 1</title><ul>\r<li><a href=\"index.html\">index</a></li>\r"
                 "<li><a href=\"page1.html\">Раздел 1</a></li>\r<li><a href=\"page2.html\">Раздел "
                 "2</a></li>\r</ul>||"
                 "<a href=\"index.html\">&lt;&lt;&lt; </a>  <a href=\"index.html\">0</a>  1  "
                 "<a href=\"page2.html\">2</a>  <a href=\"page2.html\">&gt;&gt;&gt; </a>"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadFile(Folder / fs::path(g.Pages()[i].PageUrl())), g.TemplateProcessingF(i));
    EXPECT_EQ(ReadFile(Folder / "style.css"), "body {}\r\n");
    EXPECT_EQ(progress, (std::vector<std::size_t>{3, 13, 23, 33}));
    EXPECT_FALSE(g.LinksWasSetted());
    EXPECT_FALSE(g.Changed());
}

TEST_F(SiteExport, AnsweringYesDistributesLinksFirstAndIsNotAskedAgain)
{
    g.Pages()[0].SetPageText("Gardens grow ");
    g.SetSiteUrlsToLink({"seeds.html"});
    prompter.Script(Answer::Yes);
    Export();
    ASSERT_EQ(prompter.Texts().size(), 5u);
    EXPECT_EQ(prompter.Texts().front(), Question);
    EXPECT_EQ(prompter.Texts()[3], Ru("Операция успешно завершена.\rПроставлено 1 ссылок из 1"));
    EXPECT_EQ(prompter.Texts().back(), Exported);
    EXPECT_NE(ReadFile(Folder / "index.html").find("|<p> <a href=\"seeds.html\">Gardens</a>  grow </p>|"),
              std::string::npos);

    prompter.Messages.clear();
    Export();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{Exported});
}

TEST_F(SiteExport, MissingFolderIsReportedAfterTheNavigationIsRebuilt)
{
    for (const std::string &folder : {std::string(), (Root / "missing").string(), (Folder / "x").string()}) {
        if (folder == (Folder / "x").string())
            std::ofstream(folder) << "a file, not a folder";
        prompter.Messages.clear();
        g.SetSiteMenu("old");
        g.ExportSite(folder, prompter);
        EXPECT_EQ(prompter.Messages, (std::vector<TMessage>{{MessageKind::Warning, Question, Buttons::YesNo},
                                                            {MessageKind::Error, NoFolder, Buttons::Ok}}));
        EXPECT_NE(g.SiteMenu(), "old");
    }
    EXPECT_EQ(Files(Root), (std::set<std::string>{"export", "export/x"}));
}

TEST_F(SiteExport, FileThatCannotBeCreatedStopsTheExport)
{
    g.Pages()[1].SetPageUrl("");
    EXPECT_EQ(ExportError(), "Cannot create file \"" + Folder.string() + "/\". Is a directory");
    EXPECT_EQ(Files(Folder), std::set<std::string>{"index.html"});
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{Question});

    g.Pages()[1].SetPageUrl("sub/page1.html");
    EXPECT_EQ(ExportError(),
              "Cannot create file \"" + Folder.string() + "/sub/page1.html\". No such file or directory");
    // A NUL byte would cut the name short and write another file.
    g.Pages()[1].SetPageUrl(std::string("a\0b.html", 8));
    try {
        Export();
        ADD_FAILURE() << "the export went through";
    } catch (const EError &e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"" + Folder.string() + std::string("/a\0b.html\". ", 12) +
                                   "Invalid argument");
    }
    EXPECT_EQ(Files(Folder), std::set<std::string>{"index.html"});

    g.Pages()[1].SetPageUrl("sub/page1.html");
    fs::create_directory(Folder / "sub");
    EXPECT_EQ(ExportError(), "no error");
    EXPECT_TRUE(fs::exists(Folder / "sub" / "page1.html"));
    EXPECT_EQ(prompter.Texts().back(), Exported);
}

TEST_F(SiteExport, FailedWriteStopsBeforeTheStyleSheet)
{
    // A file-size limit makes the write of the one big page fail, as a full disk would.
    struct TSizeLimit
    {
        rlimit Old{};
        void (*OldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
        TSizeLimit()
        {
            ::getrlimit(RLIMIT_FSIZE, &Old);
            rlimit limited = Old;
            limited.rlim_cur = 50000;
            ::setrlimit(RLIMIT_FSIZE, &limited);
        }
        ~TSizeLimit()
        {
            ::setrlimit(RLIMIT_FSIZE, &Old);
            ::signal(SIGXFSZ, OldHandler);
        }
    };
    g.Pages()[2].SetPageHTML(std::string(100000, 'x'));
    std::string error;
    {
        TSizeLimit limit;
        error = ExportError();
    }
    EXPECT_EQ(error, "Cannot create file \"" + Folder.string() + "/page2.html\". File too large");
    EXPECT_FALSE(fs::exists(Folder / "style.css"));
    EXPECT_TRUE(fs::exists(Folder / "page1.html"));
}

TEST_F(SiteExport, PageUrlLeavingTheFolderWritesNothingOutside)
{
    const std::string absolute = (Root / "abs.html").string();
    for (const std::string &url : {std::string("../x.html"), std::string("sub/../../y.html"), absolute}) {
        g.Pages()[1].SetPageUrl(url);
        EXPECT_EQ(ExportError(),
                  Ru("Адрес страницы \"") + url + Ru("\" указывает за пределы папки выгрузки"));
    }
    EXPECT_EQ(Files(Root), (std::set<std::string>{"export", "export/index.html"}));
    EXPECT_NE(prompter.Texts().back(), Exported);
}

TEST_F(SiteExport, SymbolicLinksOutOfTheFolderAreRefusedAndLinksInsideFollowed)
{
    const auto outsideError = [](const std::string &url) {
        return Ru("Адрес страницы \"") + url + Ru("\" указывает за пределы папки выгрузки");
    };
    std::ofstream(Root / "victim.txt") << "keep";
    fs::create_directory(Root / "elsewhere");

    // A link to a file outside, a dangling link to outside, a linked folder that leaves, and a
    // link that leaves through "..".
    fs::create_symlink(Root / "victim.txt", Folder / "page1.html");
    EXPECT_EQ(ExportError(), outsideError("page1.html"));
    fs::remove(Folder / "page1.html");
    fs::create_symlink(Root / "created.txt", Folder / "page1.html");
    EXPECT_EQ(ExportError(), outsideError("page1.html"));
    fs::remove(Folder / "page1.html");
    fs::create_directory_symlink(Root / "elsewhere", Folder / "sub");
    g.Pages()[1].SetPageUrl("sub/page1.html");
    EXPECT_EQ(ExportError(), outsideError("sub/page1.html"));
    fs::remove(Folder / "sub");
    g.Pages()[1].SetPageUrl("page1.html");
    fs::create_symlink("../victim.txt", Folder / "style.css");
    EXPECT_EQ(ExportError(), outsideError("style.css"));
    EXPECT_EQ(ReadFile(Root / "victim.txt"), "keep");
    EXPECT_FALSE(fs::exists(Root / "created.txt"));
    EXPECT_TRUE(fs::is_empty(Root / "elsewhere"));
    fs::remove(Folder / "style.css");
    fs::remove(Folder / "page1.html");

    // Links that stay inside, and a folder reached through a link, keep working.
    fs::create_directory(Folder / "real");
    fs::create_directory_symlink("real", Folder / "sub");
    fs::create_symlink("sub/../real/dangling.html", Folder / "page1.html");
    fs::create_symlink(Folder / "real" / "style.css", Folder / "style.css");
    fs::create_directory_symlink(Folder, Root / "via-link");
    g.Pages()[2].SetPageUrl("sub/page2.html");
    g.ExportSite((Root / "via-link").string(), prompter);
    EXPECT_EQ(ReadFile(Folder / "real" / "dangling.html"), g.TemplateProcessingF(1));
    EXPECT_EQ(ReadFile(Folder / "real" / "page2.html"), g.TemplateProcessingF(2));
    EXPECT_EQ(ReadFile(Folder / "real" / "style.css"), "body {}\r\n");
    EXPECT_TRUE(fs::is_symlink(Folder / "page1.html"));
    EXPECT_EQ(prompter.Texts().back(), Exported);
}

TEST_F(SiteExport, ReceivedProjectCannotAimAtHiddenFilesOrARelativeFolder)
{
    for (const std::string url : {".bashrc", ".ssh/authorized_keys", "./page1.html", "sub/.hidden.html"}) {
        g.Pages()[1].SetPageUrl(url);
        EXPECT_EQ(ExportError(),
                  Ru("Адрес страницы \"") + url + Ru("\" указывает за пределы папки выгрузки"));
    }
    EXPECT_EQ(Files(Folder), std::set<std::string>{"index.html"});

    // A name that merely holds a dot is fine.
    g.Pages()[1].SetPageUrl("page.1.html");
    g.SetSavePath(Folder.string());
    g.SiteImport(prompter);
    EXPECT_TRUE(fs::exists(Folder / "page.1.html"));

    // The folder stored in a project is used only when absolute; the one given to the export
    // directly may be relative.
    for (const std::string folder : {"export", "./export", "../tmp"}) {
        prompter.Messages.clear();
        g.SetSavePath(folder);
        g.SiteImport(prompter);
        EXPECT_EQ(prompter.Messages.back(),
                  (TMessage{MessageKind::Error,
                            Ru("Папка выгрузки \"") + folder +
                                Ru("\" задана относительным путём. Укажите полный путь к папке"),
                            Buttons::Ok}));
    }
}

TEST_F(SiteExport, ProjectFileIsNeverOverwritten)
{
    const std::string projectError =
        Ru("Адрес страницы \"page1.html\" совпадает с файлом выгружаемого проекта");
    std::ofstream(Folder / "page1.html") << "project";
    // Named through another spelling of the same folder, then through a second hard link.
    g.SetProjectFilePath((Root / "export" / ".." / "export" / "page1.html").string());
    EXPECT_EQ(ExportError(), projectError);
    fs::rename(Folder / "page1.html", Root / "site.sgp");
    fs::create_hard_link(Root / "site.sgp", Folder / "page1.html");
    g.SetProjectFilePath((Root / "site.sgp").string());
    EXPECT_EQ(ExportError(), projectError);
    EXPECT_EQ(ReadFile(Root / "site.sgp"), "project");
    EXPECT_EQ(Files(Folder), (std::set<std::string>{"index.html", "page1.html"}));

    // Once it is no longer in the way, or while the project has no file yet, the export runs.
    fs::remove(Folder / "page1.html");
    EXPECT_EQ(ExportError(), "no error");
    g.SetProjectFilePath((Root / "missing.sgp").string());
    EXPECT_EQ(ExportError(), "no error");
}

TEST(EError, KeepsTheWholeMessageAroundNulBytes)
{
    const std::string text("Cannot create file \"a\0b.html\". Invalid argument", 47);
    const EError error(text);
    EXPECT_EQ(error.Message(), text);
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"a\\0b.html\". Invalid argument");
    EXPECT_EQ(std::string(EError("plain").what()), "plain");
}

TEST_F(SiteExport, SiteWithoutPagesWritesTheStyleSheetOnly)
{
    g.Pages().Clear();
    g.SetCssCode("p { margin: 0 }");
    Export();
    EXPECT_EQ(Files(Folder), std::set<std::string>{"style.css"});
    EXPECT_EQ(ReadFile(Folder / "style.css"), "p { margin: 0 }");
    EXPECT_EQ(prompter.Texts().back(), Exported);
}

TEST_F(SiteExport, RepeatedExportOverwritesAndKeepsOtherFiles)
{
    std::ofstream(Folder / "page7.html") << "from an earlier export";
    std::ofstream(Folder / "index.html") << std::string(10000, 'x');
    Export();
    const std::string first = ReadFile(Folder / "index.html");
    EXPECT_EQ(first, g.TemplateProcessingF(0));
    Export();
    EXPECT_EQ(ReadFile(Folder / "index.html"), first);
    EXPECT_EQ(ReadFile(Folder / "page7.html"), "from an earlier export");
}

TEST_F(SiteExport, NamesOnDiskAreUtf8WhileLinksKeepTheStoredBytes)
{
    const fs::path cyrillic = Root / "выгрузка";
    fs::create_directory(cyrillic);
    g.SetSavePath(Ru(cyrillic.string()));
    g.Pages()[2].SetPageUrl(Ru("страница.html"));
    g.SiteImport(prompter);
    EXPECT_EQ(Files(cyrillic),
              (std::set<std::string>{"index.html", "page1.html", "страница.html", "style.css"}));
    EXPECT_NE(ReadFile(cyrillic / "page1.html").find("<a href=\"" + Ru("страница.html") + "\">2</a>"),
              std::string::npos);

    g.Pages()[2].SetPageUrl(Ru("нет/страница.html"));
    try {
        g.SiteImport(prompter);
        FAIL() << "the export went through";
    } catch (const EError &e) {
        EXPECT_EQ(std::string(e.what()), Ru("Cannot create file \"" + cyrillic.string() +
                                            "/нет/страница.html\". No such file or directory"));
    }
}

TEST_F(SiteExport, SizeEstimateIsWhatTheExportWrites)
{
    // Placeholders used twice, once and not at all, every text that fills them, and page counts
    // on both sides of the longer numbers in the bars.
    g.SetSiteTemplate(
        "SiteGeneratorChange.Title|SiteGeneratorChange.Menu SiteGeneratorChange.Menu|"
        "SiteGeneratorChange.MainText|SiteGeneratorChange.Header SiteGeneratorChange.Footer|"
        "SiteGeneratorChange.Adsense|SiteGeneratorChange.Pagination SiteGeneratorChange.Pagination\r\n");
    g.SetSiteHeader("<h1>head</h1>");
    g.SetSiteFooter("foot");
    g.SetAdsenseCode("<ad/>");
    int round = 0;
    for (const int count : {0, 1, 3, 10, 11, 101}) {
        g.Pages().Clear();
        for (int i = 0; i < count; ++i) {
            TSitePage &page = g.CreateNewPage(i % 3 == 0 ? std::string() : g.NewPageTitle(i), "");
            if (i % 4 == 1)
                page.SetPageUrl(Ru("страница-") + std::to_string(i) + ".htm");
            page.SetPageHTML(std::string(static_cast<std::size_t>(i * 7 % 50), 'b'));
        }
        const std::uint64_t estimate = EstimateExportBytes(g);
        const fs::path folder = Root / ("round" + std::to_string(round++));
        fs::create_directory(folder);
        g.ExportSite(folder.string(), prompter);

        std::uint64_t written = 0;
        for (const auto &entry : fs::directory_iterator(folder))
            written += fs::file_size(entry.path());
        EXPECT_EQ(estimate, written) << count << " pages";
        if (count == 0)
            continue;
        const TNavigationLengths lengths(g.Pages());
        EXPECT_EQ(lengths.Menu(), g.SiteMenu().size()) << count << " pages";
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(lengths.Bar(i), g.Pages()[i].Pagination().Size()) << "page " << i << " of " << count;
    }
}

TEST_F(SiteExport, HardLinkToAnOutsideFileIsReplacedNotWrittenThrough)
{
    // A backup made with hard links, or a user's own link, shares the page's bytes with a file
    // outside the folder; the export gives the page a new file and leaves the other name alone.
    std::ofstream(Root / "outside.html") << "outside bytes";
    fs::create_hard_link(Root / "outside.html", Folder / "page1.html");
    fs::create_hard_link(Root / "outside.html", Folder / "style.css");
    const mode_t oldMask = ::umask(022);
    Export();
    ::umask(oldMask);
    EXPECT_EQ(ReadFile(Root / "outside.html"), "outside bytes");
    EXPECT_EQ(fs::hard_link_count(Root / "outside.html"), 1U);
    EXPECT_EQ(ReadFile(Folder / "page1.html"), g.TemplateProcessingF(1));
    EXPECT_EQ(ReadFile(Folder / "style.css"), "body {}\r\n");
    EXPECT_EQ(Files(Folder), (std::set<std::string>{"index.html", "page1.html", "page2.html", "style.css"}));
    // New files get what any new file gets under the umask.
    EXPECT_EQ(fs::status(Folder / "page1.html").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

namespace {

// A small tmpfs mounted for one test: a disk that fills up. Tests run as root; a machine that
// refuses the mount fails the test rather than skipping what it checks.
class TSmallDisk
{
public:
    TSmallDisk(const fs::path &at, const char *size)
        : FAt(at)
    {
        fs::create_directory(at);
        const std::string options = std::string("size=") + size;
        FMounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!FMounted)
            FError = std::string("cannot mount a tmpfs for the full-disk test (run the tests as root): ") +
                     std::strerror(errno);
    }
    ~TSmallDisk()
    {
        if (FMounted)
            ::umount2(FAt.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return FMounted; }
    const std::string &Error() const { return FError; }

private:
    fs::path FAt;
    bool FMounted = false;
    std::string FError;
};

} // namespace

TEST_F(SiteExport, FullDiskLeavesThePreviousPageWholeAndNoTemporaryFile)
{
    const fs::path disk = Root / "disk";
    TSmallDisk small(disk, "64k");
    ASSERT_TRUE(small.Mounted()) << small.Error();
    Folder = disk;
    Export();
    const std::string before = ReadFile(disk / "page2.html");
    ASSERT_FALSE(before.empty());

    g.Pages()[2].SetPageHTML(std::string(200000, 'x'));
    g.SetCssCode("changed {}");
    EXPECT_EQ(ExportError(),
              "Cannot create file \"" + disk.string() + "/page2.html\". No space left on device");
    EXPECT_EQ(ReadFile(disk / "page2.html"), before);
    EXPECT_EQ(ReadFile(disk / "style.css"), "body {}\r\n");
    EXPECT_EQ(Files(disk), (std::set<std::string>{"index.html", "page1.html", "page2.html", "style.css"}));
}

TEST_F(SiteExport, KilledExportLeavesEveryPageWholeOldOrNew)
{
    // Big enough pages that a kill lands in the middle of the writing.
    g.SetSiteTemplate("SiteGeneratorChange.Title|SiteGeneratorChange.MainText|SiteGeneratorChange.Menu");
    for (int i = 3; i < 40; ++i)
        g.CreateNewPage(g.NewPageTitle(i), "");
    const auto fill = [&](char c) {
        for (int i = 0; i < g.Pages().Count(); ++i)
            g.Pages()[i].SetPageHTML(std::string(100000, c));
    };
    const fs::path oldSite = Root / "old";
    const fs::path newSite = Root / "new";
    fs::create_directory(oldSite);
    fs::create_directory(newSite);
    fill('o');
    g.ExportSite(oldSite.string(), prompter);
    fill('n');
    g.ExportSite(newSite.string(), prompter);

    int killedDuringWrite = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        fs::remove_all(Folder);
        fs::copy(oldSite, Folder);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                g.ExportSite(Folder.string(), prompter);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(1000 + attempt * 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFSIGNALED(status))
            ++killedDuringWrite;
        for (const auto &entry : fs::directory_iterator(Folder)) {
            const std::string name = entry.path().filename().string();
            const std::string bytes = ReadFile(entry.path());
            if (name.starts_with(".")) {
                // Named only once complete, in the instant before it takes the page's name.
                bool whole = false;
                for (const auto &page : fs::directory_iterator(newSite))
                    whole = whole || bytes == ReadFile(page.path());
                EXPECT_TRUE(whole) << name << " is not a whole page";
                continue;
            }
            EXPECT_TRUE(bytes == ReadFile(oldSite / name) || bytes == ReadFile(newSite / name))
                << name << " is cut short after attempt " << attempt;
        }
    }
    EXPECT_GT(killedDuringWrite, 0);
}

TEST_F(SiteExport, PagesThatWouldShareAFileStopTheExportBeforeItWritesAnything)
{
    fs::create_directory(Folder / "sub");
    const std::string head = Ru("Сайт не выгружен: страницы затёрли бы друг друга или файлы сайта");
    const std::string tail = Ru("Задайте этим страницам другие адреса");
    // Two pages with one URL, and the same file spelt with a doubled slash.
    g.Pages()[2].SetPageUrl("page1.html");
    EXPECT_EQ(ExportError(), head + "\r" +
                                 Ru("Страницы 1 «Раздел 1» и 2 «Раздел 2» выгружаются в один файл ") +
                                 "\"page1.html\"\r" + tail);
    g.Pages()[0].SetPageUrl("sub/a.html");
    g.Pages()[1].SetPageUrl("sub//a.html");
    g.Pages()[2].SetPageUrl("style.css");
    EXPECT_EQ(ExportError(), head + "\r" + Ru("Страницы 0 «index» и 1 «Раздел 1» выгружаются в один файл ") +
                                 "\"sub/a.html\"\r" + Ru("Страница 2 «Раздел 2» выгружается в файл ") +
                                 Ru("\"style.css\", который программа записывает сама\r") + tail);
    EXPECT_EQ(Files(Folder), std::set<std::string>{"sub"});
    EXPECT_NE(prompter.Texts().back(), Exported);

    // A name that only looks alike is another file.
    g.Pages()[1].SetPageUrl("sub/A.html");
    g.Pages()[2].SetPageUrl("style.css.html");
    EXPECT_EQ(ExportError(), "no error");
}
