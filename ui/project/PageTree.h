#pragma once

#include <QTreeView>

namespace zarvik {

// The page list of a project window: a flat tree whose rows can be dragged among themselves.
// The tree never moves its own rows; it reports the drop and lets the window move the page.
//
// With more than one column the columns share the tree's width: the first (the URL) is as wide
// as its widest row and the last (the title) takes the rest, but never less than its heading
// needs; a URL too wide for that is shortened in the middle.
class TPageTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TPageTree(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // Shares the width out again; called whenever the rows or the tree's width change.
    void FitColumns();

signals:
    // A row of this tree was dropped on `target`; invalid when dropped below the last row.
    void PageDropped(const QModelIndex &target);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Receives the resizes of the viewport, whose width the columns share.
    void resizeEvent(QResizeEvent *event) override;

private:
    // The width that shows the column's heading whole; 0 without headings.
    int HeadingWidth(int column) const;
};

} // namespace zarvik
