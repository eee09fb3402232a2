#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QApplication;
class QCoreApplication;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace zarvik {

class TBusyCounter;

// Installs Qt's Russian translations of its own texts (standard buttons, file dialogs), from
// the folder given or else Qt's translations folder. Returns false when they are not installed;
// the program then runs with Qt's built-in texts.
bool InstallQtTranslations(QCoreApplication &app, const QString &folder = QString());

// The application's title and translations, before any window is created. No display name is
// set, so window and box titles read exactly as the windows give them.
void SetUpApplication(QApplication &app);

// The event-loop level at which the program waits for the user between commands: 1 inside
// QApplication::exec(). Code that processes events without a loop of its own (a test) idles at 0.
constexpr int ProgramIdleLoopLevel = 1;

// True when nothing of the program is under way: no modal dialog or message box, no pop-up
// menu, no event loop nested below `idleLoopLevel` (a drag, a menu's exec) and no long operation
// on `busy`. Only then may a request from outside the program act on its windows.
bool ApplicationIdle(const TBusyCounter &busy, int idleLoopLevel = ProgramIdleLoopLevel);

// Actions that arrive from outside the program and must not run inside a dialog's loop or a
// command: each waits until the application is idle, then they run in the order posted. The
// counter must outlive the queue.
class TIdleQueue : public QObject
{
    Q_OBJECT
public:
    // Milliseconds between two looks while the program is busy.
    static constexpr int PollMs = 50;

    explicit TIdleQueue(const TBusyCounter &busy, int idleLoopLevel = ProgramIdleLoopLevel,
                        QObject *parent = nullptr);

    void Post(std::function<void()> action);
    bool Pending() const { return !FActions.empty(); }

private:
    void RunIfIdle();

    const TBusyCounter &FBusy;
    int FIdleLoopLevel;
    QTimer *FTimer;
    std::deque<std::function<void()>> FActions;
};

// Closes a window when the process is asked to end (SIGTERM, SIGINT, SIGHUP), so a session end
// or a `kill` takes the same road as the Quit command, save questions included. A request that
// arrives while a dialog is open or a command runs is remembered and carried out once the
// program is idle again; several requests meanwhile count as one. One instance at a time. The
// signal handler, once installed, stays until the process ends: a signal after the watcher is
// gone (the program is shutting down) is let go.
class TTerminationWatcher : public QObject
{
    Q_OBJECT
public:
    TTerminationWatcher(QWidget &window, const TBusyCounter &busy, int idleLoopLevel = ProgramIdleLoopLevel);
    ~TTerminationWatcher() override;

    // Whether a request waits for the program to become idle.
    bool Pending() const { return FQueue->Pending(); }

private:
    void Terminate();

    QWidget &FWindow;
    TIdleQueue *FQueue;
    QSocketNotifier *FNotifier = nullptr;
};

} // namespace zarvik
