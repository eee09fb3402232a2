#pragma once

#include "engine/EXSiteGenerator.h"
#include "ui/project/ProjectLayout.h"
#include "ui/shell/Services.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>
#include <string_view>

class QLabel;
class QMenu;
class QTabWidget;

namespace zarvik {

class TLinksTab;
class TPagesTab;
class TProjectHistory;
class TProjectProcedures;
class TProjectSettings;
class TPublishingTab;
class TSettingsTab;
class TSourceEditor;
class TTextsTab;

// The document window of one project. It owns one TSiteGenerator for its whole life and is that
// generator's only caller. The controls are not bound to the generator: PushSettings and
// PushEditors copy them in, PullSettings copies the generator back.
//
// Each tab is its own class (TSettingsTab, TTextsTab, TPagesTab, TLinksTab), and so are the
// procedures of the window's menu (TProjectProcedures); the window owns them, lays them out
// through ProjectLayout, keeps the status bar and the record of unsaved edits, and reads and
// writes the project file.
//
// Message boxes, file and folder dialogs and the content-add dialog are reached through the
// services given at construction; an error that ends a command goes to the services' error
// display. The services must outlive the window.
class TSiteProject : public QMainWindow
{
    Q_OBJECT

public:
    explicit TSiteProject(TServices &services, QWidget *parent = nullptr);
    ~TSiteProject() override;

    TSiteGenerator &Generator() { return *FGenerator; }
    // The settings kept beside the project file, as the publishing tab holds them.
    const TProjectSettings &PublishingSettings() const;

    // The display name; the window caption follows it. The status bar shows it at its next
    // refresh.
    void SetProjectName(const QString &name);
    QString ProjectName() const { return FProjectName; }

    // Reads a project file into this window's generator, pulls the settings into the controls
    // and clears Changed and the unsaved edits. Throws EError; the controls are then untouched.
    void LoadProjectFile(const QString &path);
    // Pushes the settings and the editors, writes the project file (the previous file survives
    // a failed write) and clears Changed and the unsaved edits. Throws EError; both then stay.
    void SaveProjectFile(const QString &path);

    // True when the user has changed something since the window was created or last opened or
    // saved a file that Changed does not record: a page's text, title, URL or place, added,
    // created or deleted pages, the template, style sheet and ad block editors, the link list,
    // or a settings control that no longer shows what was last pushed. Operations kept in the
    // undo history count while the history stands elsewhere than where the file was saved.
    bool HasUnsavedEdits() const;

    // "Процедуры": the window's own menu, for the frame to show in its menu bar while this
    // window is active. Owned by the window.
    QMenu *ProceduresMenu() const { return FProceduresMenu; }

    // Settings fields into the generator, then the status bar. Invalid numbers are reported and
    // leave the values in force.
    void PushSettings();
    // Template, ad block and style sheet editors and the link list into the generator.
    void PushEditors();
    // The generator into every control, then the status bar.
    void PullSettings();
    void UpdateStatusBar();
    // Lists the generator's pages by URL; selects none.
    void RebuildPageTree();
    // Inserts text into the template editor's caret line at the caret's column.
    void InsertAtCaret(std::string_view text);
    // Shows the template with the charset declaration added to its <head> as an undoable edit,
    // and pushes it (see TTextsTab::AddCharsetDeclaration).
    void AddCharsetDeclaration();
    // Shows the pages tab with the page at the index selected (its row shown whatever the filter).
    void ShowPageAt(int pageIndex);
    // Moves the page of the page tree's current row to the place of the target row's page.
    void TreeView1DragDrop(const QModelIndex &target);

    // The project operations done in this window, for undo and redo.
    TProjectHistory &History() const { return *FHistory; }
    // Takes back or makes again the last project operation, after pushing the editors.
    void UndoProjectEdit();
    void RedoProjectEdit();
    // "Найти и заменить в проекте..." and "Выбрать шаблон...".
    void FindReplaceExecute();
    void ChooseTemplateExecute();

private:
    // The window's source editors are made here and nowhere else; the tabs lay them out.
    TSourceEditor *NewSourceEditor();
    void TabChanged(int index);
    void ShowTab(QWidget *page);
    void MarkEdited() { FEdited = true; }
    // Shows the generator again after undo or redo changed it.
    void ShowRestoredProject();
    void EditCopy();
    void EditPaste();
    // The text control Copy and Paste act on: the focused control, or the one focused before
    // when a tool button, the tab bar or a menu holds the focus; null unless that is a text
    // control on the tab in view.
    QWidget *EditTarget() const;

    TServices &FServices;
    std::unique_ptr<TSiteGenerator> FGenerator;
    QString FProjectName;
    bool FEdited = false;

    TProjectActions FActions;
    // The parts of the window; they go before the generator they work on.
    std::unique_ptr<TSettingsTab> FSettings;
    std::unique_ptr<TTextsTab> FTexts;
    std::unique_ptr<TPagesTab> FPages;
    std::unique_ptr<TLinksTab> FLinks;
    std::unique_ptr<TPublishingTab> FPublishing;
    std::unique_ptr<TProjectProcedures> FProcedures;
    TProjectHistory *FHistory = nullptr; // a child of the window

    QTabWidget *FTabs = nullptr;
    std::array<QLabel *, 5> FPanels{};
    QMenu *FProceduresMenu = nullptr;
    QPointer<QWidget> FLastFocus;
};

} // namespace zarvik
