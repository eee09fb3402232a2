#include "ui/shell/CommandLine.h"

#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/FrameFixture.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

std::string Native(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// A socket name no other test run uses.
QString UniqueName(const char *what)
{
    static int counter = 0;
    return u"zarvik-test-"_s + QString::number(QCoreApplication::applicationPid()) + u'-' +
           QString::fromLatin1(what) + u'-' + QString::number(++counter);
}

// Hands the files over from another thread, as a second program would, while this thread's
// event loop serves the receiving side.
bool HandOverFromAnotherThread(const QString &name, const QStringList &files, int timeoutMs = 5000)
{
    std::atomic<int> result{-1};
    std::thread client([&] { result = TSingleInstance::HandOver(name, files, timeoutMs) ? 1 : 0; });
    while (result < 0)
        QTest::qWait(10);
    client.join();
    return result == 1;
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void argumentsAreParsed_data();
    void argumentsAreParsed();
    void filesOpenAsOpenDoesAndErrorsDoNotStopTheRest();
    void aSecondStartHandsItsFilesToTheFirst();
    void aLiveProgramKeepsItsNameAStaleSocketIsReplaced();
};

void CommandLineTest::argumentsAreParsed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("files");

    const int run = static_cast<int>(TCommandLine::TAction::Run);
    const int help = static_cast<int>(TCommandLine::TAction::Help);
    const int version = static_cast<int>(TCommandLine::TAction::Version);
    const int error = static_cast<int>(TCommandLine::TAction::Error);
    QTest::newRow("nothing") << QStringList() << run << QStringList();
    QTest::newRow("files in order") << QStringList{u"b.sgp"_s, u"/a.sgp"_s} << run
                                    << QStringList{u"b.sgp"_s, u"/a.sgp"_s};
    QTest::newRow("help") << QStringList{u"--help"_s} << help << QStringList();

    QTest::newRow("version") << QStringList{u"--version"_s} << version << QStringList();

    QTest::newRow("unknown option") << QStringList{u"a.sgp"_s, u"--open"_s} << error
                                    << QStringList{u"a.sgp"_s};
    QTest::newRow("double dash ends options")
        << QStringList{u"--"_s, u"--help"_s, u"-x.sgp"_s} << run << QStringList{u"--help"_s, u"-x.sgp"_s};
}

void CommandLineTest::argumentsAreParsed()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, files);
    const TCommandLine line = ParseCommandLine(arguments);
    QCOMPARE(static_cast<int>(line.Action), action);
    QCOMPARE(line.Files, files);
    QCOMPARE(line.Error.isEmpty(), line.Action != TCommandLine::TAction::Error);
    if (line.Action == TCommandLine::TAction::Error)
        QCOMPARE(line.Error, u"неизвестный параметр «--open»"_s);
    QCOMPARE(VersionText(), u"zarvik 2.0\n"_s);
    QCOMPARE(AbsoluteFiles({u"p.sgp"_s, u"sub/../q.sgp"_s, u"/abs/r.sgp"_s}, u"/home/u"_s),
             QStringList({u"/home/u/p.sgp"_s, u"/home/u/q.sgp"_s, u"/abs/r.sgp"_s}));
}

void CommandLineTest::filesOpenAsOpenDoesAndErrorsDoNotStopTheRest()
{
    auto fixture = std::make_unique<TFrameFixture>();
    TSiteGenerator generator;
    generator.SetSiteTitle(Ru("Сад"));
    const QString first = fixture->Path(u"first.sgp"_s);
    const QString second = fixture->Path(u"второй.sgp"_s);
    SaveProject(Native(first), generator);
    generator.SetSiteTitle("Two");
    SaveProject(Native(second), generator);
    const QString missing = fixture->Path(u"missing.sgp"_s);

    fixture->Form->OpenProjectFiles({first, missing, second});

    QCOMPARE(fixture->NodeTexts(), QStringList({first, second}));
    const QList<TSiteProject *> projects = fixture->Form->Projects();
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects[0]->windowTitle(), first);
    QCOMPARE(projects[1]->ProjectName(), second);
    QCOMPARE(projects[0]->Generator().SiteTitle(), Ru("Сад"));
    QVERIFY(!projects[1]->Generator().Changed());
    // The missing file is reported exactly as Open reports it, and leaves no window behind.
    QCOMPARE(fixture->Fakes.Errors.Shown, std::vector<std::string>{"Cannot open file \"" + Native(missing) +
                                                                   "\". No such file or directory."});
    QCOMPARE(fixture->Form->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(fixture->Form->ActiveProject(), projects[1]);
    QVERIFY(fixture->Fakes.Dialogs.Calls.empty());
    QVERIFY(CloseFixture(fixture));
}

void CommandLineTest::aSecondStartHandsItsFilesToTheFirst()
{
    const QString name = UniqueName("handover");
    TSingleInstance first(name);
    QVERIFY(first.Listen());
    QSignalSpy received(&first, &TSingleInstance::FilesReceived);

    const QStringList files{u"/home/u/сад.sgp"_s, u"/tmp/a b\nc.sgp"_s};
    QVERIFY(HandOverFromAnotherThread(name, files));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toStringList(), files);

    // A second hand-over on the same running program works as well.
    QVERIFY(HandOverFromAnotherThread(name, {u"/x.sgp"_s}));
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received[1][0].toStringList(), QStringList{u"/x.sgp"_s});
    // With no program listening the second start runs on its own.
    QVERIFY(!TSingleInstance::HandOver(UniqueName("nobody"), {u"/a.sgp"_s}, 500));
}

void CommandLineTest::aLiveProgramKeepsItsNameAStaleSocketIsReplaced()
{
    const QString name = UniqueName("taken");
    {
        TSingleInstance first(name);
        QVERIFY(first.Listen());
        QVERIFY(!TSingleInstance(name).Listen());
        QVERIFY(first.Listening());
    }
    // A crashed program leaves its socket file behind; a plain file at that place stands for it.
    QLocalServer crashed;
    QVERIFY(crashed.listen(name));
    const QString path = crashed.fullServerName();
    crashed.close();
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    QVERIFY(TSingleInstance(name).Listen());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::CommandLineTest)
#include "CommandLineTest.moc"
