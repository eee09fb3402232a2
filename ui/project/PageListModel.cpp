#include "ui/project/PageListModel.h"

#include "engine/EXSiteGenerator.h"
#include "ui/editor/TextCodec.h"

#include <QMimeData>

#include <string>
#include <utility>

namespace zarvik {

TPageListModel::TPageListModel(TSitePages &pages, QObject *parent)
    : QAbstractListModel(parent)
    , FPages(pages)
{
}

std::uintptr_t TPageListModel::Identity(const TSitePage &page)
{
    return reinterpret_cast<std::uintptr_t>(&page);
}

void TPageListModel::Reset()
{
    beginResetModel();
    FListed.clear();
    FListed.reserve(static_cast<std::size_t>(FPages.Count()));
    for (int i = 0; i < FPages.Count(); ++i)
        FListed.push_back(Identity(FPages[i]));
    endResetModel();
}

void TPageListModel::ListAppendedPages()
{
    const int first = static_cast<int>(FListed.size());
    if (FPages.Count() <= first)
        return;
    beginInsertRows(QModelIndex(), first, FPages.Count() - 1);
    for (int i = first; i < FPages.Count(); ++i)
        FListed.push_back(Identity(FPages[i]));
    endInsertRows();
}

TSitePage *TPageListModel::PageAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    const int row = index.row();
    if (row < 0 || static_cast<std::size_t>(row) >= FListed.size() || row >= FPages.Count())
        return nullptr;
    TSitePage &page = FPages[row];
    return Identity(page) == FListed[static_cast<std::size_t>(row)] ? &page : nullptr;
}

int TPageListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FListed.size());
}

QVariant TPageListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const TSitePage *page = PageAt(index);
    return page ? QVariant(ToQString(page->PageUrl())) : QVariant();
}

bool TPageListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TSitePage *page = PageAt(index);
    if (!page || role != Qt::EditRole)
        return false;
    std::string url = FromQString(value.toString());
    const bool renamed = url != page->PageUrl();
    std::string before = page->PageUrl();
    page->SetPageUrl(std::move(url));
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (renamed) {
        if (OnUrlRenamed)
            OnUrlRenamed(*page, before);
        emit UrlEdited(index);
    }
    return true;
}

Qt::ItemFlags TPageListModel::flags(const QModelIndex &index) const
{
    // Dropping onto a row or below the last one is the view's business; both are accepted here.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

Qt::DropActions TPageListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TPageListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList TPageListModel::mimeTypes() const
{
    return {QString::fromLatin1(RowsMimeType)};
}

QMimeData *TPageListModel::mimeData(const QModelIndexList &indexes) const
{
    QByteArray rows;
    for (const QModelIndex &index : indexes) {
        if (!rows.isEmpty())
            rows += ' ';
        rows += QByteArray::number(index.row());
    }
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(RowsMimeType), rows);
    return data;
}

} // namespace zarvik
