#pragma once

#include <QTreeWidget>

namespace zarvik {

// The page list of a project window: a flat tree whose nodes can be dragged among themselves.
// The tree never moves its own nodes; it reports the drop and lets the window move the page.
class TPageTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TPageTree(QWidget *parent = nullptr);

signals:
    // A node of this tree was dropped on `target`; null when dropped below the last node.
    void PageDropped(QTreeWidgetItem *target);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

} // namespace zarvik
