#pragma once

#include "ui/shell/Services.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <string>
#include <unordered_map>

class QAction;
class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace zarvik {

class TSiteProject;

// The main window: a frame of project windows with the project tree down its left side.
// Every open project has one root-level node whose data is its window and whose text is its
// display name (or the file it was opened from or saved to); a node is removed exactly when its
// window is destroyed. The frame owns the project windows.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(TServices &services, QWidget *parent = nullptr);
    ~TForm1() override;

    // The box the About command shows modally; not owned.
    void SetAboutBox(QDialog *about) { FAboutBox = about; }

    // Commands, each run through the general error display.
    void NewProjectExecute();
    void LoadProjectExecute();
    void SaveProjectExecute();
    void SaveProjectAsExecute();
    void CloseProjectExecute();
    void AboutExecute();
    void QuitExecute();
    // F1: the README as installed, in the browser.
    void HelpExecute();
    // Opens the example project installed with the program as a new, unsaved project.
    void OpenExampleExecute();
    // Opens the project file as a new, unsaved project named like one made by New; Save then
    // asks for a file name. Throws EError like Open.
    void OpenCopyOfProject(const QString &path);

    // Opens each file as the Open command opens the file it is given: a window whose caption
    // and node are the path, errors shown by the general error display, one file after another.
    void OpenProjectFiles(const QStringList &paths);

    // The frame's rect (position and client size) and a new project window's size, as placed
    // when the screen has room for them.
    static constexpr QRect FrameRect{217, 210, 870, 640};
    static constexpr QSize ProjectWindowSize{695, 517};

    // The project window that is the active document window, or null.
    TSiteProject *ActiveProject() const;
    // The project windows in tree order.
    QList<TSiteProject *> Projects() const;
    QMdiSubWindow *SubWindowOf(const TSiteProject *project) const;
    QTreeWidgetItem *NodeOf(const TSiteProject *project) const;
    static TSiteProject *ProjectOf(const QTreeWidgetItem *node);
    QTreeWidget *ProjectTree() const { return FTreeView1; }
    QMdiArea *MdiArea() const { return FMdiArea; }
    // What the empty document area shows: where to start, and the example's link.
    QWidget *StartHint() const { return FStartHint; }
    // The size a new project window opens at in a document area of the given size.
    static QSize ProjectWindowSizeIn(const QSize &area);

protected:
    // Quit: closes the projects one by one, last node first; stops (and keeps the program
    // running) at a project whose save was asked for but did not happen.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Once the window system knows the window's frame (at the first show, or at the first move
    // after it for a window manager that frames the window later), the frame is fitted to the
    // screen again, frame included.
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void CreateActions();
    void CreateMenusAndToolBar();
    void CreateProjectTree();
    void FitFrameOnScreen();

    TSiteProject *CreateProjectWindow();
    // Open of one file; throws like the command it serves.
    void OpenProjectFile(const QString &path);
    void DestroyProjectWindow(TSiteProject *project);
    QTreeWidgetItem *AppendNode(TSiteProject *project, const QString &text);
    void SetNodeText(QTreeWidgetItem *node, const QString &text);
    // Makes the project's window the active one, on top, restored if minimised, with its node
    // chosen in the tree.
    void BringToFront(TSiteProject *project);
    // Makes the active project's node the tree's current and only selected node.
    void ShowActiveInTree();
    bool HasNodes() const;
    void ShowNoProjects();

    // The save operations behind the commands. They return true when the project was written,
    // false when the user cancelled; errors are thrown.
    bool SaveProject(TSiteProject *project);
    bool SaveProjectAs(TSiteProject *project);
    // Close project; true when the window was destroyed.
    bool CloseProject(TSiteProject *project);
    // Whether the project still is exactly what New made of it, never saved and never edited.
    bool IsUntouched(TSiteProject *project) const;
    // The open project whose file is the file at `path` (the same device and inode, so another
    // spelling or a link counts too), or null.
    TSiteProject *ProjectHoldingFile(const QString &path) const;

    void TreeView1Change(QTreeWidgetItem *current);
    void TreeView1Edited(QTreeWidgetItem *node);
    void ProjectDestroyed(QObject *window);
    void SubWindowActivated(QMdiSubWindow *window);
    void MergeProceduresMenu(TSiteProject *project);
    void CreateStartHint();
    void UpdateStartHint();
    // The name New gives the next project; counts it.
    QString NextUntitledName();
    // The edit tool bar: undo and redo of the active project's operations, captioned after them.
    void UpdateEditMenu();

    TServices &FServices;
    int FNewProjectCounter = 0;
    // The text each project made by New had when it was made, until it is first saved.
    std::unordered_map<const QObject *, std::string> FNewProjectTexts;
    bool FUpdatingTree = false;
    bool FShownOnce = false;
    bool FFrameFitPending = true;
    QDialog *FAboutBox = nullptr;

    QMdiArea *FMdiArea = nullptr;
    QTreeWidget *FTreeView1 = nullptr;
    QToolBar *FToolBar = nullptr;
    QMenu *FProjectMenu = nullptr;
    QMenu *FInfoMenu = nullptr;
    QToolBar *FEditBar = nullptr;
    QPointer<QMenu> FMergedMenu;
    QWidget *FStartHint = nullptr;

    QAction *FNewProject = nullptr;
    QAction *FLoadProject = nullptr;
    QAction *FSaveProject = nullptr;
    QAction *FSaveProjectAs = nullptr;
    QAction *FCloseProject = nullptr;
    QAction *FAbout = nullptr;
    QAction *FQuit = nullptr;
    QAction *FHelp = nullptr;
    QAction *FOpenExample = nullptr;
    QAction *FUndoEdit = nullptr;
    QAction *FRedoEdit = nullptr;
    QAction *FFindReplace = nullptr;
};

} // namespace zarvik
