#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Random.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/Fakes.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool Asked(const TScriptedPrompter &prompter, const std::string &text)
{
    return std::any_of(prompter.Messages.begin(), prompter.Messages.end(),
                       [&](const auto &message) { return message.Text == text; });
}

} // namespace

// One user's road through the windows: a new project, its settings, content, links, the link
// distribution, the export, saving and opening again.
class WholeRoadTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir->isValid());
        FFakes = std::make_unique<TFakeServices>();
        FForm = std::make_unique<TForm1>(FFakes->Services);
        FForm->show();
        FForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    }
    void cleanup()
    {
        FForm.reset();
        QVERIFY(FFakes->Drained());
        FFakes.reset();
        FDir.reset();
    }

    void fromTextToExportedSiteAndBack();

private:
    QString Path(const QString &name) const { return QDir(FDir->path()).filePath(name); }
    void Trigger(QObject *window, const QString &name)
    {
        auto *action = window->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }

    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<TFakeServices> FFakes;
    std::unique_ptr<TForm1> FForm;
};

void WholeRoadTest::fromTextToExportedSiteAndBack()
{
    const QString siteFolder = Path(u"site"_s);
    QVERIFY(QDir().mkpath(siteFolder));

    Trigger(FForm.get(), u"NewProject"_s);
    QCOMPARE(FForm->Projects().size(), 1);
    TSiteProject *project = FForm->Projects().front();
    project->Generator().SetRandomSource(std::make_unique<TSeededRandom>(20090112));

    // Settings: the site title is typed and the field left; the folder comes from the browser.
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    ZARVIK_FIND(menuWord, QLineEdit, project, u"LabeledEdit4"_s);
    title->setFocus();
    TypeText(title, u"Мой сад"_s);
    menuWord->setFocus();
    QCOMPARE(project->Generator().SiteTitle(), Ru("Мой сад"));
    FFakes->Dialogs.FolderAnswers.push_back(siteFolder);
    ZARVIK_FIND(browse, QPushButton, project, u"Button2"_s);
    browse->click();
    QCOMPARE(project->Generator().SavePath(), siteFolder.toStdString());

    // Content through the content-add dialog: three pages cut at the markers.
    FFakes->ContentAdd.Answers.push_back(
        {true, Ru("Помидоры любят тёплую почву и солнечную погоду. Поливайте их каждый день.\r\n"
                  "!-next_page-!\r\n"
                  "Огурцы растут быстро, если теплица хорошо проветривается.\r\n"
                  "!-next_page-!\r\n"
                  "Морковь сеют рано весной, прореживая всходы дважды за лето.")});
    Trigger(project, u"AddContent"_s);
    QCOMPARE(FFakes->ContentAdd.Prepared, &project->Generator());
    QCOMPARE(project->Generator().Pages().Count(), 3);

    // Links pasted into the list, then distributed with a fixed seed.
    ZARVIK_FIND(links, QPlainTextEdit, project, u"Memo1"_s);
    links->setPlainText(u"seeds.html\ncare.html\nhttp://garden.example/"_s);
    Trigger(project, u"LinksGener"_s);
    QVERIFY(project->Generator().LinksWasSetted());
    QVERIFY(!Asked(FFakes->Prompter, Ru("Ссылки не расставлены!\rРасставить?")));

    Trigger(project, u"SiteExport"_s);
    QVERIFY(Asked(FFakes->Prompter, Ru("Сайт успешно выгружен!")));
    QVERIFY(FFakes->Errors.Shown.empty());
    const QStringList exported = QDir(siteFolder).entryList(QDir::Files, QDir::Name);
    QCOMPARE(exported, QStringList({u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"style.css"_s}));
    QVERIFY(Contents(siteFolder + u"/index.html"_s).contains(QByteArray::fromStdString(Ru("Мой сад"))));
    QByteArray allPages;
    for (const QString &name : exported)
        allPages += Contents(siteFolder + u'/' + name);
    QVERIFY(allPages.contains("<a href=\"seeds.html\">"));

    // Save, as a user would: Save on an untitled project asks for a name.
    const QString saved = Path(u"garden.sgp"_s);
    FFakes->Dialogs.SaveAnswers.push_back(Path(u"garden"_s));
    Trigger(FForm.get(), u"SaveProject"_s);
    QVERIFY(QFileInfo(saved).isFile());
    QVERIFY(!project->Generator().Changed());

    // The command-line tool exports the saved project to the same files.
#ifdef ZARVIK_CLI
    const QString cliFolder = Path(u"cli-site"_s);
    QVERIFY(QDir().mkpath(cliFolder));
    QProcess cli;
    cli.start(QStringLiteral(ZARVIK_CLI),
              {u"export"_s, saved, u"--out"_s, cliFolder, u"--distribute-links"_s, u"no"_s});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QDir(cliFolder).entryList(QDir::Files, QDir::Name), exported);
    for (const QString &name : exported)
        QCOMPARE(Contents(cliFolder + u'/' + name), Contents(siteFolder + u'/' + name));
#endif

    // Opened again, the project is the one saved: written out as it was read, it gives the
    // same bytes.
    FFakes->Dialogs.OpenAnswers.push_back({saved});
    Trigger(FForm.get(), u"LoadProject"_s);
    QCOMPARE(FForm->Projects().size(), 2);
    TSiteProject *reopened = FForm->Projects().back();
    QCOMPARE(reopened->Generator().Pages().Count(), 3);
    QVERIFY(!reopened->Generator().Changed());
    ZARVIK_FIND(reopenedTitle, QLineEdit, reopened, u"Edit1"_s);
    QCOMPARE(reopenedTitle->text(), u"Мой сад"_s);
    // The file keeps the changed flag as it stood while it was written, before the save
    // cleared it.
    const QString again = Path(u"again.sgp"_s);
    reopened->Generator().SetChanged(true);
    SaveProject(QFile::encodeName(again).toStdString(), reopened->Generator());
    QCOMPARE(Contents(again), Contents(saved));

    // The distribution is not stored, so exporting the reopened project offers it again.
    FFakes->Prompter.Messages.clear();
    FFakes->Prompter.Script(Answer::No);
    Trigger(reopened, u"SiteExport"_s);
    QVERIFY(Asked(FFakes->Prompter, Ru("Ссылки не расставлены!\rРасставить?")));
    QVERIFY(FFakes->Errors.Shown.empty());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::WholeRoadTest)
#include "WholeRoadTest.moc"
