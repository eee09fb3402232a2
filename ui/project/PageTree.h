#pragma once

#include <QTreeView>

namespace zarvik {

// The page list of a project window: a flat tree whose rows can be dragged among themselves.
// The tree never moves its own rows; it reports the drop and lets the window move the page.
class TPageTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TPageTree(QWidget *parent = nullptr);

signals:
    // A row of this tree was dropped on `target`; invalid when dropped below the last row.
    void PageDropped(const QModelIndex &target);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

} // namespace zarvik
