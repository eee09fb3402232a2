#pragma once

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace zarvik {

class TPageTree;
class TSourceEditor;

// How a project window looks: its commands, its tabs and its status bar, built here and nowhere
// else. The builders connect nothing but the showing of pop-up menus; the classes that react to
// the controls find them in what the builders return. Every widget and menu made here is owned by
// the window through its Qt parents.

// The window's commands, with their names, captions, shortcuts and hints. Each is added to the
// window, so its shortcut works anywhere in it.
struct TProjectActions
{
    QAction *LoadTemplate;
    QAction *InsertTitle;
    QAction *InsertMenu;
    QAction *InsertMainText;
    QAction *InsertPagination;
    QAction *InsertCss;
    QAction *InsertAdsense;
    QAction *LoadCss;
    QAction *EditCopy;
    QAction *EditPaste;
    QAction *NewPage;
    QAction *DeletePages;
    QAction *AddContent;
    QAction *ClearLinks;
    QAction *ImportLinks;
    QAction *ImportCSV;
    QAction *SaveLinks;
    QAction *LinksGener;
    QAction *SiteExport;
    QAction *PreviewInBrowser;
    QAction *LinkReport;
    QAction *CheckProject;
    QAction *PruneStale;
    QAction *FindReplace;
    QAction *ChooseTemplate;
};

TProjectActions BuildProjectActions(QWidget &window);

// The tabs of the template, the style sheet and the ad block, each a tool bar over its editor.
struct TTextTabsView
{
    QWidget *Template; // TabSheet4
    QWidget *Css;      // TabSheet5
    QWidget *Adsense;  // TabSheet7
};

TTextTabsView BuildTextTabs(const TProjectActions &actions, TSourceEditor &templateEditor, TSourceEditor &css,
                            TSourceEditor &adsense, QWidget &window);

// The page management tab: a tool bar over the page tree beside the title and text of the page.
struct TPagesTabView
{
    QWidget *Page;     // TabSheet6
    TPageTree *Tree;   // TreeView1
    QLineEdit *Title;  // LabeledEdit5
    QLineEdit *Filter; // narrows the tree to the pages whose title or URL holds its text
};

TPagesTabView BuildPagesTab(const TProjectActions &actions, TSourceEditor &pageText, QWidget &window);

// The links tab: a caption over the link list.
struct TLinksTabView
{
    QWidget *Page;         // TabSheet3
    QPlainTextEdit *Links; // Memo1
};

TLinksTabView BuildLinksTab(const TProjectActions &actions, QWidget &window);

// The tab control as the window's central widget, with the tabs in their order and captions:
// settings, template, style sheet, ad block, pages, links. The settings tab is shown.
QTabWidget *BuildPageControl(QMainWindow &window, QWidget &settings, const TTextTabsView &texts,
                             QWidget &pages, QWidget &links);

// The five text panels of the status bar, side by side from its left edge.
std::array<QLabel *, 5> BuildStatusPanels(QStatusBar &bar);

// "Процедуры", the window's own menu for the frame's menu bar.
QMenu *BuildProceduresMenu(const TProjectActions &actions, QWidget &window);

} // namespace zarvik
