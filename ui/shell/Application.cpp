#include "ui/shell/Application.h"

#include "ui/project/ProgressScope.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

// Qt's translations as installed, and the texts whose context Qt renamed after the installed
// translation was made under the old name: the file dialog's "Folder", "Drive" and "%1 File"
// now come from the icon provider, whose strings the file holds under QFileDialog.
class TQtTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        if (text.isEmpty() && context && std::string_view(context) == "QAbstractFileIconProvider")
            text = QTranslator::translate("QFileDialog", sourceText, disambiguation, n);
        return text;
    }
};

} // namespace

bool InstallQtTranslations(QCoreApplication &app, const QString &folder)
{
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new TQtTranslator(&app);
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

// The socket pair the signal handler writes to and the event loop reads from: made by the first
// watcher and kept, with the handler, until the process ends, so that a signal at any moment,
// even one during shutdown, finds an open descriptor (never a closed one whose number was given
// to another file) and never the default action that would end the program outside its usual
// way out.
std::atomic<int> TerminationRead{-1};
std::atomic<int> TerminationWrite{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Non-blocking: with the socket full the byte is dropped, and the ones already there make
    // the same request.
    [[maybe_unused]] const auto written = ::write(TerminationWrite.load(), &byte, 1);
    errno = savedErrno;
}

// Makes the socket pair and installs the handler, once per process; false when the pair cannot
// be made.
bool SetUpTerminationSignals()
{
    if (TerminationRead.load() >= 0)
        return true;
    // Non-blocking, so that a burst of signals can never block the handler on a full socket, and
    // closed on exec, so that no program started from here inherits it.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    TerminationRead.store(pair[0]);
    TerminationWrite.store(pair[1]);
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

// Reads away the requests that wait in the socket.
void DrainTerminationRequests()
{
    char bytes[256];
    while (::read(TerminationRead.load(), bytes, sizeof bytes) > 0) {
    }
}

} // namespace

TTerminationWatcher::TTerminationWatcher(QWidget &window, const TBusyCounter &busy, int idleLoopLevel)
    : FWindow(window)
    , FQueue(new TIdleQueue(busy, idleLoopLevel, this))
{
    if (!SetUpTerminationSignals())
        return;
    // Requests that came while no watcher was there were for the windows of that time.
    DrainTerminationRequests();
    FNotifier = new QSocketNotifier(TerminationRead.load(), QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationWatcher::Terminate);
}

// The handler and the socket stay: the program is on its way out, and a signal now must neither
// end it by the default action nor write to a descriptor reused for something else.
TTerminationWatcher::~TTerminationWatcher()
{
    delete FNotifier;
}

void TTerminationWatcher::Terminate()
{
    // Several signals count as one request.
    DrainTerminationRequests();
    // Closing the window from inside a dialog's loop would destroy project windows under the
    // command that opened the dialog.
    if (!FQueue->Pending())
        FQueue->Post([this] { FWindow.close(); });
}

} // namespace zarvik
