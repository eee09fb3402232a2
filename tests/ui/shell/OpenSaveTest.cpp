#include "app/FileAccess.h"
#include "app/ProjectFiles.h"
#include "app/SafeSave.h"
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFileWriter.h"
#include "tests/app/ChildProcess.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/FrameFixture.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>

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

// Notes, for every message, whether it came while busy work was under way.
class TBusyNotingPrompter : public TScriptedPrompter
{
public:
    explicit TBusyNotingPrompter(const TBusyCounter &busy)
        : Busy(busy)
    {
    }
    Answer ask(MessageKind kind, std::string_view text, Buttons buttons) override
    {
        BusyWhenAsked.push_back(Busy.Active());
        return TScriptedPrompter::ask(kind, text, buttons);
    }
    const TBusyCounter &Busy;
    std::vector<bool> BusyWhenAsked;
};

// The project file at `path` as a save killed half-way leaves it: the file has a second hard
// link, so the save overwrites it in place, and the save is killed once the file holds the new
// text, before it could remove its copy of the old one. Returns the old and the new text.
std::pair<std::string, std::string> InterruptSave(const QString &path)
{
    TSiteGenerator older;
    older.SetSiteTitle("Old");
    SaveProject(Native(path), older);
    std::filesystem::create_hard_link(Native(path), Native(path) + ".link");
    TSiteGenerator newer;
    newer.SetSiteTitle("Newer and longer");
    const std::string newText = TProjectFileWriter(newer).Text();
    const TChild child = StartChild([&] {
        ReplaceFile(Native(path), newText, [](int fd, const void *data, std::size_t size) -> ssize_t {
            const ssize_t put = ::write(fd, data, size);
            ::raise(SIGKILL);
            return put;
        });
        return std::string("saved");
    });
    if (FinishChild(child) != "signal 9")
        return {};
    return {TProjectFileWriter(older).Text(), newText};
}

} // namespace

class OpenSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TFrameFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void saveOfAnUntitledProjectGoesToSaveAsThenWritesSilently();
    void saveAsAddsTheExtensionByTheLastFourCharacters_data();
    void saveAsAddsTheExtensionByTheLastFourCharacters();
    void overwriteQuestionGuardsAnExistingFile();
    void saveWritesSilentlyToWhateverFileTheNodeNames();
    void saveActsOnTheActiveProjectOnly();
    void aFailedSaveKeepsTheNodeAndTheChanges();
    void openReadsTheFileIntoANewWindow();
    void aFileHasOneWindow();
    void aFailedOpenAddsNoNodeAndLeavesNoWindow();
    void closeWithOkSavesBeforeClosing();
    void saveAndOpenRunAsBusyWork();
    void anInterruptedSaveLetsTheUserOpenEitherVersion();

private:
    std::unique_ptr<TFrameFixture> F;
};

void OpenSaveTest::saveOfAnUntitledProjectGoesToSaveAsThenWritesSilently()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"garden"_s));
    F->Trigger(u"SaveProject"_s);

    const QString saved = F->Path(u"garden.sgp"_s);
    QVERIFY(QFileInfo(saved).isFile());
    QCOMPARE(F->NodeText(0), saved);
    QCOMPARE(project->ProjectName(), u"Untitled0"_s);
    QCOMPARE(project->windowTitle(), u"Untitled0"_s);
    QVERIFY(!project->Generator().Changed());
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
    QCOMPARE(F->Fakes.Dialogs.Calls[0].Kind, u"save"_s);
    QCOMPARE(F->Fakes.Dialogs.Calls[0].Filter, u"Проект (*.sgp)"_s);
    QCOMPARE(F->Fakes.Dialogs.Remembered, std::vector<QString>{saved});

    // The second save goes to the same file without a dialog or a question.
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    title->setText(u"Сад"_s);
    project->Generator().SetChanged(true);
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QCOMPARE(Reload(saved)->SiteTitle(), Ru("Сад"));
    QVERIFY(!project->Generator().Changed());

    // Once the file is gone, Save asks for a name again.
    QVERIFY(QFile::remove(saved));
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 2u);
    QVERIFY(!QFileInfo::exists(saved));
    QCOMPARE(F->NodeText(0), saved);
}

void OpenSaveTest::saveAsAddsTheExtensionByTheLastFourCharacters_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("none") << u"garden"_s << u"garden.sgp"_s;
    QTest::newRow("upper case") << u"garden.SGP"_s << u"garden.SGP"_s;
    QTest::newRow("cyrillic") << u"сад"_s << u"сад.sgp"_s;
}

void OpenSaveTest::saveAsAddsTheExtensionByTheLastFourCharacters()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    TSiteProject *project = F->New();
    QVERIFY(project);
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(chosen));
    F->Trigger(u"SaveProjectAs"_s);
    QVERIFY(QFileInfo(F->Path(written)).isFile());
    QCOMPARE(QDir(F->Dir.path()).entryList(QDir::Files), QStringList{written});
    QCOMPARE(F->NodeText(0), F->Path(written));
}

void OpenSaveTest::overwriteQuestionGuardsAnExistingFile()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    const QString existing = F->Path(u"old.sgp"_s);
    WriteBytes(existing, "previous contents");

    F->Fakes.Dialogs.SaveAnswers.push_back(existing);
    F->Fakes.Prompter.Script(Answer::Cancel);
    F->Trigger(u"SaveProjectAs"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({Overwrite}));
    QCOMPARE(Bytes(existing), std::string("previous contents"));
    QCOMPARE(F->NodeText(0), u"Untitled0"_s);
    QVERIFY(project->Generator().Changed());

    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"old"_s));
    F->Fakes.Prompter.Script(Answer::Ok);
    F->Trigger(u"SaveProjectAs"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({Overwrite, Overwrite}));
    QCOMPARE(Reload(existing)->MenuWord(), Ru("Раздел"));
    QCOMPARE(F->NodeText(0), existing);
    QVERIFY(!project->Generator().Changed());
}

void OpenSaveTest::saveWritesSilentlyToWhateverFileTheNodeNames()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    const QString other = F->Path(u"other.sgp"_s);
    WriteBytes(other, "not mine");
    F->Form->ProjectTree()->topLevelItem(0)->setText(0, other);
    QCOMPARE(project->ProjectName(), other);

    F->Trigger(u"SaveProject"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QVERIFY(F->Fakes.Dialogs.Calls.empty());
    QCOMPARE(Reload(other)->DiggValue(), std::string("!-next_page-!"));
}

void OpenSaveTest::saveActsOnTheActiveProjectOnly()
{
    TSiteProject *first = F->New();
    TSiteProject *second = F->New();
    QVERIFY(first && second);
    QCOMPARE(F->Form->ActiveProject(), second);
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"second"_s));
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->NodeText(0), u"Untitled0"_s);
    QCOMPARE(F->NodeText(1), F->Path(u"second.sgp"_s));
    QVERIFY(first->Generator().Changed());
    QVERIFY(!second->Generator().Changed());
}

void OpenSaveTest::aFailedSaveKeepsTheNodeAndTheChanges()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    const QString missingFolder = F->Path(u"missing/site"_s);
    F->Fakes.Dialogs.SaveAnswers.push_back(missingFolder);
    F->Trigger(u"SaveProjectAs"_s);
    QCOMPARE(F->Fakes.Errors.Shown, std::vector<std::string>{"Cannot create file \"" + Native(missingFolder) +
                                                             ".sgp\". No such file or directory."});
    QCOMPARE(F->NodeText(0), u"Untitled0"_s);
    QVERIFY(project->Generator().Changed());

    // An existing file that cannot be replaced stays as it was.
    const QString readOnly = u"/proc/version"_s;
    if (!QFileInfo(readOnly).isFile())
        QSKIP("no read-only file system to save into");
    const std::string before = Bytes(readOnly);
    F->Fakes.Errors.Shown.clear();
    F->Form->ProjectTree()->topLevelItem(0)->setText(0, readOnly);
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->Fakes.Errors.Shown.size(), 1u);
    QVERIFY(F->Fakes.Errors.Shown[0].starts_with("Cannot create file \"/proc/version\". "));
    QCOMPARE(Bytes(readOnly), before);
    QCOMPARE(F->NodeText(0), readOnly);
    QVERIFY(project->Generator().Changed());
}

void OpenSaveTest::openReadsTheFileIntoANewWindow()
{
    const QString path = F->Path(u"мой сайт.sgp"_s);
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
    F->New();
    F->Fakes.Dialogs.OpenAnswers.push_back({path});
    F->Trigger(u"LoadProject"_s);

    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u"Проект (*.sgp);;Все файлы (*.*)"_s);
    QVERIFY(!F->Fakes.Dialogs.Calls.back().Multiple);
    QCOMPARE(F->Form->Projects().size(), 2);
    TSiteProject *opened = F->Form->Projects().back();
    QCOMPARE(F->NodeText(1), path);
    QCOMPARE(opened->windowTitle(), path);
    QCOMPARE(F->Form->ActiveProject(), opened);
    QVERIFY(!opened->Generator().Changed());
    QCOMPARE(opened->Generator().Pages().Count(), 1);
    ZARVIK_FIND(title, QLineEdit, opened, u"Edit1"_s);
    QCOMPARE(title->text(), u"Мой сайт"_s);
    ZARVIK_FIND(menuWord, QLineEdit, opened, u"LabeledEdit4"_s);
    QCOMPARE(menuWord->text(), u"Глава"_s);
    ZARVIK_FIND(limitBox, QCheckBox, opened, u"CheckBox2"_s);
    QVERIFY(limitBox->isChecked());

    // Cancelling the dialog opens nothing.
    F->Trigger(u"LoadProject"_s);
    QCOMPARE(F->Form->Projects().size(), 2);
}

void OpenSaveTest::aFileHasOneWindow()
{
    TSiteGenerator g;
    g.SetSiteTitle("One");
    const QString path = F->Path(u"one.sgp"_s);
    SaveProject(Native(path), g);
    const QString link = F->Path(u"link.sgp"_s);
    QVERIFY(QFile::link(path, link));
    F->Fakes.Dialogs.OpenAnswers.push_back({path});
    F->Trigger(u"LoadProject"_s);
    TSiteProject *opened = F->Form->ActiveProject();
    QVERIFY(opened);
    F->New();
    QVERIFY(F->Form->ActiveProject() != opened);

    // Open, the command line and a hand-over (which opens as the command line does), by the
    // same name and through a link: the window that holds the file comes to the front.
    F->Fakes.Dialogs.OpenAnswers.push_back({path});
    F->Trigger(u"LoadProject"_s);
    QCOMPARE(F->Form->Projects().size(), 2);
    QCOMPARE(F->Form->ActiveProject(), opened);
    F->New();
    F->Form->OpenProjectFiles({link, path});
    QCOMPARE(F->Form->Projects().size(), 3);
    QCOMPARE(F->Form->ActiveProject(), opened);
    QCOMPARE(F->NodeTexts(), QStringList({path, u"Untitled0"_s, u"Untitled1"_s}));

    // Save As onto the file that window holds is refused and writes nothing.
    TSiteProject *other = F->Form->Projects()[1];
    F->Form->ProjectTree()->setCurrentItem(F->Form->NodeOf(other));
    QCOMPARE(F->Form->ActiveProject(), other);
    F->Fakes.Dialogs.SaveAnswers.push_back(link);
    F->Trigger(u"SaveProjectAs"_s);
    QCOMPARE(
        F->Fakes.Prompter.Texts(),
        std::vector<std::string>({Ru("Файл ") + Native(link) +
                                  Ru(" открыт в другом окне. Закройте тот проект или выберите другое имя")}));
    QCOMPARE(Reload(path)->SiteTitle(), std::string("One"));
    QCOMPARE(F->NodeText(1), u"Untitled0"_s);
    // Save As onto its own file is the window's own business.
    F->Form->ProjectTree()->setCurrentItem(F->Form->NodeOf(opened));
    F->Fakes.Dialogs.SaveAnswers.push_back(path);
    F->Fakes.Prompter.Script(Answer::Ok);
    F->Trigger(u"SaveProjectAs"_s);
    QCOMPARE(F->Fakes.Prompter.Messages.back().Text, Ru("Перезаписать указанный файл?"));
    QCOMPARE(F->NodeText(0), path);
}

void OpenSaveTest::aFailedOpenAddsNoNodeAndLeavesNoWindow()
{
    F->New();
    const QString empty = F->Path(u"empty.sgp"_s);
    WriteBytes(empty, "");
    const QString missing = F->Path(u"missing.sgp"_s);
    F->Fakes.Dialogs.OpenAnswers.push_back({empty});
    F->Fakes.Dialogs.OpenAnswers.push_back({missing});
    F->Trigger(u"LoadProject"_s);
    F->Trigger(u"LoadProject"_s);

    QCOMPARE(F->Fakes.Errors.Shown,
             std::vector<std::string>({"OBJECT expected on line 1.", "Cannot open file \"" + Native(missing) +
                                                                         "\". No such file or directory."}));
    QCOMPARE(F->Form->ProjectTree()->topLevelItemCount(), 1);
    QCOMPARE(F->Form->MdiArea()->subWindowList().size(), 1);
    QCOMPARE(F->Form->ActiveProject(), F->Form->Projects().front());
}

void OpenSaveTest::closeWithOkSavesBeforeClosing()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"garden"_s));
    F->Trigger(u"SaveProject"_s);
    ZARVIK_FIND(title, QLineEdit, project, u"Edit1"_s);
    title->setText(u"Изменено"_s);
    project->Generator().SetChanged(true);

    F->Fakes.Prompter.Script(Answer::Ok);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Fakes.Prompter.Messages.size(), 1u);
    QCOMPARE(F->Fakes.Prompter.Messages[0].Text, Ru("Сохранить проект Untitled0?"));
    QCOMPARE(F->Form->ProjectTree()->topLevelItemCount(), 0);
    QCOMPARE(Reload(F->Path(u"garden.sgp"_s))->SiteTitle(), Ru("Изменено"));
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
}

void OpenSaveTest::saveAndOpenRunAsBusyWork()
{
    TBusyCounter busy;
    TBusyNotingPrompter prompter(busy);
    TRecordingErrors errors;
    TScriptedDialogs dialogs;
    TScriptedContentAdd contentAdd;
    TRecordingBrowser browser;
    TPreviewFolders previewFolders;
    TServices services{prompter, errors, dialogs, contentAdd, browser, previewFolders, busy};
    TForm1 form(services);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // The save's push reports the bad number while the save is under way.
    form.NewProjectExecute();
    ZARVIK_FIND(minimum, QLineEdit, form.Projects().front(), u"Edit2"_s);
    minimum->setText(u"abc"_s);
    dialogs.SaveAnswers.push_back(F->Path(u"busy"_s));
    form.SaveProjectExecute();
    QVERIFY(QFileInfo(F->Path(u"busy.sgp"_s)).isFile());
    QCOMPARE(prompter.Texts(), std::vector<std::string>{"'abc' is not a valid integer value"});
    QCOMPARE(prompter.BusyWhenAsked, std::vector<bool>{true});
    QVERIFY(!busy.Active());

    // A failed open leaves no busy work or busy pointer behind.
    form.OpenProjectFiles({F->Path(u"missing.sgp"_s)});
    QCOMPARE(errors.Shown.size(), 1u);
    QVERIFY(!busy.Active());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void OpenSaveTest::anInterruptedSaveLetsTheUserOpenEitherVersion()
{
    const auto question = [](const QString &path, const std::string &copy) {
        return TScriptedPrompter::TMessage{
            MessageKind::Warning,
            Ru("Сохранение проекта \"" + Native(path) + "\" было прервано. Прежняя версия сохранена в \"" +
               copy +
               "\".\rОткрыть прежнюю версию?\r«Да» вернёт её в файл проекта; «Нет» откроет файл как есть, а "
               "копия останется на месте"),
            Buttons::YesNo};
    };

    // No: the file is opened as it is and the copy of the old version stays.
    const QString kept = F->Path(u"сайт.sgp"_s);
    const auto [keptOld, keptNew] = InterruptSave(kept);
    QVERIFY(!keptNew.empty());
    const std::optional<std::string> keptCopy = InterruptedSaveCopy(Native(kept));
    QVERIFY(keptCopy);
    F->Fakes.Prompter.Script(Answer::No);
    F->Fakes.Dialogs.OpenAnswers.push_back({kept});
    F->Trigger(u"LoadProject"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector<TScriptedPrompter::TMessage>{question(kept, *keptCopy)});
    QCOMPARE(F->Form->Projects().size(), 1);
    QCOMPARE(F->Form->ActiveProject()->Generator().SiteTitle(), std::string("Newer and longer"));
    QCOMPARE(Bytes(kept), keptNew);
    QCOMPARE(ReadFileBytes(*keptCopy), keptOld);

    // Yes, here from the command line: the old version is put back into the file, for every
    // name of it, the copy is gone, and the old version is opened.
    const QString restored = F->Path(u"restored.sgp"_s);
    const auto [restoredOld, restoredNew] = InterruptSave(restored);
    QVERIFY(!restoredNew.empty());
    const std::optional<std::string> restoredCopy = InterruptedSaveCopy(Native(restored));
    QVERIFY(restoredCopy);
    F->Fakes.Prompter.Script(Answer::Yes);
    F->Form->OpenProjectFiles({restored});
    QCOMPARE(F->Fakes.Prompter.Messages.size(), 2u);
    QCOMPARE(F->Fakes.Prompter.Messages.back(), question(restored, *restoredCopy));
    QVERIFY(F->Fakes.Errors.Shown.empty());
    QCOMPARE(F->Form->Projects().size(), 2);
    QCOMPARE(F->Form->ActiveProject()->Generator().SiteTitle(), std::string("Old"));
    QCOMPARE(Bytes(restored), restoredOld);
    QCOMPARE(Bytes(restored + u".link"_s), restoredOld);
    QVERIFY(!InterruptedSaveCopy(Native(restored)));

    // With the copy gone, or for a file that never had one, Open asks nothing.
    F->Trigger(u"CloseProject"_s);
    F->Form->OpenProjectFiles({restored});
    QCOMPARE(F->Fakes.Prompter.Messages.size(), 2u);
    QCOMPARE(F->Form->ActiveProject()->Generator().SiteTitle(), std::string("Old"));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::OpenSaveTest)
#include "OpenSaveTest.moc"
