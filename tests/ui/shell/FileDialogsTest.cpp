#include "ui/shell/FileDialogs.h"

#include "tests/ui/support/Widgets.h"
#include "ui/shell/PFolderDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

const QString Title = u"Сохранить проект как"_s;
const QString Filter = u"Проект (*.sgp)"_s;

void Touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Answers the next file dialog by choosing `path`, after letting `check` look at it.
void Choose(const QString &path, std::function<void(QFileDialog *)> check = {})
{
    WhenModal([path, check](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        QVERIFY(dialog);
        if (check)
            check(dialog);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

void Cancel(std::function<void(QFileDialog *)> check = {})
{
    WhenModal([check](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        QVERIFY(dialog);
        if (check)
            check(dialog);
        dialog->reject();
    });
}

} // namespace

class FileDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(FDir.isValid()); }

    void openAcceptsATypedNameThatDoesNotExistAndRemembersIt();
    void openOfSeveralFilesWantsExistingOnes();
    void saveNeverAsksAboutOverwritingAndKeepsAnAdjustedName();
    void folderDialogReturnsTheChosenFolderOrNothing();

private:
    QString Path(const QString &name) const { return QDir(FDir.path()).filePath(name); }
    QTemporaryDir FDir;
};

void FileDialogsTest::openAcceptsATypedNameThatDoesNotExistAndRemembersIt()
{
    TQtFileDialogs dialogs;
    const QString missing = Path(u"нет такого.sgp"_s);
    Choose(missing, [](QFileDialog *dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->windowTitle(), u"Открыть проект"_s);
        QCOMPARE(dialog->nameFilters(), QStringList({u"Проект (*.sgp)"_s, u"Все файлы (*)"_s}));
    });
    QCOMPARE(dialogs.OpenFiles(nullptr, u"Открыть проект"_s, u"Проект (*.sgp);;Все файлы (*.*)"_s, false),
             QStringList{missing});

    // The same dialog opens again where it was left; cancelling gives nothing.
    QString startedOn;
    Cancel([&](QFileDialog *dialog) { startedOn = dialog->selectedFiles().value(0); });
    QVERIFY(dialogs.OpenFiles(nullptr, u"Открыть проект"_s, u"Проект (*.sgp);;Все файлы (*.*)"_s, false)
                .isEmpty());
    QCOMPARE(startedOn, missing);
}

void FileDialogsTest::openOfSeveralFilesWantsExistingOnes()
{
    TQtFileDialogs dialogs;
    Touch(Path(u"a.txt"_s));
    Choose(Path(u"a.txt"_s),
           [](QFileDialog *dialog) { QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles); });
    QCOMPARE(dialogs.OpenFiles(nullptr, u"Открыть"_s, u"Текстовые файлы (*.txt)"_s, true),
             QStringList{Path(u"a.txt"_s)});
}

void FileDialogsTest::saveNeverAsksAboutOverwritingAndKeepsAnAdjustedName()
{
    TQtFileDialogs dialogs;
    const QString existing = Path(u"old.sgp"_s);
    Touch(existing);
    Choose(existing, [](QFileDialog *dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        QVERIFY(dialog->defaultSuffix().isEmpty());
    });
    // No overwrite question may come up: the chosen name returns at once.
    QCOMPARE(dialogs.SaveFile(nullptr, Title, Filter, QString()), existing);

    const QString adjusted = Path(u"garden.sgp"_s);
    dialogs.RememberFile(Title, Filter, adjusted);
    QString startedOn;
    Cancel([&](QFileDialog *dialog) { startedOn = dialog->selectedFiles().value(0); });
    QVERIFY(dialogs.SaveFile(nullptr, Title, Filter, QString()).isEmpty());
    QCOMPARE(startedOn, adjusted);

    // Another dialog keeps its own memory.
    Cancel([&](QFileDialog *dialog) { startedOn = dialog->selectedFiles().value(0); });
    dialogs.SaveFile(nullptr, u"Сохранить ссылки"_s, u"Текст (*.txt)"_s, u"txt"_s);
    QVERIFY(startedOn != adjusted);
}

void FileDialogsTest::folderDialogReturnsTheChosenFolderOrNothing()
{
    QVERIFY(QDir(FDir.path()).mkdir(u"сайт"_s));
    TPFolderDialog folder;
    folder.SetInitialFolder(FDir.path());
    Choose(Path(u"сайт"_s), [&](QFileDialog *dialog) {
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(FDir.path()).canonicalPath());
    });
    QVERIFY(folder.Execute());
    QCOMPARE(folder.FolderPath(), Path(u"сайт"_s));

    Cancel();
    QVERIFY(!folder.Execute());
    QCOMPARE(folder.FolderPath(), Path(u"сайт"_s));

    TQtFileDialogs dialogs;
    Cancel();
    QCOMPARE(dialogs.ChooseFolder(nullptr, FDir.path()), std::nullopt);
    Choose(Path(u"сайт"_s));
    QCOMPARE(dialogs.ChooseFolder(nullptr, FDir.path()), std::optional<QString>(Path(u"сайт"_s)));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::FileDialogsTest)
#include "FileDialogsTest.moc"
