#include "ui/project/CheckDialog.h"

#include "ui/editor/TextCodec.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

constexpr int PageIndexRole = Qt::UserRole + 1;

} // namespace

TCheckDialog::TCheckDialog(const TCheckResult &result, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"CheckDialog"_s);
    setWindowTitle(u"Проверка проекта"_s);
    resize(640, 400);

    const QString size =
        QLocale(QLocale::Russian)
            .formattedDataSize(static_cast<qint64>(result.EstimatedBytes), 1, QLocale::DataSizeSIFormat);
    auto *summary = new QLabel(
        (result.Findings.empty() ? u"Ничего не найдено."_s : u"Найдено: %1."_s.arg(result.Findings.size())) +
            u" Объём выгрузки — около %1."_s.arg(size),
        this);
    summary->setObjectName(u"CheckSummary"_s);

    FList = new QListWidget(this);
    FList->setObjectName(u"CheckFindings"_s);
    FList->setAccessibleName(u"Находки проверки"_s);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QIcon information = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    for (const TFinding &finding : result.Findings) {
        auto *item = new QListWidgetItem(ToQString(FindingText(finding)), FList);
        item->setIcon(finding.Kind == TFindingKind::LargeExport ? warning : information);
        if (finding.Kind == TFindingKind::NoCharset)
            FNoCharset = item;
        if (finding.PageIndex >= 0) {
            item->setData(PageIndexRole, finding.PageIndex);
            item->setToolTip(u"Двойной щелчок открывает страницу"_s);
        }
    }
    connect(FList, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QVariant page = item->data(PageIndexRole);
        if (page.isValid())
            emit PageRequested(page.toInt());
    });
    const bool stale =
        std::any_of(result.Findings.begin(), result.Findings.end(),
                    [](const TFinding &finding) { return finding.Kind == TFindingKind::StalePage; });
    summary->setBuddy(FList);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (FNoCharset) {
        FAddCharset = buttons->addButton(u"Добавить объявление кодировки"_s, QDialogButtonBox::ActionRole);
        FAddCharset->setObjectName(u"AddCharset"_s);
        FAddCharset->setToolTip(u"Вставить в <head> шаблона <meta http-equiv=\"Content-Type\" "
                                u"content=\"text/html; charset=windows-1251\">; Ctrl+Z в шаблоне отменит"_s);
        connect(FAddCharset, &QPushButton::clicked, this, &TCheckDialog::AddCharsetRequested);
    }
    if (stale) {
        FPruneStale = buttons->addButton(u"Удалить устаревшие страницы"_s, QDialogButtonBox::ActionRole);
        FPruneStale->setObjectName(u"PruneStale"_s);
        FPruneStale->setToolTip(u"Удалить из папки выгрузки страницы, которых больше нет в проекте"_s);
        connect(FPruneStale, &QPushButton::clicked, this, &TCheckDialog::PruneStaleRequested);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(FList, 1);
    layout->addWidget(buttons);
}

void TCheckDialog::CharsetAdded()
{
    if (FNoCharset)
        FNoCharset->setText(u"Объявление кодировки Windows-1251 добавлено в шаблон"_s);
    if (FAddCharset)
        FAddCharset->hide();
}

} // namespace zarvik
