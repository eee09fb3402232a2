#include "ui/project/PageTree.h"

#include <QDropEvent>

namespace zarvik {

TPageTree::TPageTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(19);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
}

// Only the tree's own nodes are accepted; anything dragged in from elsewhere is refused.
void TPageTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this)
        QTreeWidget::dragEnterEvent(event);
    else
        event->ignore();
}

void TPageTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->source() == this)
        QTreeWidget::dragMoveEvent(event);
    else
        event->ignore();
}

void TPageTree::dropEvent(QDropEvent *event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    // The window rebuilds the nodes from the pages; the view must not move or remove anything.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    QTreeWidgetItem *target = itemAt(event->position().toPoint());
    // Ends the view's own drag state (auto-scroll, drop indicator) as a drop would.
    QDragLeaveEvent leave;
    QTreeWidget::dragLeaveEvent(&leave);
    emit PageDropped(target);
}

} // namespace zarvik
