#include "ui/project/ProgressScope.h"

#include "engine/EXSiteGenerator.h"

#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

namespace zarvik {

TBusyScope::TBusyScope(TBusyCounter &counter)
    : FCounter(counter)
{
    if (FCounter.FDepth++ == 0 && qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyScope::~TBusyScope()
{
    if (--FCounter.FDepth == 0 && qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

TProgressScope::TProgressScope(QWidget *parent, TBusyCounter &busy, TSiteGenerator &generator,
                               const QString &label, qint64 showAfterMs)
    : TProgressScope(parent, busy, label, showAfterMs)
{
    FGenerator = &generator;
    FGenerator->SetProgressCallback(Callback());
}

TProgressScope::TProgressScope(QWidget *parent, TBusyCounter &busy, const QString &label, qint64 showAfterMs)
    : FParent(parent)
    , FLabel(label)
    , FShowAfterMs(showAfterMs < 0 ? busy.ProgressDelayMs() : std::min(showAfterMs, busy.ProgressDelayMs()))
    , FBusy(busy)
{
    FClock.start();
}

TProgressScope::~TProgressScope()
{
    if (FGenerator)
        FGenerator->SetProgressCallback({});
    delete FDialog;
}

void TProgressScope::Report(std::size_t done, std::size_t total)
{
    constexpr std::size_t most = static_cast<std::size_t>(std::numeric_limits<int>::max());
    const int maximum = static_cast<int>(std::min(total, most));
    const int value = static_cast<int>(std::min(done, most));
    if (!FDialog) {
        if (FClock.elapsed() < FShowAfterMs || done >= total)
            return;
        // The engine cannot be interrupted half-way, so the dialog offers no cancel button.
        FDialog = new QProgressDialog(FLabel, QString(), 0, maximum, FParent);
        FDialog->setObjectName(QStringLiteral("ProgressDialog"));
        FDialog->setWindowModality(Qt::WindowModal);
        FDialog->setMinimumDuration(0);
        FDialog->setAutoClose(false);
        FDialog->setAutoReset(false);
        FDialog->show();
    }
    FDialog->setMaximum(maximum);
    // A modal progress dialog lets the window repaint as the value changes; while it stays, the
    // window is let repaint now and then all the same.
    if (FDialog->value() != value) {
        FPump.start();
    } else if (FPump.elapsed() >= PumpEveryMs) {
        QCoreApplication::processEvents();
        FPump.start();
    }
    FDialog->setValue(value);
}

} // namespace zarvik
