#include "ui/project/GalleryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarvik {

using namespace Qt::StringLiterals;

TGalleryDialog::TGalleryDialog(std::vector<TGalleryEntry> entries, QWidget *parent)
    : QDialog(parent)
    , FEntries(std::move(entries))
{
    setObjectName(u"GalleryDialog"_s);
    setWindowTitle(u"Выбрать шаблон"_s);
    resize(760, 520);

    FList = new QListWidget(this);
    FList->setObjectName(u"GalleryList"_s);
    FList->setAccessibleName(u"Шаблоны галереи"_s);
    FList->setViewMode(QListView::IconMode);
    FList->setIconSize(QSize(300, 213));
    FList->setResizeMode(QListView::Adjust);
    FList->setMovement(QListView::Static);
    FList->setSpacing(8);
    FList->setWordWrap(true);
    for (const TGalleryEntry &entry : FEntries) {
        auto *item = new QListWidgetItem(QString::fromStdString(entry.Title), FList);
        if (!entry.Picture.empty())
            item->setIcon(QIcon(QPixmap(QString::fromStdString(entry.Picture))));
        item->setToolTip(QString::fromStdString(entry.Description));
    }

    FDescription = new QLabel(this);
    FDescription->setObjectName(u"GalleryDescription"_s);
    FDescription->setWordWrap(true);
    auto *note = new QLabel(
        u"Шаблон и стиль проекта заменятся выбранными; вернуть прежние — Ctrl+Z или «Отменить» на панели «Правка»."_s,
        this);
    note->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Применить"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Отмена"_s);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FList, &QListWidget::currentRowChanged, this, [this, buttons](int row) {
        const bool valid = row >= 0 && row < static_cast<int>(FEntries.size());
        buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
        FDescription->setText(
            valid ? QString::fromStdString(FEntries[static_cast<std::size_t>(row)].Description) : QString());
    });
    connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    if (FEntries.empty())
        FDescription->setText(u"Галерея шаблонов не найдена."_s);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FList, 1);
    layout->addWidget(FDescription);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

std::optional<TGalleryEntry> TGalleryDialog::Chosen() const
{
    const int row = FList->currentRow();
    if (result() != QDialog::Accepted || row < 0 || row >= static_cast<int>(FEntries.size()))
        return std::nullopt;
    return FEntries[static_cast<std::size_t>(row)];
}

} // namespace zarvik
