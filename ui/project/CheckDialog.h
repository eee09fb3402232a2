#pragma once

#include "app/ProjectCheck.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zarvik {

// Lists what the project check found, one line per finding; a huge export is marked as a
// warning. Changes nothing by itself: with a missing charset declaration it offers a button that
// asks for the fix (AddCharsetRequested), and the caller reports it applied with CharsetAdded.
class TCheckDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TCheckDialog(const TCheckResult &result, QWidget *parent = nullptr);

    QListWidget *List() const { return FList; }
    // "Добавить объявление кодировки"; null unless the check found the declaration missing.
    QPushButton *AddCharsetButton() const { return FAddCharset; }
    // The declaration is in the template now: the finding says so and the button goes.
    void CharsetAdded();
    // "Удалить устаревшие страницы"; null unless the check listed stale pages.
    QPushButton *PruneStaleButton() const { return FPruneStale; }

signals:
    void AddCharsetRequested();
    void PruneStaleRequested();
    // The user double-clicked a finding about the page at this index.
    void PageRequested(int pageIndex);

private:
    QListWidget *FList = nullptr;
    QPushButton *FAddCharset = nullptr;
    QPushButton *FPruneStale = nullptr;
    QListWidgetItem *FNoCharset = nullptr;
};

} // namespace zarvik
