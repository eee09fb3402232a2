#include "ui/project/PagesTab.h"

#include "engine/EXSiteGenerator.h"
#include "engine/SiteEdit.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/PageListModel.h"
#include "ui/project/PageTree.h"
#include "ui/project/ProgressScope.h"
#include "ui/project/ProjectHistory.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zarvik {

using namespace Qt::StringLiterals;

TPagesTab::TPagesTab(TSiteGenerator &generator, TServices &services, const TProjectActions &actions,
                     TSourceEditor &pageText, QWidget &window)
    : FGenerator(generator)
    , FServices(services)
    , FWindow(window)
    , FPageText(pageText)
    , FModel(new TPageListModel(generator.Pages(), this))
    , FView(BuildPagesTab(actions, pageText, window))
{
    FView.Tree->setModel(FModel);
    // The URLs as wide as they need, the titles in the rest.
    FView.Tree->setHeaderHidden(false);
    FView.Tree->FitColumns();
    ShowPage(nullptr);
    connect(FView.Filter, &QLineEdit::textChanged, this, &TPagesTab::ApplyFilter);

    connect(FView.Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TPagesTab::TreeView1Change);
    connect(FModel, &TPageListModel::UrlEdited, this, &TPagesTab::TreeView1Edited);
    connect(FView.Tree, &TPageTree::PageDropped, this, &TPagesTab::TreeView1DragDrop);
    connect(FView.Title, &QLineEdit::textChanged, this, &TPagesTab::LabeledEdit5Change);
    connect(&FPageText, &TSourceEditor::TextEdited, this, &TPagesTab::Memo8Change);
    connect(actions.NewPage, &QAction::triggered, this, &TPagesTab::newpageExecute);
    connect(actions.DeletePages, &QAction::triggered, this, &TPagesTab::DeletePagesExecute);
    connect(actions.AddContent, &QAction::triggered, this, &TPagesTab::AddContentExecute);
    FModel->OnUrlRenamed = [this](TSitePage &page, const std::string &before) {
        if (!FHistory)
            return;
        auto edit = std::make_unique<TSiteEdit>();
        edit->PageFieldChanged(page, TPageField::Url, before);
        FHistory->Push(std::move(edit), u"Переименование страницы"_s);
    };
}

void TPagesTab::Record(std::unique_ptr<TSiteEdit> edit, const QString &label)
{
    if (edit->Empty())
        return;
    if (FHistory)
        FHistory->Push(std::move(edit), label);
    else
        emit Edited();
}

TPagesTab::~TPagesTab() = default;

TSitePage *TPagesTab::SelectedPage() const
{
    return FModel->PageAt(FView.Tree->currentIndex());
}

void TPagesTab::ShowPageText(int index, std::size_t offset)
{
    if (!FModel->PageAt(FModel->index(index, TPageListModel::UrlColumn)))
        return;
    SelectPage(index);
    FPageText.SetCaretToTextOffset(offset);
    FPageText.setFocus();
}

void TPagesTab::RebuildPageTree()
{
    FView.Tree->setUpdatesEnabled(false);
    FModel->Reset();
    FView.Tree->setCurrentIndex(QModelIndex());
    ApplyFilter();
    FView.Tree->setUpdatesEnabled(true);
    ShowPage(nullptr);
}

void TPagesTab::ApplyFilter()
{
    const QString text = FView.Filter->text().trimmed();
    TPageTree &tree = *FView.Tree;
    const int rows = FModel->rowCount();
    for (int row = 0; row < rows; ++row) {
        const bool hidden = !FModel->RowMatches(row, text);
        if (tree.isRowHidden(row, QModelIndex()) != hidden)
            tree.setRowHidden(row, QModelIndex(), hidden);
    }
    // A command must not act on a page the user no longer sees.
    QItemSelectionModel &selection = *tree.selectionModel();
    for (const QModelIndex &index : selection.selectedIndexes()) {
        if (tree.isRowHidden(index.row(), QModelIndex()))
            selection.select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
    if (tree.currentIndex().isValid() && tree.isRowHidden(tree.currentIndex().row(), QModelIndex()))
        tree.setCurrentIndex(QModelIndex());
    // The widest URL may be among the rows shown now or the rows hidden now.
    tree.FitColumns();
}

void TPagesTab::SelectPage(int pageIndex)
{
    const QModelIndex row = FModel->index(pageIndex, TPageListModel::UrlColumn);
    if (!FModel->PageAt(row))
        return;
    if (FView.Tree->isRowHidden(pageIndex, QModelIndex()))
        FView.Filter->clear();
    FView.Tree->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
    FView.Tree->scrollTo(row);
}

QStringList TPagesTab::ListedUrls() const
{
    QStringList urls;
    for (int row = 0; row < FModel->rowCount(); ++row) {
        if (!FView.Tree->isRowHidden(row, QModelIndex()))
            urls.append(FModel->index(row, TPageListModel::UrlColumn).data().toString());
    }
    return urls;
}

void TPagesTab::ShowPage(TSitePage *page)
{
    FView.Title->setEnabled(page != nullptr);
    FPageText.setEnabled(page != nullptr);
    if (!page) {
        FView.Title->clear();
        FPageText.Clear();
        return;
    }
    // Loading the title counts as an edit of the field and writes the same title back.
    FView.Title->setText(ToQString(page->PageTitle()));
    FPageText.SetText(page->PageText());
}

void TPagesTab::TreeView1Change(const QModelIndex &current)
{
    ShowPage(FModel->PageAt(current));
}

void TPagesTab::TreeView1Edited()
{
    // The model has set the new URL; a rename is an edit of the project, which the history
    // records when there is one.
    if (!FHistory)
        emit Edited();
}

void TPagesTab::LabeledEdit5Change()
{
    TSitePage *page = SelectedPage();
    if (!page)
        return;
    // Showing a page sets the field to the title it already has: that is no edit.
    std::string title = FromQString(FView.Title->text());
    const bool changed = title != page->PageTitle();
    if (changed)
        emit Edited();
    page->SetPageTitle(std::move(title));
    if (changed)
        FModel->TitleChanged(FView.Tree->currentIndex().row());
}

void TPagesTab::Memo8Change()
{
    if (TSitePage *page = SelectedPage()) {
        page->SetPageText(FPageText.Text());
        emit Edited();
    }
}

void TPagesTab::newpageExecute()
{
    runCommand(FServices.Errors, [this] {
        const int count = FGenerator.Pages().Count();
        FGenerator.CreateNewPage(FGenerator.NewPageTitle(count), std::string());
        auto edit = std::make_unique<TSiteEdit>();
        edit->PagesAppended(FGenerator, count);
        FModel->ListAppendedPages();
        ApplyFilter();
        Record(std::move(edit), u"Создание страницы"_s);
        emit PagesChanged();
    });
}

void TPagesTab::DeletePagesExecute()
{
    runCommand(FServices.Errors, [this] {
        // Rows stand for the pages' indexes; deleting from the last one down keeps the indexes
        // of the others, so exactly the selected pages go.
        std::vector<int> doomed;
        for (const QModelIndex &index : FView.Tree->selectionModel()->selectedIndexes())
            if (FModel->PageAt(index))
                doomed.push_back(index.row());
        auto edit = std::make_unique<TSiteEdit>();
        edit->DeletePages(FGenerator, std::move(doomed));
        Record(std::move(edit), u"Удаление страниц"_s);
        RebuildPageTree();
        emit PagesChanged();
    });
}

void TPagesTab::TreeView1DragDrop(const QModelIndex &target)
{
    runCommand(FServices.Errors, [this, target] {
        const QModelIndex dragged = FView.Tree->currentIndex();
        // A drop below the last row has no target page: nothing moves.
        if (!FModel->PageAt(dragged) || !FModel->PageAt(target))
            return;
        if (dragged.row() != target.row()) {
            auto edit = std::make_unique<TSiteEdit>();
            edit->MovePage(FGenerator, dragged.row(), target.row());
            Record(std::move(edit), u"Перемещение страницы"_s);
        }
        RebuildPageTree();
    });
}

void TPagesTab::AddContentExecute()
{
    runCommand(FServices.Errors, [this] {
        TContentAddDialog &dialog = FServices.ContentAdd;
        dialog.Prepare(FGenerator);
        if (dialog.Execute()) {
            TProgressScope progress(&FWindow, FServices.Busy, FGenerator, u"Добавление контента..."_s);
            const int first = FGenerator.Pages().Count();
            auto edit = std::make_unique<TSiteEdit>();
            try {
                FGenerator.AddContent(dialog.Text());
            } catch (...) {
                // Pages cut before the failure stay, and so does the way to take them back.
                edit->PagesAppended(FGenerator, first);
                Record(std::move(edit), u"Добавление контента"_s);
                RebuildPageTree();
                throw;
            }
            edit->PagesAppended(FGenerator, first);
            Record(std::move(edit), u"Добавление контента"_s);
            RebuildPageTree();
        }
    });
    emit ShowRequested();
    emit PagesChanged();
}

} // namespace zarvik
