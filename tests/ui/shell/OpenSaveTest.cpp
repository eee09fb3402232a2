#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/Fakes.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

std::string Bytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

void WriteBytes(const QString &path, const std::string &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string Native(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// The project stored in a file, read back into a fresh generator.
std::unique_ptr<TSiteGenerator> Reload(const QString &path)
{
    auto generator = std::make_unique<TSiteGenerator>();
    LoadProject(Native(path), *generator);
    return generator;
}

const TScriptedPrompter::TMessage Overwrite{MessageKind::Warning, Ru("Перезаписать указанный файл?"),
                                            Buttons::OkCancel};

} // namespace

class OpenSaveTest : public QObject
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

    void saveOfAnUntitledProjectGoesToSaveAsThenWritesSilently();
    void saveAsAddsTheExtensionByTheLastFourCharacters_data();
    void saveAsAddsTheExtensionByTheLastFourCharacters();
    void overwriteQuestionGuardsAnExistingFile();
    void saveWritesSilentlyToWhateverFileTheNodeNames();
    void saveActsOnTheActiveProjectOnly();
    void aFailedSaveKeepsTheNodeAndTheChanges();
    void openReadsTheFileIntoANewWindow();
    void openFillsWhatTheFileLeavesOutWithTheWindowsDefaults();
    void aFailedOpenAddsNoNodeAndLeavesNoWindow();
    void closeWithOkSavesBeforeClosing();

private:
    QString Path(const QString &name) const { return QDir(FDir->path()).filePath(name); }
    TSiteProject *New()
    {
        Trigger(u"NewProject"_s);
        return FForm->Projects().isEmpty() ? nullptr : FForm->Projects().back();
    }
    void Trigger(const QString &name)
    {
        auto *action = FForm->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }
    QString NodeText(int node) const { return FForm->ProjectTree()->topLevelItem(node)->text(0); }

    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<TFakeServices> FFakes;
    std::unique_ptr<TForm1> FForm;
};

void OpenSaveTest::saveOfAnUntitledProjectGoesToSaveAsThenWritesSilently()
{
    TSiteProject *project = New();
    QVERIFY(project);
    FFakes->Dialogs.SaveAnswers.push_back(Path(u"garden"_s));
    Trigger(u"SaveProject"_s);

    const QString saved = Path(u"garden.sgp"_s);
    QVERIFY(QFileInfo(saved).isFile());
    QCOMPARE(NodeText(0), saved);
    QCOMPARE(project->ProjectName(), u"Untitled0"_s);
    QCOMPARE(project->windowTitle(), u"Untitled0"_s);
    QVERIFY(!project->Generator().Changed());
    QCOMPARE(FFakes->Dialogs.Calls.size(), 1u);
    QCOMPARE(FFakes->Dialogs.Calls[0].Kind, u"save"_s);
    QCOMPARE(FFakes->Dialogs.Calls[0].Filter, u"Проект (*.sgp)"_s);
    QCOMPARE(FFakes->Dialogs.Remembered, std::vector<QString>{saved});

    // The second save goes to the same file without a dialog or a question.
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    title->setText(u"Сад"_s);
    project->Generator().SetChanged(true);
    Trigger(u"SaveProject"_s);
    QCOMPARE(FFakes->Dialogs.Calls.size(), 1u);
    QVERIFY(FFakes->Prompter.Messages.empty());
    QCOMPARE(Reload(saved)->SiteTitle(), Ru("Сад"));
    QVERIFY(!project->Generator().Changed());

    // Once the file is gone, Save asks for a name again.
    QVERIFY(QFile::remove(saved));
    Trigger(u"SaveProject"_s);
    QCOMPARE(FFakes->Dialogs.Calls.size(), 2u);
    QVERIFY(!QFileInfo::exists(saved));
    QCOMPARE(NodeText(0), saved);
}

void OpenSaveTest::saveAsAddsTheExtensionByTheLastFourCharacters_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("none") << u"garden"_s << u"garden.sgp"_s;
    QTest::newRow("upper case") << u"garden.SGP"_s << u"garden.SGP"_s;
    QTest::newRow("mixed case") << u"garden.Sgp"_s << u"garden.Sgp"_s;
    QTest::newRow("other") << u"garden.txt"_s << u"garden.txt.sgp"_s;
    QTest::newRow("no dot") << u"gardensgp"_s << u"gardensgp.sgp"_s;
    QTest::newRow("cyrillic") << u"сад"_s << u"сад.sgp"_s;
}

void OpenSaveTest::saveAsAddsTheExtensionByTheLastFourCharacters()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    TSiteProject *project = New();
    QVERIFY(project);
    FFakes->Dialogs.SaveAnswers.push_back(Path(chosen));
    Trigger(u"SaveProjectAs"_s);
    QVERIFY(QFileInfo(Path(written)).isFile());
    QCOMPARE(QDir(FDir->path()).entryList(QDir::Files), QStringList{written});
    QCOMPARE(NodeText(0), Path(written));
}

void OpenSaveTest::overwriteQuestionGuardsAnExistingFile()
{
    TSiteProject *project = New();
    QVERIFY(project);
    const QString existing = Path(u"old.sgp"_s);
    WriteBytes(existing, "previous contents");

    FFakes->Dialogs.SaveAnswers.push_back(existing);
    FFakes->Prompter.Script(Answer::Cancel);
    Trigger(u"SaveProjectAs"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({Overwrite}));
    QCOMPARE(Bytes(existing), std::string("previous contents"));
    QCOMPARE(NodeText(0), u"Untitled0"_s);
    QVERIFY(project->Generator().Changed());

    FFakes->Dialogs.SaveAnswers.push_back(Path(u"old"_s));
    FFakes->Prompter.Script(Answer::Ok);
    Trigger(u"SaveProjectAs"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({Overwrite, Overwrite}));
    QCOMPARE(Reload(existing)->MenuWord(), Ru("Раздел"));
    QCOMPARE(NodeText(0), existing);
    QVERIFY(!project->Generator().Changed());
}

void OpenSaveTest::saveWritesSilentlyToWhateverFileTheNodeNames()
{
    TSiteProject *project = New();
    QVERIFY(project);
    const QString other = Path(u"other.sgp"_s);
    WriteBytes(other, "not mine");
    FForm->ProjectTree()->topLevelItem(0)->setText(0, other);
    QCOMPARE(project->ProjectName(), other);

    Trigger(u"SaveProject"_s);
    QVERIFY(FFakes->Prompter.Messages.empty());
    QVERIFY(FFakes->Dialogs.Calls.empty());
    QCOMPARE(Reload(other)->DiggValue(), std::string("!-next_page-!"));
}

void OpenSaveTest::saveActsOnTheActiveProjectOnly()
{
    TSiteProject *first = New();
    TSiteProject *second = New();
    QVERIFY(first && second);
    QCOMPARE(FForm->ActiveProject(), second);
    FFakes->Dialogs.SaveAnswers.push_back(Path(u"second"_s));
    Trigger(u"SaveProject"_s);
    QCOMPARE(NodeText(0), u"Untitled0"_s);
    QCOMPARE(NodeText(1), Path(u"second.sgp"_s));
    QVERIFY(first->Generator().Changed());
    QVERIFY(!second->Generator().Changed());
}

void OpenSaveTest::aFailedSaveKeepsTheNodeAndTheChanges()
{
    TSiteProject *project = New();
    QVERIFY(project);
    const QString missingFolder = Path(u"missing/site"_s);
    FFakes->Dialogs.SaveAnswers.push_back(missingFolder);
    Trigger(u"SaveProjectAs"_s);
    QCOMPARE(FFakes->Errors.Shown, std::vector<std::string>{"Cannot create file \"" + Native(missingFolder) +
                                                            ".sgp\". No such file or directory."});
    QCOMPARE(NodeText(0), u"Untitled0"_s);
    QVERIFY(project->Generator().Changed());

    // An existing file that cannot be replaced stays as it was.
    const QString readOnly = u"/proc/version"_s;
    if (!QFileInfo(readOnly).isFile())
        QSKIP("no read-only file system to save into");
    const std::string before = Bytes(readOnly);
    FFakes->Errors.Shown.clear();
    FForm->ProjectTree()->topLevelItem(0)->setText(0, readOnly);
    Trigger(u"SaveProject"_s);
    QCOMPARE(FFakes->Errors.Shown.size(), 1u);
    QVERIFY(FFakes->Errors.Shown[0].starts_with("Cannot create file \"/proc/version\". "));
    QCOMPARE(Bytes(readOnly), before);
    QCOMPARE(NodeText(0), readOnly);
    QVERIFY(project->Generator().Changed());
}

void OpenSaveTest::openReadsTheFileIntoANewWindow()
{
    const QString path = Path(u"мой сайт.sgp"_s);
    {
        TSiteGenerator generator;
        generator.SetSiteTitle(Ru("Мой сайт"));
        generator.SetMenuWord(Ru("Глава"));
        generator.SetUseDigg(true);
        generator.SetDiggValue("##");
        generator.SetMaxLinksPerPage(2);
        generator.SetMinCharsPerPage(100);
        generator.SetMaxCharsPerPage(200);
        generator.CreateNewPage("index", Ru("Текст"));
        SaveProject(Native(path), generator);
    }
    New();
    FFakes->Dialogs.OpenAnswers.push_back({path});
    Trigger(u"LoadProject"_s);

    QCOMPARE(FFakes->Dialogs.Calls.back().Filter, u"Проект (*.sgp);;Все файлы (*.*)"_s);
    QVERIFY(!FFakes->Dialogs.Calls.back().Multiple);
    QCOMPARE(FForm->Projects().size(), 2);
    TSiteProject *opened = FForm->Projects().back();
    QCOMPARE(NodeText(1), path);
    QCOMPARE(opened->windowTitle(), path);
    QCOMPARE(FForm->ActiveProject(), opened);
    QVERIFY(!opened->Generator().Changed());
    QCOMPARE(opened->Generator().Pages().Count(), 1);
    ZARVIK_FIND(title, QLineEdit, opened, u"Edit1"_s);
    QCOMPARE(title->text(), u"Мой сайт"_s);
    ZARVIK_FIND(menuWord, QLineEdit, opened, u"LabeledEdit4"_s);
    QCOMPARE(menuWord->text(), u"Глава"_s);
    ZARVIK_FIND(limitBox, QCheckBox, opened, u"CheckBox2"_s);
    QVERIFY(limitBox->isChecked());

    // Cancelling the dialog opens nothing; opening the same file again gives a second window.
    Trigger(u"LoadProject"_s);
    QCOMPARE(FForm->Projects().size(), 2);
    FFakes->Dialogs.OpenAnswers.push_back({path});
    Trigger(u"LoadProject"_s);
    QCOMPARE(FForm->Projects().size(), 3);
    QCOMPARE(NodeText(2), path);
}

void OpenSaveTest::openFillsWhatTheFileLeavesOutWithTheWindowsDefaults()
{
    const QString path = Path(u"bare.sgp"_s);
    {
        TSiteGenerator generator;
        generator.SetMinCharsPerPage(4000);
        generator.SetMaxCharsPerPage(5000);
        SaveProject(Native(path), generator);
    }
    FFakes->Dialogs.OpenAnswers.push_back({path});
    Trigger(u"LoadProject"_s);
    QCOMPARE(FForm->Projects().size(), 1);
    TSiteProject *opened = FForm->Projects().front();
    ZARVIK_FIND(marker, QLineEdit, opened, u"LabeledEdit1"_s);
    QCOMPARE(marker->text(), u"!-next_page-!"_s);
    ZARVIK_FIND(menuWord, QLineEdit, opened, u"LabeledEdit4"_s);
    QCOMPARE(menuWord->text(), u"Раздел"_s);
    ZARVIK_FIND(title, QLineEdit, opened, u"Edit1"_s);
    QCOMPARE(title->text(), QString());
}

void OpenSaveTest::aFailedOpenAddsNoNodeAndLeavesNoWindow()
{
    New();
    const QString empty = Path(u"empty.sgp"_s);
    WriteBytes(empty, "");
    const QString missing = Path(u"missing.sgp"_s);
    FFakes->Dialogs.OpenAnswers.push_back({empty});
    FFakes->Dialogs.OpenAnswers.push_back({missing});
    Trigger(u"LoadProject"_s);
    Trigger(u"LoadProject"_s);

    QCOMPARE(FFakes->Errors.Shown,
             std::vector<std::string>({"OBJECT expected on line 1.", "Cannot open file \"" + Native(missing) +
                                                                         "\". No such file or directory."}));
    QCOMPARE(FForm->ProjectTree()->topLevelItemCount(), 1);
    QCOMPARE(FForm->MdiArea()->subWindowList().size(), 1);
    QCOMPARE(FForm->ActiveProject(), FForm->Projects().front());
}

void OpenSaveTest::closeWithOkSavesBeforeClosing()
{
    TSiteProject *project = New();
    QVERIFY(project);
    FFakes->Dialogs.SaveAnswers.push_back(Path(u"garden"_s));
    Trigger(u"SaveProject"_s);
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    title->setText(u"Изменено"_s);
    project->Generator().SetChanged(true);

    FFakes->Prompter.Script(Answer::Ok);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FFakes->Prompter.Messages.size(), 1u);
    QCOMPARE(FFakes->Prompter.Messages[0].Text, Ru("Сохранить проект Untitled0?"));
    QCOMPARE(FForm->ProjectTree()->topLevelItemCount(), 0);
    QCOMPARE(Reload(Path(u"garden.sgp"_s))->SiteTitle(), Ru("Изменено"));
    QCOMPARE(FFakes->Dialogs.Calls.size(), 1u);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::OpenSaveTest)
#include "OpenSaveTest.moc"
