#pragma once

#include "ui/project/ProjectLayout.h"

#include <QModelIndex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace zarvik {

class TPageListModel;
class TProjectHistory;
class TSiteEdit;
class TSiteGenerator;
class TSitePage;
class TSourceEditor;
struct TServices;

// The page management tab (TabSheet6) of a project window: the page tree TreeView1 over the
// generator's pages, the title and text of the page selected in it, and the commands that
// create, delete, move and add pages. The tree is rebuilt from the generator after every
// operation that changes the pages and whenever the tab comes into view.
class TPagesTab : public QObject
{
    Q_OBJECT

public:
    // The generator, the services, the editor and the window (the parent of its dialogs) must
    // outlive the tab. The page is not yet placed in the window.
    TPagesTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
              TSourceEditor &pageText, QWidget &window);
    ~TPagesTab() override;

    QWidget *Page() const { return FView.Page; }

    // Page operations are recorded in this history from now on (none: they are not recorded, and
    // each reports Edited instead). The history must outlive the tab.
    void SetHistory(TProjectHistory *history) { FHistory = history; }

    // Lists the generator's pages by URL; selects none.
    void RebuildPageTree();
    // The page of the tree's current row, or null.
    TSitePage *SelectedPage() const;
    // Shows only the rows whose page has the filter box's text in its title or URL (all rows
    // for an empty box); rows hidden so leave the selection.
    void ApplyFilter();
    // Makes the page at the index the tree's current and only selected row, clearing a filter
    // that hides it.
    void SelectPage(int pageIndex);
    // The URLs of the rows the tree shows, in order.
    QStringList ListedUrls() const;
    // Selects the page at `index` and places the text editor's caret at a byte offset of its text.
    void ShowPageText(int index, std::size_t offset);

    void newpageExecute();
    void DeletePagesExecute();
    void AddContentExecute();
    // Moves the page of the current row to the place of the target row's page; an invalid
    // target (a drop below the last row) moves nothing.
    void TreeView1DragDrop(const QModelIndex &target);

signals:
    // The user changed a page, or the set or order of the pages.
    void Edited();
    // The number of pages may have changed.
    void PagesChanged();
    // A command wants the tab in view.
    void ShowRequested();

private:
    void TreeView1Change(const QModelIndex &current);
    void TreeView1Edited();
    void LabeledEdit5Change();
    void Memo8Change();
    // Shows the page in the title field and the text editor; none clears and disables both.
    void ShowPage(TSitePage *page);
    // Hands an operation's record to the history, or reports Edited when there is none.
    void Record(std::unique_ptr<TSiteEdit> edit, const QString &label);

    TSiteGenerator &FGenerator;
    TServices &FServices;
    QWidget &FWindow;
    TSourceEditor &FPageText; // SynEdit1
    TPageListModel *FModel;   // owned
    TPagesTabView FView;
    TProjectHistory *FHistory = nullptr;
};

} // namespace zarvik
