#include "ui/project/PageListModel.h"

#include "engine/EXSiteGenerator.h"
#include "ui/editor/TextCodec.h"

#include <QMimeData>

#include <algorithm>
#include <string>
#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

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

void TPageListModel::TitleChanged(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex cell = index(row, TitleColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

bool TPageListModel::RowMatches(int row, const QString &text) const
{
    if (text.isEmpty())
        return true;
    const TSitePage *page = PageAt(index(row, UrlColumn));
    return page && (ToQString(page->PageUrl()).contains(text, Qt::CaseInsensitive) ||
                    ToQString(page->PageTitle()).contains(text, Qt::CaseInsensitive));
}

int TPageListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FListed.size());
}

int TPageListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TPageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case UrlColumn:
        return u"Адрес"_s;
    case TitleColumn:
        return u"Заголовок"_s;
    default:
        return {};
    }
}

QVariant TPageListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const TSitePage *page = PageAt(index);
    if (!page)
        return {};
    return ToQString(index.column() == TitleColumn ? page->PageTitle() : page->PageUrl());
}

bool TPageListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TSitePage *page = PageAt(index);
    if (!page || role != Qt::EditRole || index.column() != UrlColumn)
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
    const Qt::ItemFlags flags =
        Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    // The title is edited in the tab's title field.
    return index.column() == UrlColumn ? flags | Qt::ItemIsEditable : flags;
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
    // Each row once, however many of its cells are dragged.
    QByteArray rows;
    std::vector<int> listed;
    for (const QModelIndex &index : indexes) {
        if (std::find(listed.begin(), listed.end(), index.row()) != listed.end())
            continue;
        listed.push_back(index.row());
        if (!rows.isEmpty())
            rows += ' ';
        rows += QByteArray::number(index.row());
    }
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(RowsMimeType), rows);
    return data;
}

} // namespace zarvik
