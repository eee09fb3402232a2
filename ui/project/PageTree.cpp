#include "ui/project/PageTree.h"

#include <QDropEvent>

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
