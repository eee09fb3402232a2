#include "ui/shell/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTranslator>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace zarvik {

bool InstallQtTranslations(QCoreApplication &app, const QString &folder)
{
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new QTranslator(&app);
    if (!translator->load(u"qtbase_ru"_s, where)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void SetUpApplication(QApplication &app)
{
    QApplication::setApplicationName(u"Zarvik"_s);
    QApplication::setApplicationDisplayName(u"Zarvik"_s);
    QApplication::setQuitOnLastWindowClosed(true);
    InstallQtTranslations(app);
}

namespace {

// Written by the signal handler, read by the event loop: the only state a handler may touch.
int TerminationPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(TerminationPipe[1], &byte, 1);
}

} // namespace

TTerminationWatcher::TTerminationWatcher(QWidget &window)
    : FWindow(window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, TerminationPipe) != 0)
        return;
    FNotifier = new QSocketNotifier(TerminationPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationWatcher::Terminate);

    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

TTerminationWatcher::~TTerminationWatcher()
{
    if (!FNotifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    delete FNotifier;
    ::close(TerminationPipe[0]);
    ::close(TerminationPipe[1]);
    TerminationPipe[0] = TerminationPipe[1] = -1;
}

void TTerminationWatcher::Terminate()
{
    char byte = 0;
    [[maybe_unused]] const auto got = ::read(TerminationPipe[0], &byte, 1);
    FWindow.close();
}

} // namespace zarvik
