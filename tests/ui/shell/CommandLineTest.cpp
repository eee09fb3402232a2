#include "ui/shell/CommandLine.h"

#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/FrameFixture.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

std::string Native(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// A private folder for one program's lock and socket, as the desktop gives each user.
struct TInstanceFolder
{
    TInstanceFolder()
        : Path(Runtime.path() + u"/zarvik"_s)
    {
        QDir().mkpath(Path);
        QFile::setPermissions(Path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QTemporaryDir Runtime;
    QString Path;
};

// Hands the files over from another thread, as a second program would, while this thread's
// event loop serves the receiving side.
bool HandOverFromAnotherThread(const QString &folder, const QStringList &files)
{
    std::atomic<int> result{-1};
    std::thread client([&] { result = TSingleInstance::HandOver(folder, files) ? 1 : 0; });
    while (result < 0)
        QTest::qWait(10);
    client.join();
    return result == 1;
}

// A child process started with `arguments`, its standard error going to `errorFile`, and
// `XDG_RUNTIME_DIR` set to `runtime` when that is given. Killed when it is still running at the end.
class TChild
{
public:
    TChild(const QStringList &arguments, const QString &errorFile, const QString &runtime = {})
    {
        std::vector<QByteArray> args;
        for (const QString &argument : arguments)
            args.push_back(QFile::encodeName(argument));
        std::vector<char *> argv;
        for (QByteArray &argument : args)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::vector<QByteArray> env;
        for (char **entry = environ; *entry; ++entry) {
            if (!QByteArray(*entry).startsWith("XDG_RUNTIME_DIR="))
                env.emplace_back(*entry);
        }
        if (!runtime.isEmpty())
            env.push_back("XDG_RUNTIME_DIR=" + QFile::encodeName(runtime));
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
        env.emplace_back("ASAN_OPTIONS=detect_leaks=0");
        std::vector<char *> envp;
        for (QByteArray &entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const QByteArray error = QFile::encodeName(errorFile);
        posix_spawn_file_actions_addopen(&actions, 2, error.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TChild()
    {
        if (Running()) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
    }
    bool Started() const { return FPid > 0; }
    bool Running()
    {
        if (FPid <= 0 || FStatus >= 0)
            return false;
        int status = 0;
        if (::waitpid(FPid, &status, WNOHANG) != FPid)
            return true;
        FStatus = status;
        return false;
    }
    // Runs the event loop until the child has ended; its exit status, or -1.
    int Wait(int timeoutMs = 20000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (Running() && !deadline.hasExpired())
            QTest::qWait(20);
        return FStatus >= 0 && WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : -1;
    }
    void Kill()
    {
        ::kill(FPid, SIGKILL);
        Wait();
    }

private:
    pid_t FPid = -1;
    int FStatus = -1;
};

QString ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Waits without handling a single event, as a program busy with a long command does, until the
// file holds `text`.
bool BusyUntilFileSays(const QString &path, const QString &text, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!ReadText(path).contains(text)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

const QString BusyNote = u"запущенная программа занята"_s;

// A client of the hand-over written in another language, so that it can run as another user.
constexpr char PythonClient[] = R"(import socket, struct, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
name = sys.argv[2].encode('utf-16-be')
s.sendall(struct.pack('>III', 0x5a525632, 1, len(name)) + name)
s.settimeout(10)
def byte():
    try:
        return s.recv(1)
    except OSError:
        return b''
answer = byte()
if answer == b'Q':
    s.sendall(b'Y')
    answer += byte()
sys.stderr.write(repr(answer))
)";

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
    void aSecondStartWaitsForABusyProgram();
    void aStartThatGaveUpLeavesNothingToOpen();
    void anotherUserIsTurnedAway();
    void theFolderIsPrivate();
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
    TInstanceFolder folder;
    TSingleInstance first(folder.Path);
    QVERIFY(first.Listen());
    QSignalSpy received(&first, &TSingleInstance::FilesReceived);

    const QStringList files{u"/home/u/сад.sgp"_s, u"/tmp/a b\nc.sgp"_s};
    QVERIFY(HandOverFromAnotherThread(folder.Path, files));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toStringList(), files);

    // A second hand-over on the same running program works as well.
    QVERIFY(HandOverFromAnotherThread(folder.Path, {u"/x.sgp"_s}));
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received[1][0].toStringList(), QStringList{u"/x.sgp"_s});
    // With no program holding the lock the second start runs on its own.
    TInstanceFolder empty;
    QVERIFY(!TSingleInstance::HandOver(empty.Path, {u"/a.sgp"_s}));
}

void CommandLineTest::aLiveProgramKeepsItsNameAStaleSocketIsReplaced()
{
    TInstanceFolder folder;
    {
        TSingleInstance first(folder.Path);
        QVERIFY(first.Listen());
        QVERIFY(!TSingleInstance(folder.Path).Listen());
        QVERIFY(first.Listening());
    }
    // A crashed program leaves its socket file behind; a plain file at that place stands for it.
    QFile stale(folder.Path + u"/socket"_s);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    TSingleInstance next(folder.Path);
    QVERIFY(next.Listen());
    QSignalSpy received(&next, &TSingleInstance::FilesReceived);
    QVERIFY(HandOverFromAnotherThread(folder.Path, {u"/y.sgp"_s}));
    QTRY_COMPARE(received.size(), 1);
}

void CommandLineTest::aSecondStartWaitsForABusyProgram()
{
    TInstanceFolder folder;
    TSingleInstance first(folder.Path);
    QVERIFY(first.Listen());
    QSignalSpy received(&first, &TSingleInstance::FilesReceived);
    const QString project = folder.Runtime.filePath(u"сад.sgp"_s);
    const QString errors = folder.Runtime.filePath(u"second.err"_s);

    TChild second({QStringLiteral(ZARVIK_BIN), project}, errors, folder.Runtime.path());
    QVERIFY(second.Started());
    // This program answers nothing: the second start says so after two seconds and keeps waiting,
    // neither ending nor running as a program of its own.
    QVERIFY2(BusyUntilFileSays(errors, BusyNote), qPrintable(ReadText(errors)));
    QThread::msleep(500);
    QVERIFY(second.Running());
    QVERIFY(received.isEmpty());

    // Once this program is idle again it takes the file, exactly once, and the second start ends.
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 20000);
    QCOMPARE(received[0][0].toStringList(), QStringList{project});
    QCOMPARE(second.Wait(), 0);
    QTest::qWait(200);
    QCOMPARE(received.size(), 1);
}

void CommandLineTest::aStartThatGaveUpLeavesNothingToOpen()
{
    TInstanceFolder folder;
    TSingleInstance first(folder.Path);
    QVERIFY(first.Listen());
    QSignalSpy received(&first, &TSingleInstance::FilesReceived);
    const QString errors = folder.Runtime.filePath(u"second.err"_s);

    TChild second({QStringLiteral(ZARVIK_BIN), folder.Runtime.filePath(u"a.sgp"_s)}, errors,
                  folder.Runtime.path());
    QVERIFY(BusyUntilFileSays(errors, BusyNote));
    // The user gives up on the waiting start; its request is still in the socket.
    second.Kill();
    QTest::qWait(1000);
    QVERIFY(received.isEmpty());
    // The program still serves the next start.
    QVERIFY(HandOverFromAnotherThread(folder.Path, {u"/b.sgp"_s}));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toStringList(), QStringList{u"/b.sgp"_s});
}

void CommandLineTest::anotherUserIsTurnedAway()
{
    // A folder others may enter and a socket they may connect to: only the program's own check
    // on the peer stands between them and the hand-over.
    QTemporaryDir shared;
    QFile::setPermissions(shared.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                             QFile::ExeGroup);
    TSingleInstance first(shared.path());
    first.AllowAnyoneToConnect();
    QVERIFY(first.Listen());
    QSignalSpy received(&first, &TSingleInstance::FilesReceived);
    const QString socket = shared.path() + u"/socket"_s;
    const QString answers = shared.filePath(u"answers"_s);

    // The same client as the same user is served: the client speaks the hand-over correctly.
    TChild own({u"/usr/bin/python3"_s, u"-c"_s, QString::fromUtf8(PythonClient), socket, u"/own.sgp"_s},
               answers);
    QCOMPARE(own.Wait(), 0);
    QCOMPARE(ReadText(answers), u"b'QK'"_s);
    QCOMPARE(received.size(), 1);

    TChild foreign({u"/usr/bin/setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                    u"/usr/bin/python3"_s, u"-c"_s, QString::fromUtf8(PythonClient), socket,
                    u"/theirs.sgp"_s},
                   answers);
    QCOMPARE(foreign.Wait(), 0);
    QCOMPARE(ReadText(answers), u"b''"_s);
    QTest::qWait(200);
    QCOMPARE(received.size(), 1);
}

void CommandLineTest::theFolderIsPrivate()
{
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString folder = TSingleInstance::DefaultFolder();
    QCOMPARE(folder, runtime.path() + u"/zarvik"_s);
    struct stat info
    {
    };
    QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);

    // A runtime folder others may enter is not used; the program's own folder in the temporary
    // folder is, and a link put in its place by someone else is refused rather than followed.
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
    const QByteArray temp = qgetenv("TMPDIR");
    QTemporaryDir tempRoot;
    qputenv("TMPDIR", QFile::encodeName(tempRoot.path()));
    const QString own = TSingleInstance::DefaultFolder();
    QCOMPARE(own, tempRoot.path() + u"/zarvik-"_s + QString::number(::getuid()));
    QVERIFY(QDir(own).removeRecursively());
    QVERIFY(QFile::link(runtime.path(), own));
    QCOMPARE(TSingleInstance::DefaultFolder(), QString());

    qputenv("TMPDIR", temp);
    qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::CommandLineTest)
#include "CommandLineTest.moc"
