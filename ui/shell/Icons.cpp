#include "ui/shell/Icons.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

using namespace Qt::StringLiterals;

// The resources live in a static library, whose unreferenced initialiser the linker would drop.
// The macro declares the initialiser in the enclosing namespace, so this stays at global scope.
static void LoadIconResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(zarvik_icons);
        return true;
    }();
    (void)loaded;
}

namespace zarvik {

namespace {

struct TIconName
{
    QString Theme;    // the freedesktop icon name
    QString Fallback; // the file under :/icons/actions, without ".svg"
};

const QHash<QString, TIconName> &IconNames()
{
    static const QHash<QString, TIconName> names = [] {
        const auto same = [](const QString &name) { return TIconName{name, name}; };
        return QHash<QString, TIconName>{
            // the main window
            {u"NewProject"_s, same(u"document-new"_s)},
            {u"LoadProject"_s, same(u"document-open"_s)},
            {u"SaveProject"_s, same(u"document-save"_s)},
            {u"SaveProjectAs"_s, same(u"document-save-as"_s)},
            {u"CloseProject"_s, {u"document-close"_s, u"window-close"_s}},
            {u"About"_s, same(u"help-about"_s)},
            {u"Quit"_s, same(u"application-exit"_s)},
            // the project window
            {u"LoadTemplate"_s, same(u"document-open"_s)},
            {u"LoadCss"_s, same(u"document-open"_s)},
            {u"InsertButton"_s, same(u"insert-text"_s)},
            {u"newpage"_s, same(u"document-new"_s)},
            {u"DeletePages"_s, same(u"edit-delete"_s)},
            {u"AddContent"_s, same(u"list-add"_s)},
            {u"ClearLinks"_s, same(u"edit-clear-all"_s)},
            {u"ImportLinks"_s, {u"document-import"_s, u"document-open"_s}},
            {u"ImportCSV"_s, {u"document-import"_s, u"document-open"_s}},
            {u"SaveLinks"_s, same(u"document-save-as"_s)},
            {u"LinksGener"_s, same(u"insert-link"_s)},
            {u"SiteExport"_s, {u"document-export"_s, u"document-send"_s}},
            {u"PreviewInBrowser"_s, same(u"web-browser"_s)},
            {u"LinkReport"_s, same(u"view-list-bullet"_s)},
            {u"CheckProject"_s, {u"tools-check-spelling"_s, u"emblem-ok"_s}},
            {u"PruneStale"_s, same(u"user-trash"_s)},
            {u"FindReplace"_s, same(u"edit-find-replace"_s)},
            {u"ChooseTemplate"_s, same(u"view-grid"_s)},
            {u"ProjectUndo"_s, same(u"edit-undo"_s)},
            {u"ProjectRedo"_s, same(u"edit-redo"_s)},
            {u"HistoryUndo"_s, same(u"edit-undo"_s)},
            {u"HistoryRedo"_s, same(u"edit-redo"_s)},
            // editing commands of the project window and the content-add dialog
            {u"FClear"_s, same(u"edit-clear"_s)},
            {u"FileOpen1"_s, same(u"document-open"_s)},
            {u"EditCut1"_s, same(u"edit-cut"_s)},
            {u"EditCopy1"_s, same(u"edit-copy"_s)},
            {u"EditPaste1"_s, same(u"edit-paste"_s)},
            {u"EditDelete1"_s, same(u"edit-delete"_s)},
            {u"EditUndo1"_s, same(u"edit-undo"_s)},
            {u"EditSelectAll1"_s, same(u"edit-select-all"_s)},
        };
    }();
    return names;
}

} // namespace

QIcon ActionIcon(const QString &objectName)
{
    const auto found = IconNames().constFind(objectName);
    if (found == IconNames().cend())
        return {};
    LoadIconResources();
    return QIcon::fromTheme(found->Theme, QIcon(u":/icons/actions/"_s + found->Fallback + u".svg"_s));
}

void ApplyActionIcons(QWidget *window)
{
    if (!window)
        return;
    QList<QAction *> actions = window->findChildren<QAction *>();
    for (const QToolBar *bar : window->findChildren<QToolBar *>())
        actions += bar->actions();
    for (QAction *action : actions) {
        if (action->isSeparator())
            continue;
        if (const QIcon icon = ActionIcon(action->objectName()); !icon.isNull())
            action->setIcon(icon);
    }
    // A tool-bar button that opens a menu has no action of its own.
    for (QToolButton *button : window->findChildren<QToolButton *>()) {
        if (button->defaultAction())
            continue;
        if (const QIcon icon = ActionIcon(button->objectName()); !icon.isNull()) {
            button->setIcon(icon);
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }
}

QIcon ApplicationIcon()
{
    LoadIconResources();
    QIcon fallback(u":/icons/app/scalable.svg"_s);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        fallback.addFile(u":/icons/app/%1.png"_s.arg(size), QSize(size, size));
    return QIcon::fromTheme(u"org.zarvik.Zarvik"_s, fallback);
}

void SetUpDesktopIdentity()
{
    QApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName(u"org.zarvik.Zarvik"_s);
}

} // namespace zarvik
