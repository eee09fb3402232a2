#include "ui/shell/Application.h"

#include "ui/project/ProgressScope.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

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
    // A display name would be appended to every window title by the window system's
    // integration ("О программе — Zarvik"); the titles are exact without one.
    QApplication::setApplicationName(u"Zarvik"_s);
    QApplication::setQuitOnLastWindowClosed(true);
    InstallQtTranslations(app);
}

bool ApplicationIdle(const TBusyCounter &busy, int idleLoopLevel)
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || busy.Active())
        return false;
    return QThread::currentThread()->loopLevel() <= idleLoopLevel;
}

TIdleQueue::TIdleQueue(const TBusyCounter &busy, int idleLoopLevel, QObject *parent)
    : QObject(parent)
    , FBusy(busy)
    , FIdleLoopLevel(idleLoopLevel)
    , FTimer(new QTimer(this))
{
    FTimer->setInterval(PollMs);
    connect(FTimer, &QTimer::timeout, this, &TIdleQueue::RunIfIdle);
}

void TIdleQueue::Post(std::function<void()> action)
{
    FActions.push_back(std::move(action));
    // The first look comes from the event loop, never from inside the caller.
    if (!FTimer->isActive())
        FTimer->start(0);
}

void TIdleQueue::RunIfIdle()
{
    if (!ApplicationIdle(FBusy, FIdleLoopLevel)) {
        FTimer->start(PollMs);
        return;
    }
    FTimer->stop();
    while (!FActions.empty()) {
        std::function<void()> action = std::move(FActions.front());
        FActions.pop_front();
        action();
        // An action that left a dialog open (or was itself interrupted) hands the rest on.
        if (!FActions.empty() && !ApplicationIdle(FBusy, FIdleLoopLevel)) {
            FTimer->start(PollMs);
            return;
        }
    }
}

namespace {

// Written by the signal handler, read by the event loop: the only state a handler may touch.
int TerminationPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(TerminationPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TTerminationWatcher::TTerminationWatcher(QWidget &window, const TBusyCounter &busy, int idleLoopLevel)
    : FWindow(window)
    , FQueue(new TIdleQueue(busy, idleLoopLevel, this))
{
    // Non-blocking, so that a burst of signals can never block the handler on a full socket, and
    // closed on exec, so that no program started from here inherits it.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, TerminationPipe) != 0)
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
    // Several signals count as one request.
    char bytes[256];
    while (::read(TerminationPipe[0], bytes, sizeof bytes) > 0) {
    }
    // Closing the window from inside a dialog's loop would destroy project windows under the
    // command that opened the dialog.
    if (!FQueue->Pending())
        FQueue->Post([this] { FWindow.close(); });
}

} // namespace zarvik
