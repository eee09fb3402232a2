#pragma once

#include "app/LinkReport.h"

#include <QDialog>

class QTableWidget;
class QPlainTextEdit;

namespace zarvik {

struct TServices;

// Shows where the links of the last distribution went: a table sortable by every column, then
// the links not handed out and the remarks. "Сохранить как TSV" writes the table through the
// services' save dialog; a write error goes to the services' error display.
class TLinkReportDialog : public QDialog
{
    Q_OBJECT

public:
    TLinkReportDialog(TServices &services, TLinkReport report, QWidget *parent = nullptr);

    QTableWidget *Table() const { return FTable; }
    void SaveTsv();

private:
    TServices &FServices;
    TLinkReport FReport;
    QTableWidget *FTable = nullptr;
    QPlainTextEdit *FNotes = nullptr;
};

} // namespace zarvik
