#include "cli/ServeCommand.h"

#include "cli/Arguments.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"

#ifdef ZARVIK_HAVE_SERVE
#include "app/PreviewPages.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "engine/EXSiteGenerator.h"
#include "preview/PreviewServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zarvik {

#ifdef ZARVIK_HAVE_SERVE
namespace {

quint16 PortArgument(const TParsedArguments &args)
{
    if (!args.Has("port"))
        return 0;
    const std::string text = args.Value("port");
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 65535)
        throw EUsage("--port: ожидается номер порта от 0 до 65535, а не «" + text + "»");
    return static_cast<quint16>(value);
}

// What tells one version of the project file from the next: a save replaces the file (a new
// inode) or at least changes its time or size.
struct TFileStamp
{
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};

    bool operator==(const TFileStamp &other) const
    {
        return Device == other.Device && Inode == other.Inode && Size == other.Size &&
               Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
    }
};

TFileStamp StampOf(const std::string &path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

std::unique_ptr<TSiteGenerator> ReadProject(const std::string &path)
{
    auto generator = std::make_unique<TSiteGenerator>();
    ApplyNewProjectSettings(*generator);
    LoadProject(path, *generator);
    return generator;
}

// The project as the file holds it, read again when the file has changed.
class TServedProject
{
public:
    TServedProject(std::string path, std::ostream &err)
        : FPath(std::move(path))
        , FErr(err)
        , FStamp(StampOf(FPath))
        , FGenerator(ReadProject(FPath))
    {
    }

    TSiteGenerator &Current()
    {
        const TFileStamp stamp = StampOf(FPath);
        if (stamp == FStamp)
            return *FGenerator;
        try {
            FGenerator = ReadProject(FPath);
            FStamp = stamp;
        } catch (const EError &error) {
            // A save under way or a broken file: the pages stay as last read, and the file is
            // tried again on the next request.
            FErr << "warning: " << Cp1251ToUtf8(error.Message()) << std::endl;
        }
        return *FGenerator;
    }

private:
    std::string FPath;
    std::ostream &FErr;
    TFileStamp FStamp;
    std::unique_ptr<TSiteGenerator> FGenerator;
};

// Where the signal handler reports a stop; a signal handler can reach nothing else.
volatile std::sig_atomic_t StopWriteHandle = -1;

extern "C" void NoteStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(StopWriteHandle, &byte, 1);
    errno = saved;
}

// Turns SIGINT and SIGTERM into a readable descriptor that ends the event loop, whichever thread
// the signal lands on; the previous handlers are put back afterwards.
class TStopSignals
{
public:
    TStopSignals()
    {
        if (::pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw EError(Utf8ToCp1251("Не удалось перехватить сигналы остановки"));
        StopWriteHandle = FPipe[1];
        struct sigaction action = {};
        action.sa_handler = NoteStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &FPreviousInt);
        ::sigaction(SIGTERM, &action, &FPreviousTerm);
    }
    ~TStopSignals()
    {
        ::sigaction(SIGINT, &FPreviousInt, nullptr);
        ::sigaction(SIGTERM, &FPreviousTerm, nullptr);
        StopWriteHandle = -1;
        ::close(FPipe[0]);
        ::close(FPipe[1]);
    }
    TStopSignals(const TStopSignals &) = delete;
    TStopSignals &operator=(const TStopSignals &) = delete;

    int Handle() const { return FPipe[0]; }

private:
    int FPipe[2] = {-1, -1};
    struct sigaction FPreviousInt = {};
    struct sigaction FPreviousTerm = {};
};

} // namespace

int RunServeCommand(const TParsedArguments &args, std::ostream &out, std::ostream &err)
{
    const quint16 port = PortArgument(args);
    TServedProject project(args.Positionals.front(), err);
    const TStopSignals stopSignals;

    std::unique_ptr<QCoreApplication> application;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "zarvik-cli";
        static char *argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    TPreviewServer server(
        [&project](const std::string &path) { return RenderPreviewFile(project.Current(), path); });
    server.Start(port);
    QSocketNotifier stop(stopSignals.Handle(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &stop, [] { QCoreApplication::quit(); });
    out << server.Address(PreviewUrlPath("index.html")) << std::endl;
    QCoreApplication::exec();
    return 0;
}

#else

int RunServeCommand(const TParsedArguments &, std::ostream &, std::ostream &)
{
    throw EError(Utf8ToCp1251("Эта сборка zarvik-cli не содержит сервера просмотра"));
}

#endif

std::string_view ServeUsage()
{
    return "Использование: zarvik-cli serve ПРОЕКТ [--port N]\n";
}

std::string_view ServeHelp()
{
    return R"(
Показывает сайт в браузере, не выгружая его: запускает на 127.0.0.1 веб-сервер,
который собирает каждую страницу и style.css в момент запроса, байт в байт так,
как их записал бы export (ссылки не распределяются, тексты страниц берутся
какие есть). Первой строкой печатает адрес index.html вида
http://127.0.0.1:ПОРТ/ПРЕФИКС/index.html; ПРЕФИКС случаен при каждом запуске,
и без него сервер ничего не отдаёт, поэтому другие пользователи компьютера
страниц не увидят. Когда файл проекта меняется (например, после сохранения в
программе Zarvik), следующий запрос читает его заново. Ничего не пишет на
диск. Работает до Ctrl+C (SIGINT) или SIGTERM.

  --port N   слушать порт N; без параметра или 0 — любой свободный
)";
}

} // namespace zarvik
