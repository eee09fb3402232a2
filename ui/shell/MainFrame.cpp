#include "ui/shell/MainFrame.h"

#include "app/BrowserLauncher.h"
#include "app/FileAccess.h"
#include "app/ProjectFiles.h"
#include "app/SafeSave.h"
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFileWriter.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/project/ProjectHistory.h"
#include "ui/shell/Icons.h"
#include "ui/shell/InstalledFiles.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/ShortcutHints.h"
#include "ui/shell/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

constexpr int ProjectRole = Qt::UserRole + 1;

const QString OpenDialogTitle = u"Открыть проект"_s;
const QString OpenDialogFilter = u"Проект (*.sgp);;Все файлы (*.*)"_s;
const QString SaveDialogTitle = u"Сохранить проект как"_s;
const QString SaveDialogFilter = u"Проект (*.sgp)"_s;

QString WithSgpExtension(const QString &name)
{
    return QFile::decodeName(WithProjectExtension(QFile::encodeName(name).toStdString()).c_str());
}

// Save As tests the name the dialog gave; Save tests the node's text with NamesExistingProjectFile.
bool FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// When a save of the file was interrupted and left a copy of its previous version, the user
// chooses the version to open: the copy is put back into the file, or the file is opened as it
// is and the copy stays where it is.
void OfferInterruptedSaveCopy(TPrompter &prompter, const QString &path)
{
    const std::string file = QFile::encodeName(path).toStdString();
    const std::optional<std::string> copy = InterruptedSaveCopy(file);
    if (!copy)
        return;
    const QString question = u"Сохранение проекта \"%1\" было прервано. Прежняя версия сохранена в \"%2\".\r"
                             u"Открыть прежнюю версию?\r«Да» вернёт её в файл проекта; «Нет» откроет файл "
                             u"как есть, а копия останется на месте"_s.arg(ToQString(MessagePath(file)),
                                                                           ToQString(MessagePath(*copy)));
    if (prompter.ask(MessageKind::Warning, FromQString(question), Buttons::YesNo) == Answer::Yes)
        RestoreInterruptedSaveCopy(file);
}

} // namespace

TForm1::TForm1(TServices &services, QWidget *parent)
    : QMainWindow(parent)
    , FServices(services)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Zarvik"_s);

    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName(u"MdiArea"_s);
    FMdiArea->setAccessibleName(u"Окна проектов"_s);
    FMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    CreateProjectTree();
    CreateActions();
    CreateMenusAndToolBar();

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(u"Splitter1"_s);
    splitter->addWidget(FTreeView1);
    splitter->addWidget(FMdiArea);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(1, false);
    splitter->setSizes({185, 870 - 185});
    setCentralWidget(splitter);

    connect(FMdiArea, &QMdiArea::subWindowActivated, this, &TForm1::SubWindowActivated);
    CreateStartHint();

    // A screen too small for the frame gets it moved, then shrunk, so no edge is out of reach.
    PlaceOnScreen(*this, FrameRect);
    ApplyActionIcons(this);
}

TForm1::~TForm1()
{
    // Project windows go while the tree is still there, so their nodes go with them.
    for (QMdiSubWindow *sub : FMdiArea->subWindowList()) {
        if (auto *project = dynamic_cast<TSiteProject *>(sub->widget()))
            DestroyProjectWindow(project);
        else
            delete sub;
    }
}

void TForm1::CreateProjectTree()
{
    FTreeView1 = new QTreeWidget(this);
    FTreeView1->setObjectName(u"TreeView1"_s);
    FTreeView1->setAccessibleName(u"Открытые проекты"_s);
    FTreeView1->setHeaderHidden(true);
    FTreeView1->setColumnCount(1);
    FTreeView1->setRootIsDecorated(false);
    FTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    FTreeView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    FTreeView1->setMinimumWidth(60);
    FTreeView1->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(FTreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current, QTreeWidgetItem *) { TreeView1Change(current); });
    // Choosing the node that is already current (its window minimised or covered) brings the
    // window forward as well.
    connect(FTreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node, int) { TreeView1Change(node); });
    connect(FTreeView1, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *node, int) { TreeView1Change(node); });
    connect(FTreeView1, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *node, int) { TreeView1Edited(node); });
}

void TForm1::CreateActions()
{
    // The first shortcut is the one the menus show; the others work beside it.
    const auto make = [this](const QString &name, const QString &caption,
                             const QList<QKeySequence> &shortcuts, const QString &themeIcon,
                             QStyle::StandardPixmap fallback, void (TForm1::*slot)()) {
        auto *action =
            new QAction(QIcon::fromTheme(themeIcon, style()->standardIcon(fallback)), caption, this);
        action->setObjectName(name);
        action->setShortcuts(shortcuts);
        action->setToolTip(ToolTipWithShortcuts(caption, shortcuts));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const auto keys = [](std::initializer_list<const char16_t *> texts) {
        QList<QKeySequence> list;
        for (const char16_t *text : texts)
            list.append(QKeySequence(QString::fromUtf16(text)));
        return list;
    };
    FNewProject = make(u"NewProject"_s, u"Создать проект"_s, keys({u"Ctrl+N"}), u"document-new"_s,
                       QStyle::SP_FileIcon, &TForm1::NewProjectExecute);
    FLoadProject = make(u"LoadProject"_s, u"Открыть проект"_s, keys({u"Ctrl+L", u"Ctrl+O"}),
                        u"document-open"_s, QStyle::SP_DialogOpenButton, &TForm1::LoadProjectExecute);
    FSaveProject = make(u"SaveProject"_s, u"Сохранить проект"_s, keys({u"Ctrl+S"}), u"document-save"_s,
                        QStyle::SP_DialogSaveButton, &TForm1::SaveProjectExecute);
    FSaveProjectAs = make(u"SaveProjectAs"_s, u"Сохранить проект как..."_s, keys({u"Ctrl+Alt+S"}),
                          u"document-save-as"_s, QStyle::SP_DriveFDIcon, &TForm1::SaveProjectAsExecute);
    FCloseProject = make(u"CloseProject"_s, u"Закрыть проект"_s, keys({u"Ctrl+T", u"Ctrl+W"}),
                         u"document-close"_s, QStyle::SP_DialogCloseButton, &TForm1::CloseProjectExecute);
    FAbout = make(u"About"_s, u"О программе"_s, {}, u"help-about"_s, QStyle::SP_MessageBoxInformation,
                  &TForm1::AboutExecute);
    FHelp = make(u"Help"_s, u"Справка"_s, keys({u"F1"}), u"help-contents"_s, QStyle::SP_DialogHelpButton,
                 &TForm1::HelpExecute);
    FQuit = make(u"Quit"_s, u"Выход"_s, keys({u"Ctrl+Q"}), u"application-exit"_s,
                 QStyle::SP_DialogCancelButton, &TForm1::QuitExecute);
    FOpenExample = make(u"OpenExample"_s, u"Открыть пример"_s, {}, u"document-open"_s,
                        QStyle::SP_DialogOpenButton, &TForm1::OpenExampleExecute);
    // Ctrl+Z reaches these only outside the text editors, which keep their own undo.
    FUndoEdit = new QAction(u"Отменить действие"_s, this);
    FUndoEdit->setObjectName(u"ProjectUndo"_s);
    FUndoEdit->setShortcut(QKeySequence(u"Ctrl+Z"_s));
    connect(FUndoEdit, &QAction::triggered, this, [this] {
        if (TSiteProject *project = ActiveProject())
            project->UndoProjectEdit();
    });
    FRedoEdit = new QAction(u"Повторить действие"_s, this);
    FRedoEdit->setObjectName(u"ProjectRedo"_s);
    FRedoEdit->setShortcuts({QKeySequence(u"Ctrl+Shift+Z"_s), QKeySequence(u"Ctrl+Y"_s)});
    connect(FRedoEdit, &QAction::triggered, this, [this] {
        if (TSiteProject *project = ActiveProject())
            project->RedoProjectEdit();
    });
    FFindReplace = new QAction(u"Найти и заменить в проекте..."_s, this);
    FFindReplace->setObjectName(u"FindReplace"_s);
    FFindReplace->setToolTip(u"Найти и заменить текст на всех страницах проекта (Ctrl+Shift+F)"_s);
    connect(FFindReplace, &QAction::triggered, this, [this] {
        if (TSiteProject *project = ActiveProject())
            project->FindReplaceExecute();
    });
}

void TForm1::CreateMenusAndToolBar()
{
    const auto separator = [this](const QString &name) {
        auto *action = new QAction(this);
        action->setSeparator(true);
        action->setObjectName(name);
        return action;
    };

    FProjectMenu = menuBar()->addMenu(u"&Проект"_s);
    FProjectMenu->setObjectName(u"ProjectMenu"_s);
    FProjectMenu->addActions({FNewProject, separator(u"N2"_s), FLoadProject, separator(u"N3"_s), FSaveProject,
                              FSaveProjectAs, separator(u"N4"_s), FCloseProject, separator(u"N5"_s), FQuit});
    FInfoMenu = menuBar()->addMenu(u"&Информация"_s);
    FInfoMenu->setObjectName(u"InfoMenu"_s);
    FInfoMenu->addAction(FAbout);
    // F1 works anywhere in the frame; the empty document area names it.
    addAction(FHelp);

    FToolBar = addToolBar(u"Проект"_s);
    FToolBar->setObjectName(u"ToolBar1"_s);
    FToolBar->setMovable(false);
    FToolBar->addAction(FNewProject);
    FToolBar->addSeparator();
    FToolBar->addAction(FLoadProject);
    FToolBar->addSeparator();
    FToolBar->addAction(FSaveProject);
    FToolBar->addAction(FSaveProjectAs);
    FToolBar->addSeparator();
    FToolBar->addAction(FCloseProject);
    FToolBar->addSeparator();
    FToolBar->addAction(FAbout);

    // Undo and redo of the active project's operations, and find and replace in it, on a tool
    // bar of their own beside the frame's.
    FEditBar = addToolBar(u"Правка"_s);
    FEditBar->setObjectName(u"EditToolBar"_s);
    FEditBar->setMovable(false);
    FEditBar->addActions({FUndoEdit, FRedoEdit, FFindReplace});
    UpdateEditMenu();

    FTreeView1->addActions(
        {FNewProject, separator(u"N6"_s), FSaveProject, separator(u"N7"_s), FCloseProject});
}

// ---- project windows and nodes ----

TSiteProject *TForm1::ProjectOf(const QTreeWidgetItem *node)
{
    if (!node)
        return nullptr;
    return static_cast<TSiteProject *>(node->data(0, ProjectRole).value<QObject *>());
}

QTreeWidgetItem *TForm1::NodeOf(const TSiteProject *project) const
{
    for (int i = 0; i < FTreeView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = FTreeView1->topLevelItem(i);
        if (project && ProjectOf(node) == project)
            return node;
    }
    return nullptr;
}

QList<TSiteProject *> TForm1::Projects() const
{
    QList<TSiteProject *> projects;
    for (int i = 0; i < FTreeView1->topLevelItemCount(); ++i)
        projects.append(ProjectOf(FTreeView1->topLevelItem(i)));
    return projects;
}

QMdiSubWindow *TForm1::SubWindowOf(const TSiteProject *project) const
{
    for (QMdiSubWindow *sub : FMdiArea->subWindowList()) {
        if (project && sub->widget() == project)
            return sub;
    }
    return nullptr;
}

TSiteProject *TForm1::ActiveProject() const
{
    // The current sub-window stays current while a dialog of ours has the focus, where the
    // active one would be none.
    QMdiSubWindow *sub = FMdiArea->currentSubWindow();
    if (!sub)
        return nullptr;
    for (TSiteProject *project : Projects()) {
        if (sub->widget() == project)
            return project;
    }
    return nullptr;
}

bool TForm1::HasNodes() const
{
    return FTreeView1->topLevelItemCount() > 0;
}

void TForm1::ShowNoProjects()
{
    FServices.Prompter.ask(MessageKind::Error, FromQString(u"Нет открытых проектов"_s), Buttons::Ok);
}

TSiteProject *TForm1::CreateProjectWindow()
{
    auto *project = new TSiteProject(FServices);
    QMdiSubWindow *sub = FMdiArea->addSubWindow(project);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->installEventFilter(this);
    connect(project, &QObject::destroyed, this, &TForm1::ProjectDestroyed);
    // The edit tool bar follows the history of whichever project is active.
    connect(project->History().UndoAction(), &QAction::changed, this, &TForm1::UpdateEditMenu);
    connect(project->History().RedoAction(), &QAction::changed, this, &TForm1::UpdateEditMenu);
    sub->setWindowIcon(QIcon::fromTheme(u"text-x-generic"_s, style()->standardIcon(QStyle::SP_FileIcon)));
    // The window's own menu reads in Russian, and the frame's keys win over its keys (it
    // closes the window with Ctrl+W).
    const std::pair<QString, QString> systemCaptions[] = {
        {u"&Restore"_s, u"&Восстановить"_s}, {u"&Move"_s, u"&Переместить"_s},
        {u"&Size"_s, u"&Размер"_s},          {u"Mi&nimize"_s, u"&Свернуть"_s},
        {u"Ma&ximize"_s, u"Р&азвернуть"_s},  {u"Stay on &Top"_s, u"Поверх &других"_s},
        {u"&Close"_s, u"&Закрыть окно"_s},
    };
    for (QAction *action : sub->systemMenu()->actions()) {
        for (const auto &[english, russian] : systemCaptions) {
            if (action->text() == english)
                action->setText(russian);
        }
        QList<QKeySequence> keys = action->shortcuts();
        for (const QAction *command : {FCloseProject, FLoadProject, FQuit}) {
            for (const QKeySequence &key : command->shortcuts())
                keys.removeAll(key);
        }
        action->setShortcuts(keys);
    }
    // A project window opens at its own size where the document area has room for it, and at
    // the area's size where it has not, so no edge of it is out of sight.
    if (!FMdiArea->isVisible() && layout())
        layout()->activate();
    const QSize area = FMdiArea->viewport()->size();
    const QSize size = ProjectWindowSizeIn(area);
    sub->resize(size);
    sub->show();
    // New windows cascade from the top left corner as far as the area lets them.
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const int place = static_cast<int>((FMdiArea->subWindowList().size() - 1) % 8);
    sub->move(std::max(0, std::min(place * step, area.width() - size.width())),
              std::max(0, std::min(place * step, area.height() - size.height())));
    FMdiArea->setActiveSubWindow(sub);
    UpdateStartHint();
    return project;
}

void TForm1::DestroyProjectWindow(TSiteProject *project)
{
    QMdiSubWindow *sub = SubWindowOf(project);
    // The project goes first, while its frame is still whole, then the empty frame.
    delete project;
    if (sub) {
        FMdiArea->removeSubWindow(sub);
        delete sub;
    }
    // The window of the node the tree now shows becomes the active one; with no node shown,
    // the window that lay on top of the others.
    TSiteProject *next = ProjectOf(FTreeView1->currentItem());
    if (!next) {
        const QList<QMdiSubWindow *> stack = FMdiArea->subWindowList(QMdiArea::StackingOrder);
        for (auto it = stack.rbegin(); it != stack.rend() && !next; ++it)
            next = dynamic_cast<TSiteProject *>((*it)->widget());
    }
    if (next)
        BringToFront(next);
    UpdateStartHint();
}

QSize TForm1::ProjectWindowSizeIn(const QSize &area)
{
    if (area.isEmpty())
        return ProjectWindowSize;
    return ProjectWindowSize.boundedTo(area);
}

void TForm1::CreateStartHint()
{
    FStartHint = new QWidget(FMdiArea->viewport());
    FStartHint->setObjectName(u"StartHint"_s);
    auto *layout = new QVBoxLayout(FStartHint);
    auto *text = new QLabel(u"Создайте проект (Ctrl+N) или откройте (Ctrl+O)"_s, FStartHint);
    text->setObjectName(u"StartHintText"_s);
    text->setAlignment(Qt::AlignCenter);
    auto *example = new QLabel(u"<a href=\"example\">Открыть пример</a>"_s, FStartHint);
    example->setObjectName(u"OpenExampleLink"_s);
    example->setAlignment(Qt::AlignCenter);
    example->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    example->setToolTip(u"Открыть пример проекта как новый несохранённый проект"_s);
    connect(example, &QLabel::linkActivated, this, [this] { OpenExampleExecute(); });
    auto *help = new QLabel(u"Справка — F1"_s, FStartHint);
    help->setObjectName(u"StartHintHelp"_s);
    help->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    layout->addWidget(example);
    layout->addWidget(help);
    FMdiArea->viewport()->installEventFilter(this);
    UpdateStartHint();
}

void TForm1::UpdateStartHint()
{
    if (!FStartHint)
        return;
    const bool empty = FMdiArea->subWindowList().isEmpty();
    FStartHint->setVisible(empty);
    if (!empty)
        return;
    const QSize area = FMdiArea->viewport()->size();
    const QSize hint = FStartHint->sizeHint().boundedTo(area);
    FStartHint->setGeometry(
        QRect(QPoint((area.width() - hint.width()) / 2, (area.height() - hint.height()) / 2), hint));
    FStartHint->lower();
}

QString TForm1::NextUntitledName()
{
    const QString name = u"Untitled"_s + QString::number(FNewProjectCounter);
    ++FNewProjectCounter;
    return name;
}

QTreeWidgetItem *TForm1::AppendNode(TSiteProject *project, const QString &text)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, ProjectRole, QVariant::fromValue(static_cast<QObject *>(project)));
    node->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    {
        const QScopedValueRollback guard(FUpdatingTree, true);
        FTreeView1->addTopLevelItem(node);
    }
    // A project just made or opened is the one the user works on next.
    BringToFront(project);
    MergeProceduresMenu(ActiveProject());
    return node;
}

void TForm1::SetNodeText(QTreeWidgetItem *node, const QString &text)
{
    const QScopedValueRollback guard(FUpdatingTree, true);
    node->setText(0, text);
}

void TForm1::BringToFront(TSiteProject *project)
{
    QMdiSubWindow *sub = SubWindowOf(project);
    if (!sub)
        return;
    if (sub->isMinimized())
        sub->showNormal();
    FMdiArea->setActiveSubWindow(sub);
    sub->raise();
    // The frame gives the focus back to the widget that had it when the frame is activated
    // again (after a dialog, or files handed over while another program was in front); a
    // focus left in another project window would activate that window once more.
    const QWidget *focus = focusWidget();
    if (focus && FMdiArea->isAncestorOf(focus) && !sub->isAncestorOf(focus))
        (project->focusWidget() ? project->focusWidget() : project)->setFocus(Qt::OtherFocusReason);
    ShowActiveInTree();
}

void TForm1::ShowActiveInTree()
{
    QTreeWidgetItem *node = NodeOf(ActiveProject());
    if (!node || (FTreeView1->currentItem() == node && node->isSelected()))
        return;
    const QScopedValueRollback guard(FUpdatingTree, true);
    FTreeView1->setCurrentItem(node);
}

void TForm1::ProjectDestroyed(QObject *window)
{
    FNewProjectTexts.erase(window);
    // Only the address is compared: the window is half destroyed by now.
    for (int i = 0; i < FTreeView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = FTreeView1->topLevelItem(i);
        if (node->data(0, ProjectRole).value<QObject *>() == window) {
            // The selection moving off the node must not touch the windows now: one of them
            // may be the half-destroyed frame.
            const QScopedValueRollback guard(FUpdatingTree, true);
            node->setData(0, ProjectRole, QVariant());
            delete node;
            return;
        }
    }
}

// ---- tree reactions ----

void TForm1::TreeView1Change(QTreeWidgetItem *current)
{
    if (FUpdatingTree)
        return;
    if (TSiteProject *project = ProjectOf(current))
        BringToFront(project);
}

void TForm1::TreeView1Edited(QTreeWidgetItem *node)
{
    if (FUpdatingTree)
        return;
    TSiteProject *project = ProjectOf(node);
    if (!project)
        return;
    runCommand(FServices.Errors, [&] {
        project->SetProjectName(node->text(0));
        project->update();
    });
}

void TForm1::SubWindowActivated(QMdiSubWindow *)
{
    // Deactivating the frame (a dialog of ours taking the focus) reports no window; the
    // current one still counts as active for the commands and the menu.
    TSiteProject *project = ActiveProject();
    MergeProceduresMenu(project);
    UpdateEditMenu();
    ShowActiveInTree();
}

void TForm1::UpdateEditMenu()
{
    TSiteProject *project = ActiveProject();
    const QAction *undo = project ? project->History().UndoAction() : nullptr;
    const QAction *redo = project ? project->History().RedoAction() : nullptr;
    FUndoEdit->setText(undo ? undo->text() : u"Отменить действие"_s);
    FUndoEdit->setEnabled(undo && undo->isEnabled());
    SetToolTipWithShortcuts(*FUndoEdit, FUndoEdit->text());
    FRedoEdit->setText(redo ? redo->text() : u"Повторить действие"_s);
    FRedoEdit->setEnabled(redo && redo->isEnabled());
    SetToolTipWithShortcuts(*FRedoEdit, FRedoEdit->text());
    FFindReplace->setEnabled(project != nullptr);
}

void TForm1::MergeProceduresMenu(TSiteProject *project)
{
    QMenu *wanted = project ? project->ProceduresMenu() : nullptr;
    if (FMergedMenu == wanted)
        return;
    if (FMergedMenu)
        menuBar()->removeAction(FMergedMenu->menuAction());
    FMergedMenu = wanted;
    if (wanted)
        menuBar()->insertMenu(FInfoMenu->menuAction(), wanted);
}

void TForm1::FitFrameOnScreen()
{
    if (isMaximized() || isFullScreen())
        return;
    if (frameGeometry() != geometry())
        FFrameFitPending = false;
    PlaceOnScreen(*this, QRect(frameGeometry().topLeft(), size()));
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (FShownOnce)
        return;
    FShownOnce = true;
    FitFrameOnScreen();
}

void TForm1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (FShownOnce && FFrameFitPending && frameGeometry() != geometry())
        FitFrameOnScreen();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FMdiArea->viewport() && event->type() == QEvent::Resize)
        UpdateStartHint();
    // A project window's own close button only minimises it; projects are closed by the
    // commands.
    if (event->type() == QEvent::Close) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(watched); sub && sub->mdiArea() == FMdiArea) {
            event->ignore();
            sub->showMinimized();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- commands ----

void TForm1::NewProjectExecute()
{
    runCommand(FServices.Errors, [&] {
        TSiteProject *project = CreateProjectWindow();
        const QString name = NextUntitledName();
        project->SetProjectName(name);
        AppendNode(project, name);
        FNewProjectTexts[project] = TProjectFileWriter(project->Generator()).Text();
    });
}

void TForm1::LoadProjectExecute()
{
    runCommand(FServices.Errors, [&] {
        const QStringList chosen =
            FServices.Dialogs.OpenFiles(this, OpenDialogTitle, OpenDialogFilter, false);
        if (chosen.isEmpty())
            return;
        OpenProjectFile(chosen.front());
    });
}

void TForm1::OpenProjectFile(const QString &path)
{
    // A file has one window: opening it again shows that window.
    if (TSiteProject *holder = ProjectHoldingFile(path)) {
        BringToFront(holder);
        return;
    }
    OfferInterruptedSaveCopy(FServices.Prompter, path);
    TSiteProject *project = CreateProjectWindow();
    try {
        const TBusyScope busy(FServices.Busy);
        project->SetProjectName(path);
        project->LoadProjectFile(path);
    } catch (...) {
        // A project that could not be read is not kept half made.
        DestroyProjectWindow(project);
        throw;
    }
    AppendNode(project, path);
}

void TForm1::OpenProjectFiles(const QStringList &paths)
{
    // A file that cannot be opened is reported and the next one is still opened.
    for (const QString &path : paths)
        runCommand(FServices.Errors, [&] { OpenProjectFile(path); });
}

bool TForm1::SaveProject(TSiteProject *project)
{
    QTreeWidgetItem *node = NodeOf(project);
    if (!node)
        return false;
    const QString path = node->text(0);
    if (!NamesExistingProjectFile(QFile::encodeName(path).toStdString()))
        return SaveProjectAs(project);
    const TBusyScope busy(FServices.Busy);
    project->SaveProjectFile(path);
    FNewProjectTexts.erase(project);
    return true;
}

bool TForm1::SaveProjectAs(TSiteProject *project)
{
    const QString chosen = FServices.Dialogs.SaveFile(this, SaveDialogTitle, SaveDialogFilter, QString());
    if (chosen.isEmpty())
        return false;
    const QString name = WithSgpExtension(chosen);
    FServices.Dialogs.RememberFile(SaveDialogTitle, SaveDialogFilter, name);

    QTreeWidgetItem *node = NodeOf(project);
    if (!node)
        return false;
    // Two windows on one file would overwrite each other's saves.
    if (TSiteProject *holder = ProjectHoldingFile(name); holder && holder != project) {
        FServices.Prompter.ask(
            MessageKind::Warning,
            FromQString(u"Файл "_s + name +
                        u" открыт в другом окне. Закройте тот проект или выберите другое имя"_s),
            Buttons::Ok);
        return false;
    }
    if (FileExists(name)) {
        const Answer answer = FServices.Prompter.ask(
            MessageKind::Warning, FromQString(u"Перезаписать указанный файл?"_s), Buttons::OkCancel);
        if (answer != Answer::Ok)
            return false;
    }
    {
        const TBusyScope busy(FServices.Busy);
        project->SaveProjectFile(name);
    }
    FNewProjectTexts.erase(project);
    SetNodeText(node, name);
    return true;
}

void TForm1::SaveProjectExecute()
{
    runCommand(FServices.Errors, [&] {
        if (!HasNodes()) {
            ShowNoProjects();
            return;
        }
        if (TSiteProject *project = ActiveProject())
            SaveProject(project);
    });
}

void TForm1::SaveProjectAsExecute()
{
    runCommand(FServices.Errors, [&] {
        if (!HasNodes()) {
            ShowNoProjects();
            return;
        }
        // The dialog comes first; with no active window the chosen name is not used.
        TSiteProject *project = ActiveProject();
        if (project) {
            SaveProjectAs(project);
        } else {
            FServices.Dialogs.SaveFile(this, SaveDialogTitle, SaveDialogFilter, QString());
        }
    });
}

bool TForm1::CloseProject(TSiteProject *project)
{
    // Page edits, editor texts and the link list do not mark the generator changed; the window
    // keeps its own record of them.
    if ((project->Generator().Changed() || project->HasUnsavedEdits()) && !IsUntouched(project)) {
        const QString question = u"Сохранить проект "_s + project->ProjectName() + u"?"_s;
        switch (
            FServices.Prompter.ask(MessageKind::Warning, FromQString(question), Buttons::SaveDiscardCancel)) {
        case Answer::Ok: {
            // A save must not end in a discarded project: a save that is cancelled or fails
            // keeps the project open with its changes.
            bool saved = false;
            if (!runCommand(FServices.Errors, [&] { saved = SaveProject(project); }) || !saved)
                return false;
            break;
        }
        case Answer::No:
            break;
        default:
            return false;
        }
    }
    DestroyProjectWindow(project);
    return true;
}

bool TForm1::IsUntouched(TSiteProject *project) const
{
    const auto made = FNewProjectTexts.find(project);
    return made != FNewProjectTexts.end() && !project->HasUnsavedEdits() &&
           project->Generator().Pages().Count() == 0 &&
           TProjectFileWriter(project->Generator()).Text() == made->second;
}

TSiteProject *TForm1::ProjectHoldingFile(const QString &path) const
{
    struct stat wanted
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &wanted) != 0)
        return nullptr;
    for (TSiteProject *project : Projects()) {
        const QTreeWidgetItem *node = NodeOf(project);
        struct stat held
        {
        };
        if (node && QFileInfo(node->text(0)).isAbsolute() &&
            ::stat(QFile::encodeName(node->text(0)).constData(), &held) == 0 &&
            held.st_dev == wanted.st_dev && held.st_ino == wanted.st_ino)
            return project;
    }
    return nullptr;
}

void TForm1::CloseProjectExecute()
{
    runCommand(FServices.Errors, [&] {
        if (!HasNodes()) {
            ShowNoProjects();
            return;
        }
        if (TSiteProject *project = ActiveProject())
            CloseProject(project);
    });
}

void TForm1::AboutExecute()
{
    runCommand(FServices.Errors, [&] {
        if (FAboutBox)
            FAboutBox->exec();
    });
}

void TForm1::QuitExecute()
{
    close();
}

void TForm1::HelpExecute()
{
    runCommand(FServices.Errors, [&] {
        const QString help = HelpFile();
        if (help.isEmpty()) {
            FServices.Prompter.ask(MessageKind::Error, FromQString(u"Файл справки README.md не найден"_s),
                                   Buttons::Ok);
            return;
        }
        if (!FServices.Browser.Open(FileUrl(QFile::encodeName(help).toStdString())))
            FServices.Prompter.ask(MessageKind::Error,
                                   FromQString(u"Не удалось открыть справку в браузере: "_s + help),
                                   Buttons::Ok);
    });
}

void TForm1::OpenExampleExecute()
{
    runCommand(FServices.Errors, [&] {
        const QString example = ExampleProjectFile();
        if (example.isEmpty()) {
            FServices.Prompter.ask(MessageKind::Error, FromQString(u"Пример проекта не найден"_s),
                                   Buttons::Ok);
            return;
        }
        OpenCopyOfProject(example);
    });
}

void TForm1::OpenCopyOfProject(const QString &path)
{
    TSiteProject *project = CreateProjectWindow();
    const QString name = NextUntitledName();
    try {
        const TBusyScope busy(FServices.Busy);
        project->SetProjectName(name);
        project->LoadProjectFile(path);
    } catch (...) {
        DestroyProjectWindow(project);
        throw;
    }
    // The copy belongs to no file yet, and is unsaved until it is saved under a name of its own.
    project->Generator().SetProjectFilePath(std::string());
    project->Generator().SetChanged(true);
    AppendNode(project, name);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    while (HasNodes()) {
        const int before = FTreeView1->topLevelItemCount();
        TSiteProject *project = ProjectOf(FTreeView1->topLevelItem(before - 1));
        BringToFront(project);
        if (!CloseProject(project) || FTreeView1->topLevelItemCount() >= before) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace zarvik
