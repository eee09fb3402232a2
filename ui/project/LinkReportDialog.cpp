#include "ui/project/LinkReportDialog.h"

#include "app/TextFiles.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

QTableWidgetItem *TextItem(std::string_view cp1251)
{
    auto *item = new QTableWidgetItem(ToQString(cp1251));
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// A number that sorts as a number.
QTableWidgetItem *NumberItem(int value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

TLinkReportDialog::TLinkReportDialog(TServices &services, TLinkReport report, QWidget *parent)
    : QDialog(parent)
    , FServices(services)
    , FReport(std::move(report))
{
    setObjectName(u"LinkReportDialog"_s);
    setWindowTitle(u"Отчёт о ссылках"_s);
    resize(760, 520);

    FTable = new QTableWidget(static_cast<int>(FReport.Entries.size()), 5, this);
    FTable->setObjectName(u"LinkReportTable"_s);
    FTable->setAccessibleName(u"Розданные ссылки"_s);
    FTable->setHorizontalHeaderLabels({u"Страница"_s, u"Адрес"_s, u"Слово"_s, u"Ссылка"_s, u"Замен"_s});
    FTable->verticalHeader()->hide();
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < FTable->rowCount(); ++row) {
        const TLinkReportEntry &e = FReport.Entries[static_cast<std::size_t>(row)];
        FTable->setItem(row, 0, NumberItem(e.PageIndex));
        FTable->setItem(row, 1, TextItem(e.PageUrl));
        FTable->setItem(row, 2, e.Word.empty() ? new QTableWidgetItem(u"?"_s) : TextItem(e.Word));
        FTable->setItem(row, 3, TextItem(e.Link));
        FTable->setItem(row, 4, NumberItem(e.Replacements));
    }
    FTable->setSortingEnabled(true);
    FTable->sortByColumn(0, Qt::AscendingOrder);
    FTable->resizeColumnsToContents();
    FTable->horizontalHeader()->setStretchLastSection(true);

    QString notes;
    if (!FReport.Distributed)
        notes += u"Ссылки не распределялись: ни у одной страницы нет собранного текста.\n"_s;
    if (!FReport.NotHandedOut.empty()) {
        notes += u"Не розданы (%1):\n"_s.arg(FReport.NotHandedOut.size());
        for (const std::string &link : FReport.NotHandedOut)
            notes += u"  "_s + ToQString(link) + u'\n';
    }
    for (const TLinkLint &lint : FReport.Lints)
        notes += u"Замечание: "_s + ToQString(lint.Message) + u'\n';
    FNotes = new QPlainTextEdit(notes, this);
    FNotes->setObjectName(u"LinkReportNotes"_s);
    FNotes->setAccessibleName(u"Нерозданные ссылки и замечания"_s);
    FNotes->setReadOnly(true);
    FNotes->setMaximumHeight(140);
    auto *notesLabel = new QLabel(u"&Не розданы и замечания:"_s, this);
    notesLabel->setBuddy(FNotes);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *save = buttons->addButton(u"Сохранить как TSV"_s, QDialogButtonBox::ActionRole);
    save->setObjectName(u"SaveTsv"_s);
    connect(save, &QPushButton::clicked, this, &TLinkReportDialog::SaveTsv);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FTable, 1);
    layout->addWidget(notesLabel);
    layout->addWidget(FNotes);
    layout->addWidget(buttons);
}

void TLinkReportDialog::SaveTsv()
{
    runCommand(FServices.Errors, [this] {
        QString path = FServices.Dialogs.SaveFile(this, u"Сохранить как TSV"_s, u"*.tsv (*.tsv)"_s, u"tsv"_s);
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += u".tsv"_s;
        WriteTextFile(QFile::encodeName(path).toStdString(), LinkReportTsv(FReport));
    });
}

} // namespace zarvik
