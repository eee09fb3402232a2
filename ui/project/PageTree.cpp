#include "ui/project/PageTree.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>

namespace zarvik {

TPageTree::TPageTree(QWidget *parent)
    : QTreeView(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setIndentation(19);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setTextElideMode(Qt::ElideMiddle);
    // The columns are sized by FitColumns alone.
    header()->setStretchLastSection(false);
    header()->setTextElideMode(Qt::ElideMiddle);
}

void TPageTree::setModel(QAbstractItemModel *model)
{
    if (QAbstractItemModel *old = this->model())
        disconnect(old, nullptr, this, nullptr);
    QTreeView::setModel(model);
    if (!model)
        return;
    const auto fit = [this] { FitColumns(); };
    connect(model, &QAbstractItemModel::modelReset, this, fit);
    connect(model, &QAbstractItemModel::rowsInserted, this, fit);
    connect(model, &QAbstractItemModel::rowsRemoved, this, fit);
    connect(model, &QAbstractItemModel::dataChanged, this, fit);
    connect(model, &QAbstractItemModel::layoutChanged, this, fit);
    FitColumns();
}

int TPageTree::HeadingWidth(int column) const
{
    if (header()->isHidden())
        return 0;
    const QString text = model()->headerData(column, Qt::Horizontal).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    return header()->fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
}

void TPageTree::FitColumns()
{
    const QAbstractItemModel *rows = model();
    if (!rows || rows->columnCount() < 2)
        return;
    const int last = rows->columnCount() - 1;
    const int room = viewport()->width();
    int middle = 0;
    for (int column = 1; column < last; ++column)
        middle += columnWidth(column);
    const int lastMinimum = HeadingWidth(last);
    const int firstMinimum = HeadingWidth(0);
    const int wanted = std::max(sizeHintForColumn(0), firstMinimum);
    const int first =
        std::max(std::min(wanted, room - middle - lastMinimum), std::min(firstMinimum, room / 2));
    setColumnWidth(0, first);
    setColumnWidth(last, std::max(lastMinimum, room - first - middle));
}

void TPageTree::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    FitColumns();
}

// Only the tree's own rows are accepted; anything dragged in from elsewhere is refused.
void TPageTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this)
        QTreeView::dragEnterEvent(event);
    else
        event->ignore();
}

void TPageTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->source() == this)
        QTreeView::dragMoveEvent(event);
    else
        event->ignore();
}

void TPageTree::dropEvent(QDropEvent *event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    // The window rebuilds the rows from the pages; the view must not move or remove anything.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    const QModelIndex target = indexAt(event->position().toPoint());
    // Ends the view's own drag state (auto-scroll, drop indicator) as a drop would.
    QDragLeaveEvent leave;
    QTreeView::dragLeaveEvent(&leave);
    emit PageDropped(target);
}

} // namespace zarvik
