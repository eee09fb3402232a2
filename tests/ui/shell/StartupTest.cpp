#include "ui/shell/Startup.h"

#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"
#include "ui/shell/Application.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/about.h"

#include <QAction>
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
        TTerminationWatcher watcher(frame);
        std::raise(SIGTERM);
        // The signal reaches the window through the event loop.
        QTRY_VERIFY(!frame.isVisible());
    }
    // Without a watcher the default disposition is back; nothing else is left behind.
    struct sigaction current = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &current), 0);
    QVERIFY(current.sa_handler == SIG_DFL);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::StartupTest)
#include "StartupTest.moc"
