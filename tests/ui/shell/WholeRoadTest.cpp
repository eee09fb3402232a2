#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Random.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/FrameFixture.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
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

// Every file of a folder by name, with its bytes.
QMap<QString, QByteArray> FolderFiles(const QString &path)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(path, QDir::Files);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(it.fileName(), Contents(file));
    }
    return files;
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
    void init() { F = std::make_unique<TFrameFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void fromTextToExportedSiteAndBack();

private:
    std::unique_ptr<TFrameFixture> F;
};

void WholeRoadTest::fromTextToExportedSiteAndBack()
{
    const QString siteFolder = F->Path(u"site"_s);
    QVERIFY(QDir().mkpath(siteFolder));

    F->Trigger(u"NewProject"_s);
    QCOMPARE(F->Form->Projects().size(), 1);
    TSiteProject *project = F->Form->Projects().front();
    project->Generator().SetRandomSource(std::make_unique<TSeededRandom>(20090112));

    // Settings: the site title is typed and the field left; the folder comes from the browser.
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    ZARVIK_FIND(menuWord, QLineEdit, project, u"LabeledEdit4"_s);
    title->setFocus();
    TypeText(title, u"Мой сад"_s);
    menuWord->setFocus();
    QCOMPARE(project->Generator().SiteTitle(), Ru("Мой сад"));
    F->Fakes.Dialogs.FolderAnswers.push_back(siteFolder);
    ZARVIK_FIND(browse, QPushButton, project, u"Button2"_s);
    browse->click();
    QCOMPARE(project->Generator().SavePath(), siteFolder.toStdString());

    // Content through the content-add dialog: three pages cut at the markers.
    F->Fakes.ContentAdd.Answers.push_back(
        {true, Ru("Помидоры любят тёплую почву и солнечную погоду. Поливайте их каждый день.\r\n"
                  "!-next_page-!\r\n"
                  "Огурцы растут быстро, если теплица хорошо проветривается.\r\n"
                  "!-next_page-!\r\n"
                  "Морковь сеют рано весной, прореживая всходы дважды за лето.")});
    F->Trigger(project, u"AddContent"_s);
    QCOMPARE(F->Fakes.ContentAdd.Prepared, &project->Generator());
    QCOMPARE(project->Generator().Pages().Count(), 3);

    // Links pasted into the list, then distributed with a fixed seed.
    ZARVIK_FIND(links, QPlainTextEdit, project, u"Memo1"_s);
    links->setPlainText(u"seeds.html\ncare.html\nhttp://garden.example/"_s);
    ZARVIK_FIND(linkCount, QLabel, project, u"StatusPanel2"_s);
    QCOMPARE(linkCount->text(), u"Ссылок: 3"_s);
    F->Trigger(project, u"LinksGener"_s);
    QVERIFY(project->Generator().LinksWasSetted());
    QVERIFY(Asked(F->Fakes.Prompter, Ru("Операция успешно завершена.\rПроставлено 3 ссылок из 3")));
    QVERIFY(!Asked(F->Fakes.Prompter, Ru("Ссылки не расставлены!\rРасставить?")));

    F->Trigger(project, u"SiteExport"_s);
    QVERIFY(Asked(F->Fakes.Prompter, Ru("Сайт успешно выгружен!")));
    QVERIFY(F->Fakes.Errors.Shown.empty());
    const QMap<QString, QByteArray> exported = FolderFiles(siteFolder);
    QCOMPARE(exported.keys(),
             QStringList({u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"style.css"_s}));
    QVERIFY(exported.value(u"index.html"_s).contains(QByteArray::fromStdString(Ru("Мой сад"))));
    QByteArray allPages;
    for (const QByteArray &page : exported)
        allPages += page;
    QVERIFY(allPages.contains("<a href=\"seeds.html\">"));

    // Save, as a user would: Save on an untitled project asks for a name.
    const QString saved = F->Path(u"garden.sgp"_s);
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"garden"_s));
    F->Trigger(u"SaveProject"_s);
    QVERIFY(QFileInfo(saved).isFile());
    QVERIFY(!project->Generator().Changed());

    // The command-line tool exports the saved project to the same files.
#ifdef ZARVIK_CLI
    const QString cliFolder = F->Path(u"cli-site"_s);
    QVERIFY(QDir().mkpath(cliFolder));
    QProcess cli;
    cli.start(QStringLiteral(ZARVIK_CLI),
              {u"export"_s, saved, u"--out"_s, cliFolder, u"--distribute-links"_s, u"no"_s});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(FolderFiles(cliFolder), exported);
#endif

    // Closed and opened again (a file has one window), the project is the one saved: written
    // out as it was read, it gives the same bytes.
    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Form->Projects().isEmpty());
    F->Fakes.Dialogs.OpenAnswers.push_back({saved});
    F->Trigger(u"LoadProject"_s);
    QCOMPARE(F->Form->Projects().size(), 1);
    TSiteProject *reopened = F->Form->Projects().back();
    QCOMPARE(reopened->Generator().Pages().Count(), 3);
    QVERIFY(!reopened->Generator().Changed());
    ZARVIK_FIND(reopenedTitle, QLineEdit, reopened, u"Edit1"_s);
    QCOMPARE(reopenedTitle->text(), u"Мой сад"_s);
    // The file keeps the changed flag as it stood while it was written, before the save
    // cleared it.
    const QString again = F->Path(u"again.sgp"_s);
    reopened->Generator().SetChanged(true);
    SaveProject(QFile::encodeName(again).toStdString(), reopened->Generator());
    QCOMPARE(Contents(again), Contents(saved));

    // The distribution is not stored, so exporting the reopened project offers it again; its
    // links stay where the save left them, so the site comes out the same.
    const QString reexportFolder = F->Path(u"again-site"_s);
    QVERIFY(QDir().mkpath(reexportFolder));
    F->Fakes.Dialogs.FolderAnswers.push_back(reexportFolder);
    ZARVIK_FIND(reopenedBrowse, QPushButton, reopened, u"Button2"_s);
    reopenedBrowse->click();
    F->Fakes.Prompter.Messages.clear();
    F->Fakes.Prompter.Script(Answer::No);
    F->Trigger(reopened, u"SiteExport"_s);
    QVERIFY(Asked(F->Fakes.Prompter, Ru("Ссылки не расставлены!\rРасставить?")));
    QVERIFY(Asked(F->Fakes.Prompter, Ru("Сайт успешно выгружен!")));
    QVERIFY(F->Fakes.Errors.Shown.empty());
    QMap<QString, QByteArray> reexported = FolderFiles(reexportFolder);
    // The style sheet editor shows no empty line for the final line break of the stored style
    // sheet, so the sheet comes back without that break.
    QCOMPARE(reexported.value(u"style.css"_s) + "\r\n", exported.value(u"style.css"_s));
    reexported.insert(u"style.css"_s, exported.value(u"style.css"_s));
    QCOMPARE(reexported, exported);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::WholeRoadTest)
#include "WholeRoadTest.moc"
