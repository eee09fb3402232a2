#include "app/ProjectFiles.h"
#include "cli/Cli.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"

#include <QClipboard>
#include <QDirIterator>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include <sstream>

namespace zarvik::test {

using namespace Qt::StringLiterals;

namespace {

// Every file of a folder by name, with its bytes.
QMap<QString, QByteArray> FolderFiles(const QString &path)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(path, QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(it.fileName(), file.readAll());
    }
    return files;
}

// Every stored property of two projects, pages included, side by side.
void CompareProjects(const TSiteGenerator &a, const TSiteGenerator &b)
{
    QCOMPARE(a.SiteTemplate(), b.SiteTemplate());
    QCOMPARE(a.CssCode(), b.CssCode());
    QCOMPARE(a.AdsenseCode(), b.AdsenseCode());
    QCOMPARE(a.SiteUrlsToLink(), b.SiteUrlsToLink());
    QCOMPARE(a.SiteMenu(), b.SiteMenu());
    QCOMPARE(a.SiteTitle(), b.SiteTitle());
    QCOMPARE(a.SavePath(), b.SavePath());
    QCOMPARE(a.MinCharsPerPage(), b.MinCharsPerPage());
    QCOMPARE(a.MaxCharsPerPage(), b.MaxCharsPerPage());
    QCOMPARE(a.MaxLinksPerPage(), b.MaxLinksPerPage());
    QCOMPARE(a.UseDigg(), b.UseDigg());
    QCOMPARE(a.DiggValue(), b.DiggValue());
    QCOMPARE(a.MenuWord(), b.MenuWord());
    QCOMPARE(a.Pages().Count(), b.Pages().Count());
    for (int i = 0; i < a.Pages().Count(); ++i) {
        const TSitePage &p = a.Pages()[i];
        const TSitePage &q = b.Pages()[i];
        QCOMPARE(p.PageText(), q.PageText());
        QCOMPARE(p.PageHTML(), q.PageHTML());
        QCOMPARE(p.PageTitle(), q.PageTitle());
        QCOMPARE(p.PageUrl(), q.PageUrl());
        QCOMPARE(p.Pagination(), q.Pagination());
    }
}

const QString Content = u"Помидоры любят тёплую почву и солнечную погоду.\r\n\r\nПоливайте их каждый день."
                        u"!-next_page-!Огурцы растут быстро, если теплица закрыта.!-next_page-!"
                        u"Морковь сеют весной прямо в открытый грунт, рядами."_s;

} // namespace

class ProjectProceduresTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup()
    {
        const bool drained = F->Fakes.Drained();
        F.reset();
        QVERIFY(drained);
    }

    void distributionReportsTheLinkLimitFirst();
    void exportUsesWhatTheEditorsShow();
    void wholeRoadThroughTheWindow();

private:
    void AddContent()
    {
        F->Fakes.ContentAdd.Answers.push_back({true, FromQString(Content)});
        F->Action(u"AddContent"_s).trigger();
    }
    void ChooseExportFolder(const QString &path)
    {
        F->Fakes.Dialogs.FolderAnswers.push_back(path);
        QTest::mouseClick(&F->Find<QPushButton>(u"Button2"_s), Qt::LeftButton);
    }

    std::unique_ptr<TProjectFixture> F;
    TTempFolder Folder;
};

void ProjectProceduresTest::distributionReportsTheLinkLimitFirst()
{
    AddContent();
    F->Find<QPlainTextEdit>(u"Memo1"_s).setPlainText(u"a.html\nb.html"_s);
    auto &box = F->Find<QCheckBox>(u"CheckBox2"_s);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    F->Find<QLineEdit>(u"LabeledEdit2"_s).setText(u"x"_s);
    F->Window->Generator().SetRandomSource(std::make_unique<TSeededRandom>(3));

    F->Action(u"LinksGener"_s).trigger();
    QCOMPARE(F->Messages(), (QStringList{u"'x' is not a valid integer value"_s,
                                         u"Операция успешно завершена.\rПроставлено 2 ссылок из 2"_s}));
    QVERIFY(!box.isChecked());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);
    QVERIFY(F->Window->Generator().LinksWasSetted());
    const TSitePages &pages = F->Window->Generator().Pages();
    QVERIFY(QByteArray::fromStdString(pages[0].PageHTML()).startsWith("<p>"));
}

void ProjectProceduresTest::exportUsesWhatTheEditorsShow()
{
    const QString out = Folder.Path(u"site"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    F->Find<TSourceEditor>(u"SynEdit2"_s)
        .SetText("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.Adsense");
    F->Window->Generator().CreateNewPage("index", "text");
    F->Fakes.Prompter.Script(Answer::No);

    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(F->Messages(),
             (QStringList{u"Ссылки не расставлены!\rРасставить?"_s, u"Сайт успешно выгружен!"_s}));
    QCOMPARE(F->Fakes.Prompter.Messages.front().ButtonSet, Buttons::YesNo);
    // The style sheet is the default one shown in its editor, though nothing was pushed before.
    const QByteArray css = Folder.Read(u"site/style.css"_s);
    QVERIFY(css.startsWith("body {\r\nbackground-image: url(images/bg.gif);"));
    QCOMPARE(css, Bytes(F->Find<TSourceEditor>(u"SynEdit3"_s).Text()));
    const QByteArray index = Folder.Read(u"site/index.html"_s);
    QVERIFY(index.startsWith("<title> - index</title><script type=\"text/javascript\"><!--"));
}

void ProjectProceduresTest::wholeRoadThroughTheWindow()
{
    const QString siteA = Folder.Path(u"a"_s);
    const QString siteB = Folder.Path(u"b"_s);
    const QString siteC = Folder.Path(u"c"_s);
    for (const QString &dir : {siteA, siteB, siteC})
        QVERIFY(QDir().mkpath(dir));

    // Settings, content, links pasted into the list.
    F->TypeInto(u"Edit1"_s, u"Огород"_s);
    ChooseExportFolder(siteA);
    AddContent();
    QCOMPARE(F->Panel(1), u"Страниц: 3"_s);
    auto &memo = F->Find<QPlainTextEdit>(u"Memo1"_s);
    memo.setFocus();
    QGuiApplication::clipboard()->setText(u"seeds.html\ncare.html\nhttp://example.com/огород\n"_s);
    F->Action(u"EditPaste1"_s).trigger();
    QCOMPARE(F->Panel(2), u"Ссылок: 3"_s);

    // Distribution with a fixed seed, then the export.
    F->Window->Generator().SetRandomSource(std::make_unique<TSeededRandom>(11));
    F->Action(u"LinksGener"_s).trigger();
    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(F->Messages(), (QStringList{u"Операция успешно завершена.\rПроставлено 3 ссылок из 3"_s,
                                         u"Сайт успешно выгружен!"_s}));
    const QMap<QString, QByteArray> exported = FolderFiles(siteA);
    QCOMPARE(exported.keys(),
             (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"style.css"_s}));
    QVERIFY(exported.value(u"index.html"_s).contains("<a href=\""));

    // Saved and exported again by the command-line tool, the project gives the same site.
    const QString project = Folder.Path(u"garden.sgp"_s);
    F->Window->SaveProjectFile(project);
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCli(
        {"export", FileName(project), "--out", FileName(siteB), "--distribute-links", "no"}, in, out, err);
    QVERIFY2(status == 0, err.str().c_str());
    QCOMPARE(FolderFiles(siteB), exported);

    // Reopened, the project is the saved one; the link distribution counts as not run.
    TSiteProject reopened(F->Fakes.Services);
    reopened.LoadProjectFile(project);
    CompareProjects(reopened.Generator(), F->Window->Generator());
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!reopened.Generator().LinksWasSetted());

    F->Fakes.Prompter.Messages.clear();
    F->Fakes.Dialogs.FolderAnswers.push_back(siteC);
    QTest::mouseClick(reopened.findChild<QPushButton *>(u"Button2"_s), Qt::LeftButton);
    F->Fakes.Prompter.Script(Answer::No);
    reopened.findChild<QAction *>(u"SiteExport"_s)->trigger();
    QCOMPARE(F->Messages(),
             (QStringList{u"Ссылки не расставлены!\rРасставить?"_s, u"Сайт успешно выгружен!"_s}));
    QMap<QString, QByteArray> again = FolderFiles(siteC);
    // The style sheet editor shows no empty line for the final line break of the stored style
    // sheet, so the sheet comes back without that break.
    QCOMPARE(again.value(u"style.css"_s) + "\r\n", exported.value(u"style.css"_s));
    again.insert(u"style.css"_s, exported.value(u"style.css"_s));
    QCOMPARE(again, exported);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectProceduresTest)
#include "ProjectProceduresTest.moc"
