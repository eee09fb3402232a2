#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <functional>

class QProgressDialog;
class QWidget;

namespace zarvik {

class TSiteGenerator;

// The long operations of the user interface under way. The application owns one and hands it to
// its windows through their services; requests from outside the program (a termination signal,
// files handed over by another start) wait while it is active.
class TBusyCounter
{
public:
    TBusyCounter() = default;
    TBusyCounter(const TBusyCounter &) = delete;
    TBusyCounter &operator=(const TBusyCounter &) = delete;

    // Whether any scope on this counter is alive.
    bool Active() const { return FDepth > 0; }

    // How long an operation of the program may run before its progress dialog appears
    // (TProgressScope); half a second unless set otherwise.
    qint64 ProgressDelayMs() const { return FProgressDelayMs; }
    void SetProgressDelayMs(qint64 ms) { FProgressDelayMs = ms; }

private:
    friend class TBusyScope;
    int FDepth = 0;
    qint64 FProgressDelayMs = 500;
};

// Marks a long operation of the user interface for its lifetime: the counter is active and the
// mouse pointer shows the busy cursor over the program's windows. Scopes nest; the counter must
// outlive them.
class TBusyScope
{
public:
    explicit TBusyScope(TBusyCounter &counter);
    ~TBusyScope();
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

private:
    TBusyCounter &FCounter;
};

// Shows a progress dialog while one long operation runs. Its progress reports drive it: those of
// a generator, whose callback the scope sets for its lifetime, or those passed to Callback(). The
// dialog appears at the first report once the operation has taken longer than the delay (the busy
// counter's, half a second, unless told otherwise), so quick operations show nothing, though the busy cursor
// is on from the start.
class TProgressScope
{
public:
    // Milliseconds an operation may run before the dialog appears: the busy counter's delay.
    static constexpr qint64 ShowAfterMs = -1;
    // The delay for operations that start with a check of their own before their main work, so
    // that the dialog is up soon after the command (the export); a shorter delay of the busy
    // counter wins.
    static constexpr qint64 ShowSoonAfterMs = 200;

    // Driven by the generator's progress reports; the callback is removed again when the scope ends.
    TProgressScope(QWidget *parent, TBusyCounter &busy, TSiteGenerator &generator, const QString &label,
                   qint64 showAfterMs = ShowAfterMs);
    // Driven by the reports given to Callback().
    TProgressScope(QWidget *parent, TBusyCounter &busy, const QString &label,
                   qint64 showAfterMs = ShowAfterMs);
    // A callback that reports to this scope; it must not be called once the scope has ended.
    std::function<void(std::size_t done, std::size_t total)> Callback()
    {
        return [this](std::size_t done, std::size_t total) { Report(done, total); };
    }
    ~TProgressScope();
    TProgressScope(const TProgressScope &) = delete;
    TProgressScope &operator=(const TProgressScope &) = delete;

    // Whether the dialog has been shown.
    bool Shown() const { return FDialog != nullptr; }
    QProgressDialog *Dialog() const { return FDialog; }

    void Report(std::size_t done, std::size_t total);

private:
    QWidget *FParent;
    TSiteGenerator *FGenerator = nullptr;
    QString FLabel;
    qint64 FShowAfterMs;
    TBusyScope FBusy;
    QElapsedTimer FClock;
    // Since the window last repainted while the dialog is shown.
    QElapsedTimer FPump;
    static constexpr qint64 PumpEveryMs = 100;
    QProgressDialog *FDialog = nullptr; // owned
};

} // namespace zarvik
