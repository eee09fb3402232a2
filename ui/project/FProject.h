#pragma once

#include "engine/EXSiteGenerator.h"
#include "ui/shell/Services.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;

namespace zarvik {

class TPageTree;
class TSourceEditor;

// The document window of one project. It owns one TSiteGenerator for its whole life and is that
// generator's only caller. The controls are not bound to the generator: PushSettings and
// PushEditors copy them in, PullSettings copies the generator back.
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
    // or a settings control that no longer shows what was last pushed.
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

    // Commands; each reports its own errors.
    void newpageExecute();
    void DeletePagesExecute();
    void AddContentExecute();
    // Moves the page of the current node to the place of the target node's page.
    void TreeView1DragDrop(QTreeWidgetItem *target);
    void LoadTemplateExecute();
    void LoadCssExecute();
    void ClearLinksExecute();
    void ImportLinksExecute();
    void ImportCSVExecute();
    void SaveLinksExecute();
    void LinksGenerExecute();
    void SiteExportExecute();
    void Button2Click();
    // Renders the site into a private temporary folder and opens the selected page there.
    void PreviewInBrowserExecute();
    void LinkReportExecute();
    void CheckProjectExecute();
    void PruneStaleExecute();

private:
    void BuildActions();
    QWidget *BuildSettingsTab();
    QWidget *BuildTextTab(const QString &name, TSourceEditor *&editor, const QString &editorName,
                          const QString &accessibleName, std::initializer_list<QAction *> tools,
                          QMenu *popup);
    QWidget *BuildPagesTab();
    QWidget *BuildLinksTab();
    void BuildStatusBar();
    void BuildProceduresMenu();

    void Edit1Exit();
    void CheckBox1Click();
    void CheckBox2Click();
    void TabChanged(int index);
    void TreeView1Change(QTreeWidgetItem *current);
    void TreeView1Edited(QTreeWidgetItem *item);
    void LabeledEdit5Change();
    void Memo8Change();
    void Memo1Change();
    void EditCopy();
    void EditPaste();
    // The text control Copy and Paste act on: the focused control, or the one focused before
    // when a tool button, the tab bar or a menu holds the focus; null unless that is a text
    // control on the tab in view.
    QWidget *EditTarget() const;
    void MarkEdited() { FEdited = true; }
    // The settings controls' texts and check states, to compare with the last push.
    QStringList SettingsState() const;
    // The link list's text with its no-break spaces kept, lines separated by LF.
    QString LinksText() const;

    // Converts an integer field; on failure shows the conversion error and returns nothing.
    std::optional<std::int32_t> ConvertField(const QLineEdit &field);
    TSitePage *PageOf(const QTreeWidgetItem *item) const;
    TSitePage *SelectedPage() const;
    void ShowPage(TSitePage *page);
    TStringList LinkLines() const;
    void SetLinkLines(const TStringList &lines);
    bool eventFilter(QObject *watched, QEvent *event) override;

    TServices &FServices;
    std::unique_ptr<TSiteGenerator> FGenerator;
    QString FProjectName;
    bool FRebuilding = false;
    bool FEdited = false;
    QStringList FPushedSettings;

    QTabWidget *FTabs = nullptr;
    QWidget *FSettingsTab = nullptr;
    QWidget *FPagesTab = nullptr;
    QWidget *FLinksTab = nullptr;

    QLineEdit *FSiteTitle = nullptr;    // Edit1
    QLineEdit *FSavePath = nullptr;     // Edit4
    QPushButton *FBrowse = nullptr;     // Button2
    QLineEdit *FMenuWord = nullptr;     // LabeledEdit4
    QCheckBox *FUseDigg = nullptr;      // CheckBox1
    QLineEdit *FDiggValue = nullptr;    // LabeledEdit1
    QLineEdit *FMinChars = nullptr;     // Edit2
    QLineEdit *FMaxChars = nullptr;     // Edit3
    QLineEdit *FMaxLinks = nullptr;     // LabeledEdit2
    QCheckBox *FUseLinkLimit = nullptr; // CheckBox2

    TPageTree *FPageTree = nullptr;     // TreeView1
    QLineEdit *FPageTitle = nullptr;    // LabeledEdit5
    TSourceEditor *FPageText = nullptr; // SynEdit1
    TSourceEditor *FTemplate = nullptr; // SynEdit2
    TSourceEditor *FCss = nullptr;      // SynEdit3
    TSourceEditor *FAdsense = nullptr;  // SynEdit4
    QPlainTextEdit *FLinks = nullptr;   // Memo1

    QLabel *FPanels[5] = {};
    QPointer<QWidget> FLastFocus;
    QMenu *FProceduresMenu = nullptr;

    QAction *FLoadTemplate = nullptr;
    QAction *FInsertTitle = nullptr;
    QAction *FInsertMenu = nullptr;
    QAction *FInsertMainText = nullptr;
    QAction *FInsertPagination = nullptr;
    QAction *FInsertCss = nullptr;
    QAction *FInsertAdsense = nullptr;
    QAction *FLoadCss = nullptr;
    QAction *FEditCopy = nullptr;
    QAction *FEditPaste = nullptr;
    QAction *FNewPage = nullptr;
    QAction *FDeletePages = nullptr;
    QAction *FAddContent = nullptr;
    QAction *FClearLinks = nullptr;
    QAction *FImportLinks = nullptr;
    QAction *FImportCSV = nullptr;
    QAction *FSaveLinks = nullptr;
    QAction *FLinksGener = nullptr;
    QAction *FSiteExport = nullptr;
    QAction *FPreviewInBrowser = nullptr;
    QAction *FLinkReport = nullptr;
    QAction *FCheckProject = nullptr;
    QAction *FPruneStale = nullptr;
};

} // namespace zarvik
