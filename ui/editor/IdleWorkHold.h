#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QTimer;

namespace zarvik {

// Holds back the idle work of the editor controls while keys keep coming.
//
// With word wrap on, a control wraps a large document in idle time, in slices of tens of
// milliseconds that a key arriving meanwhile has to wait for. Those slices run from a
// zero-interval timer owned by the control's Scintilla object, an object of the editor library's
// private class QsciScintillaQt, recognised here by that class name. From the first key on, such
// a timer is stopped when it fires and kept; once no key has come for the typing pause, the timers
// kept are started again. The hold covers every control of the application, whichever one is
// typed in.
class TIdleWorkHold : public QObject
{
    Q_OBJECT

public:
    // `typingPause` in milliseconds.
    explicit TIdleWorkHold(int typingPause, QObject *parent = nullptr);
    ~TIdleWorkHold() override;

    // A key came: holds the idle work from now until typing has paused.
    void Typed();
    // Typing has paused: starts the timers kept. The end of the typing pause calls this.
    void Resume();
    bool Holding() const { return FHolding; }

    // While holding, stops and keeps an idle-work timer that fires, and swallows its tick;
    // anything else passes. Installed on the application while holding.
    bool eventFilter(QObject *object, QEvent *event) override;

    // Whether a timer runs the idle work of a control.
    static bool IsIdleWorkTimer(const QObject *object);
    // Runs `work` and returns the idle-work timers it created. A control creates its one the first
    // time it has idle work to do; turning word wrap on is enough. (The Scintilla object is no
    // child of the control, so the timers cannot be found from the control itself.)
    static std::vector<QTimer *> IdleWorkTimersMadeBy(const std::function<void()> &work);

private:
    QTimer *FPause;
    bool FHolding = false;
    std::vector<QPointer<QTimer>> FHeld;
};

} // namespace zarvik
