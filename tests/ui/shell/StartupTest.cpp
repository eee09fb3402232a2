#include "ui/shell/Startup.h"

#include "app/BrowserLauncher.h"
#include "engine/EXSiteGenerator.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/Application.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/SingleInstance.h"
#include "ui/shell/about.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

namespace zarvik::test {

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void windowsAreCreatedHiddenAndWiredTogether();
    void aboutBoxReadsAsItShould();
    void terminationClosesTheMainWindowLikeQuit();
    void terminationWaitsForBoxesDialogsAndLongWork();
    void titlesGetNoApplicationSuffix();
    void startedProgramsInheritNoDescriptorAndLeaveTheSession();
    void burstsOfSignalsNeverBlockTheProgram();
    void qtsOwnTextsReadInRussianAfterSetUp();
};

namespace {

// The descriptors this process was started with, before it opened any of its own.
QStringList OpenDescriptors()
{
    QStringList open = QDir(u"/proc/self/fd"_s).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    std::sort(open.begin(), open.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    return open;
}
const QStringList InheritedDescriptors = OpenDescriptors();

// A desktop whose programs write down the descriptors they were started with.
struct TRecordingDesktop
{
    TRecordingDesktop()
    {
        QDir().mkpath(Root.filePath(u"bin"_s));
        QDir().mkpath(Root.filePath(u"data/applications"_s));
        // Lists its descriptors (less the one listing them) and whether it leads a session.
        const QString record = u"#!/usr/bin/python3\n"
                               u"import os, sys\n"
                               u"fds = sorted(int(f) for f in os.listdir('/proc/self/fd') if "
                               u"os.path.exists('/proc/self/fd/' + f))\n"
                               u"lead = 'leader' if os.getsid(0) == os.getpid() else 'member'\n"
                               u"out = sys.argv[1]\n"
                               u"open(out + '.part', 'w').write(' '.join(map(str, fds)) + ' ' + lead)\n"
                               u"os.rename(out + '.part', out)\n"_s;
        Write(u"bin/xdg-settings"_s, record + u"print('fake.desktop')\n"_s, true);
        Write(u"bin/fake-browser"_s, record, true);
        Write(u"data/applications/fake.desktop"_s,
              u"[Desktop Entry]\nName=Fake\nExec="_s + Root.filePath(u"bin/fake-browser"_s) + u" %u\n"_s,
              false);
    }
    void Write(const QString &name, const QString &text, bool program)
    {
        QFile file(Root.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        file.close();
        if (program)
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString Seen(const QString &name) const
    {
        QFile file(Root.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QTemporaryDir Root;
};

} // namespace

void StartupTest::windowsAreCreatedHiddenAndWiredTogether()
{
    TApplicationWindows windows;
    TForm1 &frame = windows.MainWindow();
    QCOMPARE(frame.windowTitle(), u"Zarvik"_s);
    QVERIFY(!frame.isVisible());
    QVERIFY(!windows.AboutBox().isVisible());
    QVERIFY(!windows.ContentAddForm().isVisible());
    QVERIFY(frame.Projects().isEmpty());

    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));

    // The About command shows this about box.
    QWidget *shownAbout = nullptr;
    WhenModal([&](QWidget *dialog) {
        shownAbout = dialog;
        ButtonWithText(dialog, u"Закрыть"_s)->click();
    });
    frame.findChild<QAction *>(u"About"_s)->trigger();
    QCOMPARE(shownAbout, &windows.AboutBox());

    // A project's add-content command uses this content-add dialog, prepared for its generator.
    frame.findChild<QAction *>(u"NewProject"_s)->trigger();
    QCOMPARE(frame.Projects().size(), 1);
    TSiteProject *project = frame.Projects().front();
    QWidget *shownContent = nullptr;
    WhenModal([&](QWidget *dialog) {
        shownContent = dialog;
        ButtonWithText(dialog, u"Отменить"_s)->click();
    });
    project->findChild<QAction *>(u"AddContent"_s)->trigger();
    QCOMPARE(shownContent, &windows.ContentAddForm());
    QCOMPARE(project->Generator().Pages().Count(), 0);
}

void StartupTest::aboutBoxReadsAsItShould()
{
    TForm2 about;
    QCOMPARE(about.windowTitle(), u"О программе"_s);
    QCOMPARE(about.size(), QSize(375, 210));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    ZARVIK_FIND(memo, QPlainTextEdit, &about, u"Memo1"_s);
    const QStringList lines = memo->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], u"Версия 2.0 от 12.01.2009"_s);
    QVERIFY(!lines[1].isEmpty() && !lines[2].isEmpty());
    QCOMPARE(lines[3], QString());
    QVERIFY(memo->isReadOnly());
}

void StartupTest::terminationClosesTheMainWindowLikeQuit()
{
    TApplicationWindows windows;
    TForm1 &frame = windows.MainWindow();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    {
        TTerminationWatcher watcher(frame, windows.Busy());
        std::raise(SIGTERM);
        // The signal reaches the window through the event loop.
        QTRY_VERIFY(!frame.isVisible());
    }
    // Without a watcher the handler stays (the program is on its way out): a late signal
    // neither ends the process nor reaches the window, and a new watcher starts afresh.
    struct sigaction current = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &current), 0);
    QVERIFY(current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN);
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    std::raise(SIGTERM);
    QTest::qWait(4 * TIdleQueue::PollMs);
    QVERIFY(frame.isVisible());
    TTerminationWatcher again(frame, windows.Busy());
    QTest::qWait(4 * TIdleQueue::PollMs);
    QVERIFY(frame.isVisible());
    std::raise(SIGTERM);
    QTRY_VERIFY(!frame.isVisible());
}

void StartupTest::terminationWaitsForBoxesDialogsAndLongWork()
{
    TApplicationWindows windows;
    TForm1 &frame = windows.MainWindow();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    // The tests' own processing of events is the idle level here.
    TTerminationWatcher watcher(frame, windows.Busy(), 0);
    frame.findChild<QAction *>(u"NewProject"_s)->trigger();
    frame.Projects().front()->Generator().SetSiteTitle("Garden");

    // Signals while the close question is open: the box and the project stay until the user
    // answers; then the close goes on, and only after the command the program quits.
    QString asked;
    bool stayedOpen = false;
    WhenModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        asked = box ? box->text() : QString();
        std::raise(SIGTERM);
        std::raise(SIGHUP);
        QTest::qWait(4 * TIdleQueue::PollMs);
        stayedOpen =
            watcher.Pending() && frame.isVisible() && dialog->isVisible() && frame.Projects().size() == 1;
        if (box)
            box->button(QMessageBox::Discard)->click();
    });
    frame.findChild<QAction *>(u"CloseProject"_s)->trigger();
    QCOMPARE(asked, u"Сохранить проект Untitled0?"_s);
    QVERIFY(stayedOpen);
    QVERIFY(frame.Projects().isEmpty());
    QTRY_VERIFY(!frame.isVisible());
    QVERIFY(!watcher.Pending());

    // A long operation that lets events through holds the request until it ends.
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    {
        const TBusyScope busy(windows.Busy());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        std::raise(SIGINT);
        QTest::qWait(4 * TIdleQueue::PollMs);
        QVERIFY(frame.isVisible());
    }
    QVERIFY(!QGuiApplication::overrideCursor());
    QTRY_VERIFY(!frame.isVisible());
}

void StartupTest::titlesGetNoApplicationSuffix()
{
    // The window system appends a display name, when one is set, to every title it shows; so
    // none may be set, and the display name just follows the application's name.
    SetUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    QCOMPARE(QCoreApplication::applicationName(), u"Zarvik"_s);
    QCoreApplication::setApplicationName(u"Проверка"_s);
    const QString shown = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(u"Zarvik"_s);
    QCOMPARE(shown, u"Проверка"_s);

    TApplicationWindows windows;
    QCOMPARE(windows.MainWindow().windowTitle(), u"Zarvik"_s);
    QCOMPARE(windows.AboutBox().windowTitle(), u"О программе"_s);
    QCOMPARE(windows.ContentAddForm().windowTitle(), u"Добавить контент к сайту"_s);
}

void StartupTest::startedProgramsInheritNoDescriptorAndLeaveTheSession()
{
    // The program's own descriptors as they are while it runs: the signal socket, the lock and
    // socket of the single instance.
    TApplicationWindows windows;
    TTerminationWatcher watcher(windows.MainWindow(), windows.Busy());
    QTemporaryDir runtime;
    TSingleInstance instance(runtime.path());
    QVERIFY(instance.Listen());

    TRecordingDesktop desktop;
    const QByteArray oldPath = qgetenv("PATH");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("PATH", QFile::encodeName(desktop.Root.filePath(u"bin"_s)) + ':' + oldPath);
    qputenv("XDG_DATA_HOME", QFile::encodeName(desktop.Root.filePath(u"data"_s)));
    // The question to the desktop gets the file to write as its first argument: give it one.
    const bool opened =
        TDesktopBrowserLauncher().Open(QFile::encodeName(desktop.Root.filePath(u"browser"_s)).toStdString());
    qputenv("PATH", oldPath);
    qputenv("XDG_DATA_HOME", oldData);
    QVERIFY(opened);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.Seen(u"browser"_s).isEmpty(), 10000);
    // Standard input and output are the null device; error output and whatever this test was
    // given by its own parent are all that reach the browser.
    QStringList seen = desktop.Seen(u"browser"_s).split(u' ');
    QCOMPARE(seen.takeLast(), u"leader"_s);
    QStringList expected = InheritedDescriptors;
    for (const QString &standard : {u"0"_s, u"1"_s, u"2"_s}) {
        if (!expected.contains(standard))
            expected.append(standard);
    }
    std::sort(expected.begin(), expected.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    QCOMPARE(seen, expected);
}

void StartupTest::burstsOfSignalsNeverBlockTheProgram()
{
    TApplicationWindows windows;
    TForm1 &frame = windows.MainWindow();
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    TTerminationWatcher watcher(frame, windows.Busy(), 0);
    // Far more signals than the socket holds bytes, while the program handles no event.
    for (int i = 0; i < 100000; ++i)
        std::raise(SIGTERM);
    QTRY_VERIFY(!frame.isVisible());
}

namespace {

QStringList LoggedMessages;

void RecordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    LoggedMessages.append(text);
}

} // namespace

void StartupTest::qtsOwnTextsReadInRussianAfterSetUp()
{
    SetUpApplication(*qApp);
    // The file dialog: its labels, and the kinds of entry in its list.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), u"Перейти к:"_s);
    QCOMPARE(QCoreApplication::translate("QFileSystemModel", "Date Modified"), u"Дата изменения"_s);
    const QAbstractFileIconProvider icons;
    QCOMPARE(icons.type(QFileInfo(QDir::tempPath())), u"Папка"_s);
    // Standard buttons and the line edits' own menu.
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), u"Отмена"_s);
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList captions;
    for (const QAction *action : menu->actions())
        captions.append(action->text().remove(u'&').section(u'\t', 0, 0));
    QVERIFY2(captions.contains(u"Копировать"_s), qPrintable(captions.join(u", "_s)));

    // The program's own captions stay as they are, English ones included.
    TApplicationWindows windows;
    const auto *open = windows.ContentAddForm().findChild<QAction *>(u"FileOpen1"_s);
    QVERIFY(open);
    QCOMPARE(open->text(), u"&Open..."_s);

    // Without the file the program goes on, silently, with the texts it has.
    LoggedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(RecordMessage);
    const bool installed = InstallQtTranslations(*qApp, u"/nonexistent-zarvik-translations"_s);
    qInstallMessageHandler(previous);
    QVERIFY(!installed);
    QVERIFY2(LoggedMessages.isEmpty(), qPrintable(LoggedMessages.join(u'\n')));
    QCOMPARE(icons.type(QFileInfo(QDir::tempPath())), u"Папка"_s);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::StartupTest)
#include "StartupTest.moc"
