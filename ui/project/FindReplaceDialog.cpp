#include "ui/project/FindReplaceDialog.h"

#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "ui/editor/TextCodec.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

constexpr int HitRole = Qt::UserRole + 1;
// Characters of context shown on each side of a hit.
constexpr std::size_t Context = 60;

std::string_view TextOf(const TSiteGenerator &generator, const TSearchHit &hit)
{
    switch (hit.Area) {
    case TSearchArea::PageText:
        return generator.Pages()[hit.Page].PageText();
    case TSearchArea::PageTitle:
        return generator.Pages()[hit.Page].PageTitle();
    case TSearchArea::Template:
        return generator.SiteTemplate();
    case TSearchArea::Style:
        return generator.CssCode();
    case TSearchArea::AdBlock:
        return generator.AdsenseCode();
    }
    return {};
}

// The hit's line around it, before and after the replacement.
std::pair<QString, QString> LineAround(std::string_view text, const TSearchHit &hit)
{
    std::size_t start = text.rfind('\n', hit.Offset == 0 ? 0 : hit.Offset - 1);
    start = start == std::string_view::npos || start >= hit.Offset ? 0 : start + 1;
    start = std::max(start, hit.Offset > Context ? hit.Offset - Context : 0);
    std::size_t end = text.find_first_of("\r\n", hit.Offset + hit.Length);
    end = std::min(end == std::string_view::npos ? text.size() : end, hit.Offset + hit.Length + Context);
    const std::string before(text.substr(start, hit.Offset - start));
    const std::string after(text.substr(hit.Offset + hit.Length, end - hit.Offset - hit.Length));
    return {ToQString(before + hit.Found + after), ToQString(before + hit.Replacement + after)};
}

QString GroupName(const TSiteGenerator &generator, const TSearchHit &hit)
{
    switch (hit.Area) {
    case TSearchArea::PageText:
    case TSearchArea::PageTitle: {
        const TSitePage &page = generator.Pages()[hit.Page];
        return u"%1. %2 — %3"_s.arg(hit.Page).arg(ToQString(page.PageUrl()), ToQString(page.PageTitle()));
    }
    case TSearchArea::Template:
        return u"Шаблон сайта"_s;
    case TSearchArea::Style:
        return u"Стиль CSS"_s;
    case TSearchArea::AdBlock:
        return u"Рекламный блок"_s;
    }
    return {};
}

} // namespace

TFindReplaceDialog::TFindReplaceDialog(const TSiteGenerator &generator, TApply apply, TShow show,
                                       QWidget *parent)
    : QDialog(parent)
    , FGenerator(generator)
    , FApply(std::move(apply))
    , FShow(std::move(show))
{
    setObjectName(u"FindReplaceDialog"_s);
    setWindowTitle(u"Найти и заменить в проекте"_s);
    resize(820, 560);

    FPattern = new QLineEdit(this);
    FPattern->setObjectName(u"FindPattern"_s);
    FReplacement = new QLineEdit(this);
    FReplacement->setObjectName(u"FindReplacement"_s);
    auto *fields = new QFormLayout;
    fields->addRow(u"Ч&то искать:"_s, FPattern);
    fields->addRow(u"За&менить на:"_s, FReplacement);

    const auto box = [this](const QString &name, const QString &text, const QString &tip) {
        auto *check = new QCheckBox(text, this);
        check->setObjectName(name);
        check->setToolTip(tip);
        return check;
    };
    FRegex = box(u"FindRegex"_s, u"Ре&гулярное выражение"_s,
                 u"Образец в синтаксисе Perl; в замене $1, $2… — найденные группы"_s);
    FWholeWord =
        box(u"FindWholeWord"_s, u"&Только слова целиком"_s,
            u"Буквы и цифры по обе стороны не продолжают совпадение: «лед» не найдётся в «гололед»"_s);
    FCase = box(u"FindCase"_s, u"&Учитывать регистр"_s, u"Без отметки «Лед» и «лед» — одно и то же"_s);
    FYo = box(u"FindYo"_s, u"&е = ё"_s, u"«е» и «ё» считаются одной буквой"_s);
    FTitles = box(u"FindTitles"_s, u"&Заголовки страниц"_s, u"Искать и в заголовках страниц"_s);
    FTemplate = box(u"FindTemplate"_s, u"Ш&аблон"_s, u"Искать и в шаблоне сайта"_s);
    FStyle = box(u"FindStyle"_s, u"&Стиль"_s, u"Искать и в стиле CSS"_s);
    FAdBlock = box(u"FindAdBlock"_s, u"&Рекламный блок"_s, u"Искать и в рекламном блоке"_s);
    auto *options = new QGridLayout;
    options->addWidget(FRegex, 0, 0);
    options->addWidget(FWholeWord, 0, 1);
    options->addWidget(FCase, 0, 2);
    options->addWidget(FYo, 0, 3);
    options->addWidget(FTitles, 1, 0);
    options->addWidget(FTemplate, 1, 1);
    options->addWidget(FStyle, 1, 2);
    options->addWidget(FAdBlock, 1, 3);

    FSummary = new QLabel(this);
    FSummary->setObjectName(u"FindSummary"_s);
    FSummary->setWordWrap(true);

    FResults = new QTreeWidget(this);
    FResults->setObjectName(u"FindResults"_s);
    FResults->setAccessibleName(u"Найденное"_s);
    FResults->setColumnCount(4);
    FResults->setHeaderLabels({u"Где"_s, u"Строка"_s, u"Найдено"_s, u"После замены"_s});
    FResults->setUniformRowHeights(true);
    FResults->header()->setSectionResizeMode(QHeaderView::Interactive);
    FResults->setColumnWidth(0, 170);
    FResults->setColumnWidth(1, 60);
    FResults->setColumnWidth(2, 280);
    connect(FResults, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { ShowItem(item); });

    auto *buttons = new QDialogButtonBox(this);
    auto *findButton = buttons->addButton(u"&Найти"_s, QDialogButtonBox::ActionRole);
    findButton->setObjectName(u"FindButton"_s);
    findButton->setDefault(true);
    FReplaceButton = buttons->addButton(u"Заменить &отмеченные"_s, QDialogButtonBox::ActionRole);
    FReplaceButton->setObjectName(u"ReplaceButton"_s);
    FReplaceButton->setEnabled(false);
    buttons->addButton(u"Закрыть"_s, QDialogButtonBox::RejectRole);
    connect(findButton, &QPushButton::clicked, this, &TFindReplaceDialog::Find);
    connect(FReplaceButton, &QPushButton::clicked, this, &TFindReplaceDialog::ReplaceTicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FPattern, &QLineEdit::returnPressed, this, &TFindReplaceDialog::Find);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(options);
    layout->addWidget(FSummary);
    layout->addWidget(FResults, 1);
    layout->addWidget(buttons);
}

TSearchOptions TFindReplaceDialog::Options() const
{
    TSearchOptions options;
    options.Regex = FRegex->isChecked();
    options.WholeWord = FWholeWord->isChecked();
    options.CaseSensitive = FCase->isChecked();
    options.YoAsYe = FYo->isChecked();
    options.Titles = FTitles->isChecked();
    options.Template = FTemplate->isChecked();
    options.Style = FStyle->isChecked();
    options.AdBlock = FAdBlock->isChecked();
    return options;
}

void TFindReplaceDialog::Find()
{
    FResults->clear();
    FHits.clear();
    FReplaceButton->setEnabled(false);
    try {
        const TSiteSearch search(FPattern->text().toStdString(), FReplacement->text().toStdString(),
                                 Options());
        FHits = search.FindAll(FGenerator);
    } catch (const EError &e) {
        FSummary->setText(ToQString(e.Message()));
        return;
    }
    QTreeWidgetItem *group = nullptr;
    std::pair<TSearchArea, int> groupKey{TSearchArea::PageText, -2};
    int linked = 0;
    FResults->setUpdatesEnabled(false);
    for (std::size_t i = 0; i < FHits.size(); ++i) {
        const TSearchHit &hit = FHits[i];
        const bool samePage = hit.Page >= 0 && hit.Page == groupKey.second;
        if (!group || !(samePage || (hit.Page < 0 && hit.Area == groupKey.first))) {
            group = new QTreeWidgetItem(FResults, {GroupName(FGenerator, hit)});
            group->setFirstColumnSpanned(true);
            group->setExpanded(true);
            groupKey = {hit.Area, hit.Page};
        }
        const auto [found, replaced] = LineAround(TextOf(FGenerator, hit), hit);
        auto *item = new QTreeWidgetItem(group);
        item->setText(0, hit.Area == TSearchArea::PageTitle ? u"заголовок"_s
                         : hit.InLink                       ? u"в слове ссылки"_s
                                                            : QString());
        item->setText(1, u"%1:%2"_s.arg(hit.Line).arg(hit.Column));
        item->setText(2, found);
        item->setText(3, replaced);
        item->setToolTip(2, found);
        item->setToolTip(3, replaced);
        item->setCheckState(0, Qt::Checked);
        item->setData(0, HitRole, static_cast<qulonglong>(i));
        if (hit.InLink) {
            ++linked;
            item->setToolTip(
                0, u"Совпадение задевает слово, на котором стоит ссылка последнего распределения"_s);
        }
    }
    FResults->setUpdatesEnabled(true);
    QString summary = FHits.empty() ? u"Ничего не найдено"_s : u"Найдено совпадений: %1"_s.arg(FHits.size());
    if (linked > 0)
        summary += u"; в словах со ссылками: %1"_s.arg(linked);
    FSummary->setText(summary);
    FReplaceButton->setEnabled(!FHits.empty());
}

std::vector<TSearchHit> TFindReplaceDialog::TickedHits() const
{
    std::vector<TSearchHit> ticked;
    for (int g = 0; g < FResults->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = FResults->topLevelItem(g);
        for (int c = 0; c < group->childCount(); ++c) {
            const QTreeWidgetItem *item = group->child(c);
            if (item->checkState(0) == Qt::Checked)
                ticked.push_back(FHits[item->data(0, HitRole).toULongLong()]);
        }
    }
    return ticked;
}

void TFindReplaceDialog::ReplaceTicked()
{
    const std::vector<TSearchHit> ticked = TickedHits();
    if (ticked.empty())
        return;
    FApply(ticked);
    Find();
}

void TFindReplaceDialog::ShowItem(QTreeWidgetItem *item)
{
    if (!item || !item->parent() || !FShow)
        return;
    FShow(FHits[item->data(0, HitRole).toULongLong()]);
}

} // namespace zarvik
