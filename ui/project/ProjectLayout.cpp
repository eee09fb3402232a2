#include "ui/project/ProjectLayout.h"

#include "ui/editor/SourceEditor.h"
#include "ui/project/PageTree.h"
#include "ui/shell/ShortcutHints.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <limits>
#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

QFont CourierNew(int points)
{
    QFont font(u"Courier New"_s, points);
    font.setStyleHint(QFont::Monospace);
    return font;
}

QLabel *BuddyLabel(const QString &text, QWidget *buddy, const QString &name)
{
    auto *label = new QLabel(text);
    label->setObjectName(name);
    label->setBuddy(buddy);
    // A long label breaks into lines rather than widening its group.
    label->setWordWrap(true);
    return label;
}

QToolBar *MakeToolBar(const QString &name)
{
    auto *bar = new QToolBar;
    bar->setObjectName(name);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setFloatable(false);
    bar->setMovable(false);
    return bar;
}

QMenu *MakeMenu(const QString &name, QWidget &parent, std::initializer_list<QAction *> actions)
{
    auto *menu = new QMenu(&parent);
    menu->setObjectName(name);
    for (QAction *action : actions) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
    return menu;
}

// Shows the menu where the user asked for the widget's context menu.
template <typename TView> void PopUpOnRequest(TView *view, QMenu *menu)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, menu,
                     [view, menu](const QPoint &at) { menu->exec(view->viewport()->mapToGlobal(at)); });
}

// A tab holding a tool bar over a source editor. A null action in `tools` is a separator.
QWidget *TextTab(const QString &name, TSourceEditor &editor, const QString &editorName,
                 const QString &accessibleName, std::initializer_list<QAction *> tools, QMenu *popup,
                 QAction *besideBar = nullptr)
{
    auto *tab = new QWidget;
    tab->setObjectName(name);
    auto *bar = MakeToolBar(u"ToolBar"_s + name);
    bar->addSeparator();
    for (QAction *action : tools) {
        if (action)
            bar->addAction(action);
        else
            bar->addSeparator();
    }
    editor.setObjectName(editorName);
    editor.SetAccessibleName(accessibleName);
    editor.SetEditorFont(CourierNew(10));
    editor.SetGutterFont(CourierNew(8));
    editor.SetLineNumbers(true);
    editor.SetWordWrap(false);
    editor.SetContextMenu(popup);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (besideBar) {
        // A command beside the tool bar rather than on it, so that the bar keeps its own set.
        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(bar, 1);
        auto *button = new QToolButton;
        button->setObjectName(besideBar->objectName() + u"Button"_s);
        button->setDefaultAction(besideBar);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        row->addWidget(button);
        layout->addLayout(row);
    } else {
        layout->addWidget(bar);
    }
    layout->addWidget(&editor);
    return tab;
}

// A status panel that shows the start of a text too long for it as "…" and keeps the end, which
// for a path is the file's name; text() stays the whole text.
class TElidingPanel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideLeft, area.width()));
    }
};

// The tool bar's buttons of the two clipboard commands read in Russian; the commands keep their
// own captions and hints, which the pop-up menus show.
void RussianClipboardButtons(QToolBar *bar, const TProjectActions &a)
{
    const std::pair<QAction *, QString> buttons[] = {{a.EditCopy, u"Копировать"_s},
                                                     {a.EditPaste, u"Вставить"_s}};
    for (const auto &[action, text] : buttons) {
        auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
        if (!button)
            continue;
        const QString tip = ToolTipWithShortcuts(text, action->shortcuts());
        const auto apply = [button, text, tip] {
            button->setText(text);
            button->setToolTip(tip);
        };
        apply();
        // The button takes the command's texts again whenever the command changes.
        QObject::connect(action, &QAction::changed, button, apply);
    }
}

} // namespace

TProjectActions BuildProjectActions(QWidget &window)
{
    const auto make = [&window](const QString &name, const QString &caption) {
        auto *action = new QAction(caption, &window);
        action->setObjectName(name);
        window.addAction(action);
        return action;
    };

    TProjectActions a{};
    a.LoadTemplate = make(u"LoadTemplate"_s, u"Загрузка шаблона"_s);
    a.InsertTitle = make(u"InsertTitle"_s, u"Вставить титл"_s);
    a.InsertMenu = make(u"InsertMenu"_s, u"Вставить меню"_s);
    a.InsertMainText = make(u"InsertMainText"_s, u"Вставить главный текст"_s);
    a.InsertPagination = make(u"InsertPagination"_s, u"Вставить постраничное меню"_s);
    a.InsertCss = make(u"InsertCss"_s, u"Вставить CSS"_s);
    a.InsertAdsense = make(u"InsertAdsense"_s, u"Вставить рекламный блок"_s);
    a.LoadCss = make(u"LoadCss"_s, u"Загрузить стиль"_s);

    // The clipboard commands of the window that holds the focus.
    const auto clipboard = [&](const QString &name, const QString &text, Qt::Key key, const QString &tip,
                               const QString &status) {
        QAction *action = make(name, text);
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        action->setToolTip(tip);
        action->setStatusTip(status);
        return action;
    };
    a.EditCopy = clipboard(u"EditCopy1"_s, u"&Copy"_s, Qt::Key_C, u"Copy"_s,
                           u"Copies the selection and puts it on the Clipboard"_s);
    a.EditPaste =
        clipboard(u"EditPaste1"_s, u"&Paste"_s, Qt::Key_V, u"Paste"_s, u"Inserts Clipboard contents"_s);

    a.NewPage = make(u"newpage"_s, u"Создать страницу"_s);
    a.NewPage->setToolTip(u"Создать новую страницу сайта"_s);
    a.DeletePages = make(u"DeletePages"_s, u"Удалить выделенные"_s);
    a.DeletePages->setToolTip(u"Удалить выбранные страницы"_s);
    a.AddContent = make(u"AddContent"_s, u"Добавить контент"_s);
    a.AddContent->setToolTip(u"Добавление контента..."_s);

    a.ClearLinks = make(u"ClearLinks"_s, u"Очистка ссылок"_s);
    a.ImportLinks = make(u"ImportLinks"_s, u"Импортировать ссылки txt"_s);
    a.ImportCSV = make(u"ImportCSV"_s, u"Импортировать ссылки TSV"_s);
    a.SaveLinks = make(u"SaveLinks"_s, u"Сохранить ссылки в txt"_s);
    a.LinksGener = make(u"LinksGener"_s, u"Распределить ссылки по страницам"_s);
    a.SiteExport = make(u"SiteExport"_s, u"Выгрузка готового сайта в папку"_s);

    a.PreviewInBrowser = make(u"PreviewInBrowser"_s, u"Просмотр в браузере"_s);
    a.PreviewInBrowser->setShortcut(QKeySequence(Qt::Key_F5));
    // Every open project has this action; F5 belongs to the one that holds the focus.
    a.PreviewInBrowser->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a.PreviewInBrowser->setToolTip(u"Открыть выбранную страницу в браузере, не трогая папку выгрузки"_s);
    a.LinkReport = make(u"LinkReport"_s, u"Отчёт о ссылках"_s);
    a.CheckProject = make(u"CheckProject"_s, u"Проверить проект"_s);
    a.PruneStale = make(u"PruneStale"_s, u"Удалить устаревшие страницы"_s);
    a.FindReplace = make(u"FindReplace"_s, u"Найти и заменить в проекте..."_s);
    a.FindReplace->setShortcut(QKeySequence(u"Ctrl+Shift+F"_s));
    a.FindReplace->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a.FindReplace->setToolTip(u"Найти и заменить текст на всех страницах (Ctrl+Shift+F)"_s);
    a.ChooseTemplate = make(u"ChooseTemplate"_s, u"Выбрать шаблон..."_s);
    a.ChooseTemplate->setToolTip(u"Взять шаблон и стиль из галереи"_s);

    // Keys of the project's commands. Every open project has these actions: a key belongs to the
    // one that holds the focus. None is an editing key of the editors.
    const auto key = [](QAction *action, QKeySequence sequence) {
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    };
    key(a.AddContent, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    key(a.ImportLinks, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    key(a.ImportCSV, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J));
    key(a.LinksGener, QKeySequence(Qt::Key_F6));
    key(a.SiteExport, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    key(a.LinkReport, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    key(a.CheckProject, QKeySequence(Qt::Key_F7));

    // Every tool tip names its keys; the specified hints lead where there are any.
    const std::pair<QAction *, QString> tips[] = {
        {a.LoadTemplate, u"Загрузить шаблон из HTML-файла"_s},
        {a.InsertTitle, a.InsertTitle->text()},
        {a.InsertMenu, a.InsertMenu->text()},
        {a.InsertMainText, a.InsertMainText->text()},
        {a.InsertPagination, a.InsertPagination->text()},
        {a.InsertCss, a.InsertCss->text()},
        {a.InsertAdsense, a.InsertAdsense->text()},
        {a.LoadCss, u"Загрузить стиль из CSS-файла"_s},
        {a.NewPage, a.NewPage->toolTip()},
        {a.DeletePages, a.DeletePages->toolTip()},
        {a.AddContent, a.AddContent->toolTip()},
        {a.ClearLinks, a.ClearLinks->text()},
        {a.ImportLinks, a.ImportLinks->text()},
        {a.ImportCSV, a.ImportCSV->text()},
        {a.SaveLinks, a.SaveLinks->text()},
        {a.LinksGener, a.LinksGener->text()},
        {a.SiteExport, a.SiteExport->text()},
        {a.PreviewInBrowser, a.PreviewInBrowser->toolTip()},
        {a.LinkReport, a.LinkReport->text()},
        {a.CheckProject, a.CheckProject->text()},
        {a.PruneStale, a.PruneStale->text()},
        {a.FindReplace, u"Найти и заменить текст на всех страницах"_s},
        {a.ChooseTemplate, u"Взять шаблон и стиль из галереи"_s},
    };
    for (const auto &[action, tip] : tips)
        SetToolTipWithShortcuts(*action, tip);
    return a;
}

TTextTabsView BuildTextTabs(const TProjectActions &a, TSourceEditor &templateEditor, TSourceEditor &css,
                            TSourceEditor &adsense, QWidget &window)
{
    const std::initializer_list<QAction *> inserts{a.InsertTitle,      a.InsertMenu, a.InsertMainText,
                                                   a.InsertPagination, a.InsertCss,  a.InsertAdsense};
    auto *insertButton = new QToolButton;
    insertButton->setObjectName(u"InsertButton"_s);
    insertButton->setText(u"Вставить"_s);
    insertButton->setToolTip(u"Вставить в шаблон"_s);
    insertButton->setPopupMode(QToolButton::InstantPopup);
    insertButton->setMenu(MakeMenu(u"PopupMenu3"_s, *insertButton, inserts));

    QMenu *templateMenu = MakeMenu(u"PopupMenu5"_s, window, inserts);
    templateMenu->addSeparator();
    templateMenu->addActions({a.EditCopy, a.EditPaste});
    QWidget *templateTab = TextTab(u"TabSheet4"_s, templateEditor, u"SynEdit2"_s, u"Шаблон сайта"_s,
                                   {a.LoadTemplate, nullptr}, templateMenu, a.ChooseTemplate);
    auto *templateBar = templateTab->findChild<QToolBar *>();
    templateBar->addWidget(insertButton);
    templateBar->addSeparator();
    templateBar->addActions({a.EditCopy, a.EditPaste});
    templateEditor.SetSyntax(TSyntax::Html);

    QMenu *cssMenu = MakeMenu(u"PopupMenu4"_s, window, {a.LoadCss, nullptr, a.EditCopy, a.EditPaste});
    QWidget *cssTab = TextTab(u"TabSheet5"_s, css, u"SynEdit3"_s, u"Стиль CSS"_s,
                              {a.LoadCss, nullptr, a.EditCopy, a.EditPaste}, cssMenu);
    css.SetSyntax(TSyntax::Css);

    QMenu *adMenu = MakeMenu(u"PopupMenu6"_s, window, {a.EditCopy, a.EditPaste});
    QWidget *adTab = TextTab(u"TabSheet7"_s, adsense, u"SynEdit4"_s, u"Рекламный блок"_s,
                             {a.EditCopy, a.EditPaste}, adMenu);
    adsense.SetSyntax(TSyntax::Html);
    for (QWidget *tab : {templateTab, cssTab, adTab})
        RussianClipboardButtons(tab->findChild<QToolBar *>(), a);
    return {templateTab, cssTab, adTab};
}

TPagesTabView BuildPagesTab(const TProjectActions &a, TSourceEditor &pageText, QWidget &window)
{
    auto *tab = new QWidget;
    tab->setObjectName(u"TabSheet6"_s);

    auto *bar = MakeToolBar(u"ToolBar2"_s);
    bar->addSeparator();
    bar->addAction(a.NewPage);
    bar->addAction(a.DeletePages);
    bar->addSeparator();
    bar->addAction(a.AddContent);
    bar->addSeparator();
    bar->addAction(a.PreviewInBrowser);

    auto *tree = new TPageTree;
    tree->setObjectName(u"TreeView1"_s);
    tree->setAccessibleName(u"Страницы сайта"_s);
    PopUpOnRequest(tree,
                   MakeMenu(u"PopupMenu1"_s, window, {a.NewPage, a.DeletePages, nullptr, a.AddContent}));

    auto *filter = new QLineEdit;
    filter->setObjectName(u"PageFilter"_s);
    filter->setPlaceholderText(u"Найти страницу"_s);
    filter->setToolTip(u"Показать только страницы, в заголовке или адресе которых есть этот текст"_s);
    filter->setAccessibleName(u"Фильтр страниц"_s);
    filter->setClearButtonEnabled(true);
    auto *left = new QWidget;
    {
        auto *layout = new QVBoxLayout(left);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        layout->addWidget(filter);
        layout->addWidget(tree);
    }

    auto *title = new QLineEdit;
    title->setObjectName(u"LabeledEdit5"_s);
    // A page title may be longer than a line edit's default limit of 32,767 characters.
    title->setMaxLength(std::numeric_limits<int>::max());
    pageText.setObjectName(u"SynEdit1"_s);
    pageText.SetAccessibleName(u"Текст страницы"_s);
    pageText.SetEditorFont(CourierNew(10));
    pageText.SetLineNumbers(true);
    pageText.SetWordWrap(true);

    auto *right = new QWidget;
    {
        auto *strip = new QWidget;
        strip->setFixedHeight(80);
        auto *stripLayout = new QVBoxLayout(strip);
        stripLayout->addWidget(BuddyLabel(u"Название страницы "_s, title, u"Label9"_s));
        stripLayout->addWidget(title);
        stripLayout->addStretch();
        auto *layout = new QVBoxLayout(right);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(strip);
        layout->addWidget(&pageText);
    }

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(u"Splitter1"_s);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({169, 500});

    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter);
    return {tab, tree, title, filter};
}

TLinksTabView BuildLinksTab(const TProjectActions &a, QWidget &window)
{
    auto *tab = new QWidget;
    tab->setObjectName(u"TabSheet3"_s);
    auto *caption = new QLabel(
        u"   Список ссылок, которые необходимо распределить по тексту. Каждая новая ссылка с новой строки"_s);
    caption->setObjectName(u"Panel1"_s);
    caption->setWordWrap(true);
    caption->setMinimumHeight(25);

    auto *links = new QPlainTextEdit;
    links->setObjectName(u"Memo1"_s);
    links->setAccessibleName(u"Список ссылок"_s);
    links->setLineWrapMode(QPlainTextEdit::NoWrap);
    links->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    links->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    caption->setBuddy(links);
    PopUpOnRequest(links, MakeMenu(u"PopupMenu2"_s, window,
                                   {a.ClearLinks, nullptr, a.ImportLinks, a.ImportCSV, nullptr, a.SaveLinks,
                                    nullptr, a.EditCopy, a.EditPaste, nullptr, a.LinksGener}));

    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption);
    layout->addWidget(links);
    return {tab, links};
}

QTabWidget *BuildPageControl(QMainWindow &window, QWidget &settings, const TTextTabsView &texts,
                             QWidget &pages, QWidget &links)
{
    auto *tabs = new QTabWidget(&window);
    tabs->setObjectName(u"PageControl1"_s);
    tabs->addTab(&settings, u"Настройки"_s);
    tabs->addTab(texts.Template, u"Шаблон сайта"_s);
    tabs->addTab(texts.Css, u"CSS Стиль"_s);
    tabs->addTab(texts.Adsense, u"Рекламный блок"_s);
    tabs->addTab(&pages, u"Управление страницами"_s);
    tabs->addTab(&links, u"Линки"_s);
    tabs->setCurrentWidget(&settings);
    window.setCentralWidget(tabs);
    return tabs;
}

std::array<QLabel *, 5> BuildStatusPanels(QStatusBar &bar)
{
    bar.setObjectName(u"StatusBar1"_s);
    bar.setSizeGripEnabled(false);
    // The five panels stand side by side from the bar's left edge; the strip holding them takes
    // the whole bar and, in a window narrower than the panels, cuts the last ones off instead of
    // widening the window.
    auto *strip = new QWidget;
    strip->setObjectName(u"StatusPanels"_s);
    strip->setMinimumWidth(0);
    strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const QString initial[5] = {QString(), u"Страниц:"_s, u"Ссылок:"_s, u"Min"_s, u"Max"_s};
    std::array<QLabel *, 5> panels{};
    for (int i = 0; i < 5; ++i) {
        auto *panel = i == 0 ? new TElidingPanel(initial[i]) : new QLabel(initial[i]);
        panel->setObjectName(u"StatusPanel"_s + QString::number(i));
        panel->setFixedWidth(i == 0 ? 200 : 100);
        panel->setAlignment(Qt::AlignVCenter | (i == 0 ? Qt::AlignRight : Qt::AlignLeft));
        // The caption stands right-aligned against the page count: a gap inside each panel keeps
        // the two apart without changing the panels' widths.
        panel->setContentsMargins(6, 0, 6, 0);
        row->addWidget(panel);
        panels[static_cast<std::size_t>(i)] = panel;
    }
    row->addStretch(1);
    bar.addPermanentWidget(strip, 1);
    return panels;
}

QMenu *BuildProceduresMenu(const TProjectActions &a, QWidget &window)
{
    QMenu *menu =
        MakeMenu(u"ProceduresMenu"_s, window,
                 {a.AddContent, nullptr, a.ImportLinks, a.ImportCSV, nullptr, a.LinksGener, nullptr,
                  a.SiteExport, a.PreviewInBrowser, nullptr, a.LinkReport, a.CheckProject, a.PruneStale});
    menu->setTitle(u"П&роцедуры"_s);
    return menu;
}

} // namespace zarvik
