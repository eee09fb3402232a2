#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstddef>

class QProgressDialog;
class QWidget;

namespace zarvik {

class TSiteGenerator;

// Marks a long operation of the user interface for its lifetime: the mouse pointer shows the
// busy cursor over the program's windows, and requests from outside the program (a termination
// signal, files handed over by another start) wait until no such operation runs. Scopes nest.
class TBusyScope
{
public:
    TBusyScope();
    ~TBusyScope();
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

    // Whether any scope is alive.
    static bool Active() { return Depth > 0; }

private:
    static inline int Depth = 0;
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

    TProgressScope(QWidget *parent, TSiteGenerator &generator, const QString &label,
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
