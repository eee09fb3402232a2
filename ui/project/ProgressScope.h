#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>

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

private:
    friend class TBusyScope;
    int FDepth = 0;
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

// Shows a progress dialog while one long engine operation runs. The generator's progress reports
// drive it; the dialog appears only once the operation has taken longer than half a second, so
// quick operations show nothing, though the busy cursor is on from the start. The callback is
// removed again when the scope ends.
class TProgressScope
{
public:
    // Milliseconds an operation may run before the dialog appears.
    static constexpr qint64 ShowAfterMs = 500;

    TProgressScope(QWidget *parent, TBusyCounter &busy, TSiteGenerator &generator, const QString &label,
                   qint64 showAfterMs = ShowAfterMs);
    ~TProgressScope();
    TProgressScope(const TProgressScope &) = delete;
    TProgressScope &operator=(const TProgressScope &) = delete;

    // Whether the dialog has been shown.
    bool Shown() const { return FDialog != nullptr; }
    QProgressDialog *Dialog() const { return FDialog; }

    void Report(std::size_t done, std::size_t total);

private:
    QWidget *FParent;
    TSiteGenerator &FGenerator;
    QString FLabel;
    qint64 FShowAfterMs;
    TBusyScope FBusy;
    QElapsedTimer FClock;
    QProgressDialog *FDialog = nullptr; // owned
};

} // namespace zarvik
