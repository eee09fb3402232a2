#include "ui/shell/Startup.h"

#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/Application.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/about.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

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
};

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
    // Without a watcher the default disposition is back; nothing else is left behind.
    struct sigaction current = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &current), 0);
    QVERIFY(current.sa_handler == SIG_DFL);
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
            box->button(QMessageBox::Cancel)->click();
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

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::StartupTest)
#include "StartupTest.moc"
