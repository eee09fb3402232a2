#include "ui/project/FProject.h"

#include "app/IntegerConversion.h"
#include "app/LinkReport.h"
#include "app/ProjectCheck.h"
#include "app/ProjectDefaults.h"
#include "app/ProjectFiles.h"
#include "app/SitePreview.h"
#include "app/StalePages.h"
#include "app/TextFiles.h"
#include "engine/Error.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/CheckDialog.h"
#include "ui/project/LinkReportDialog.h"
#include "ui/project/PageTree.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/Icons.h"
#include "ui/shell/RunCommand.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <limits>
#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

constexpr int PageRole = Qt::UserRole;

std::string FileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

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

// A control whose selection Copy and Paste work on.
bool IsTextControl(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (qobject_cast<TSourceEditor *>(w))
            return true;
    return qobject_cast<QLineEdit *>(widget) || qobject_cast<QPlainTextEdit *>(widget);
}

// A control that runs a command or changes the tab rather than taking input: while one holds
// the focus, Copy and Paste mean the control focused before it.
bool IsCommandControl(const QWidget *widget)
{
    return qobject_cast<const QToolButton *>(widget) || qobject_cast<const QTabBar *>(widget);
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

} // namespace

TSiteProject::TSiteProject(TServices &services, QWidget *parent)
    : QMainWindow(parent)
    , FServices(services)
    , FGenerator(std::make_unique<TSiteGenerator>())
{
    setObjectName(u"SiteProject"_s);
    setWindowTitle(u"Проект"_s);
    resize(695, 517);

    BuildActions();

    FTabs = new QTabWidget(this);
    FTabs->setObjectName(u"PageControl1"_s);
    FSettingsTab = BuildSettingsTab();
    FTabs->addTab(FSettingsTab, u"Настройки"_s);

    auto *insertButton = new QToolButton;
    insertButton->setObjectName(u"InsertButton"_s);
    insertButton->setText(u"Вставить"_s);
    insertButton->setToolTip(u"Вставить в шаблон"_s);
    insertButton->setPopupMode(QToolButton::InstantPopup);
    auto *insertMenu = new QMenu(insertButton);
    insertMenu->setObjectName(u"PopupMenu3"_s);
    insertMenu->addActions(
        {FInsertTitle, FInsertMenu, FInsertMainText, FInsertPagination, FInsertCss, FInsertAdsense});
    insertButton->setMenu(insertMenu);

    auto *templateMenu = new QMenu(this);
    templateMenu->setObjectName(u"PopupMenu5"_s);
    templateMenu->addActions(
        {FInsertTitle, FInsertMenu, FInsertMainText, FInsertPagination, FInsertCss, FInsertAdsense});
    templateMenu->addSeparator();
    templateMenu->addActions({FEditCopy, FEditPaste});
    QWidget *templateTab = BuildTextTab(u"TabSheet4"_s, FTemplate, u"SynEdit2"_s, u"Шаблон сайта"_s,
                                        {FLoadTemplate, nullptr}, templateMenu);
    templateTab->findChild<QToolBar *>()->addWidget(insertButton);
    templateTab->findChild<QToolBar *>()->addSeparator();
    templateTab->findChild<QToolBar *>()->addActions({FEditCopy, FEditPaste});
    FTemplate->SetSyntax(TSyntax::Html);
    FTabs->addTab(templateTab, u"Шаблон сайта"_s);

    auto *cssMenu = new QMenu(this);
    cssMenu->setObjectName(u"PopupMenu4"_s);
    cssMenu->addAction(FLoadCss);
    cssMenu->addSeparator();
    cssMenu->addActions({FEditCopy, FEditPaste});
    QWidget *cssTab = BuildTextTab(u"TabSheet5"_s, FCss, u"SynEdit3"_s, u"Стиль CSS"_s,
                                   {FLoadCss, nullptr, FEditCopy, FEditPaste}, cssMenu);
    FCss->SetSyntax(TSyntax::Css);
    FTabs->addTab(cssTab, u"CSS Стиль"_s);

    auto *adMenu = new QMenu(this);
    adMenu->setObjectName(u"PopupMenu6"_s);
    adMenu->addActions({FEditCopy, FEditPaste});
    QWidget *adTab = BuildTextTab(u"TabSheet7"_s, FAdsense, u"SynEdit4"_s, u"Рекламный блок"_s,
                                  {FEditCopy, FEditPaste}, adMenu);
    FAdsense->SetSyntax(TSyntax::Html);
    FTabs->addTab(adTab, u"Рекламный блок"_s);

    FPagesTab = BuildPagesTab();
    FTabs->addTab(FPagesTab, u"Управление страницами"_s);
    FLinksTab = BuildLinksTab();
    FTabs->addTab(FLinksTab, u"Линки"_s);
    FTabs->setCurrentWidget(FSettingsTab);
    setCentralWidget(FTabs);

    BuildStatusBar();
    BuildProceduresMenu();

    FTemplate->SetFileText(DefaultTemplate());
    FCss->SetFileText(DefaultCss());
    FAdsense->SetFileText(DefaultAdBlock());

    // Texts of the model may be longer than a line edit's default limit of 32,767 characters.
    for (QLineEdit *field :
         {FSiteTitle, FSavePath, FMenuWord, FDiggValue, FMinChars, FMaxChars, FMaxLinks, FPageTitle})
        field->setMaxLength(std::numeric_limits<int>::max());

    connect(FTabs, &QTabWidget::currentChanged, this, &TSiteProject::TabChanged);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && isAncestorOf(now) && !IsCommandControl(now))
            FLastFocus = now;
    });
    for (TSourceEditor *editor : {FTemplate, FCss, FAdsense})
        connect(editor, &TSourceEditor::TextEdited, this, [this] { MarkEdited(); });

    PushSettings();
    FEdited = false;
    ApplyActionIcons(this);
}

TSiteProject::~TSiteProject()
{
    // Tearing the controls down moves the focus and changes selections; none of that may reach a
    // handler of a window that is going away.
    disconnect(qApp, nullptr, this, nullptr);
    for (QLineEdit *field : {FSiteTitle, FMenuWord, FDiggValue, FMinChars, FMaxChars, FMaxLinks})
        field->removeEventFilter(this);
    for (QObject *child : findChildren<QObject *>())
        child->blockSignals(true);
    delete FTabs;
}

void TSiteProject::BuildActions()
{
    const auto make = [this](const QString &name, const QString &caption, std::function<void()> handler) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, std::move(handler));
        addAction(action);
        return action;
    };
    const auto handler = [this](void (TSiteProject::*execute)()) {
        return std::function<void()>([this, execute] { (this->*execute)(); });
    };
    const auto insert = [this, &make](const QString &name, const QString &caption, std::string_view text) {
        return make(name, caption, [this, owned = std::string(text)] { InsertAtCaret(owned); });
    };

    FLoadTemplate =
        make(u"LoadTemplate"_s, u"Загрузка шаблона"_s, handler(&TSiteProject::LoadTemplateExecute));
    FInsertTitle = insert(u"InsertTitle"_s, u"Вставить титл"_s, "SiteGeneratorChange.Title");
    FInsertMenu = insert(u"InsertMenu"_s, u"Вставить меню"_s, "SiteGeneratorChange.Menu");
    FInsertMainText =
        insert(u"InsertMainText"_s, u"Вставить главный текст"_s, "SiteGeneratorChange.MainText");
    FInsertPagination =
        insert(u"InsertPagination"_s, u"Вставить постраничное меню"_s, "SiteGeneratorChange.Pagination");
    FInsertCss = insert(u"InsertCss"_s, u"Вставить CSS"_s, R"(<link rel="stylesheet" href="style.css" />)");
    FInsertAdsense = insert(u"InsertAdsense"_s, u"Вставить рекламный блок"_s, "SiteGeneratorChange.Adsense");
    FLoadCss = make(u"LoadCss"_s, u"Загрузить стиль"_s, handler(&TSiteProject::LoadCssExecute));

    FEditCopy = make(u"EditCopy1"_s, u"&Copy"_s, handler(&TSiteProject::EditCopy));
    FEditCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    FEditCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FEditCopy->setToolTip(u"Copy"_s);
    FEditCopy->setStatusTip(u"Copies the selection and puts it on the Clipboard"_s);
    FEditPaste = make(u"EditPaste1"_s, u"&Paste"_s, handler(&TSiteProject::EditPaste));
    FEditPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    FEditPaste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FEditPaste->setToolTip(u"Paste"_s);
    FEditPaste->setStatusTip(u"Inserts Clipboard contents"_s);

    FNewPage = make(u"newpage"_s, u"Создать страницу"_s, handler(&TSiteProject::newpageExecute));
    FNewPage->setToolTip(u"Создать новую страницу сайта"_s);
    FDeletePages =
        make(u"DeletePages"_s, u"Удалить выделенные"_s, handler(&TSiteProject::DeletePagesExecute));
    FDeletePages->setToolTip(u"Удалить выбранные страницы"_s);
    FAddContent = make(u"AddContent"_s, u"Добавить контент"_s, handler(&TSiteProject::AddContentExecute));
    FAddContent->setToolTip(u"Добавление контента..."_s);

    FClearLinks = make(u"ClearLinks"_s, u"Очистка ссылок"_s, handler(&TSiteProject::ClearLinksExecute));
    FImportLinks =
        make(u"ImportLinks"_s, u"Импортировать ссылки txt"_s, handler(&TSiteProject::ImportLinksExecute));
    FImportCSV =
        make(u"ImportCSV"_s, u"Импортировать ссылки TSV"_s, handler(&TSiteProject::ImportCSVExecute));
    FSaveLinks = make(u"SaveLinks"_s, u"Сохранить ссылки в txt"_s, handler(&TSiteProject::SaveLinksExecute));
    FLinksGener = make(u"LinksGener"_s, u"Распределить ссылки по страницам"_s,
                       handler(&TSiteProject::LinksGenerExecute));
    FSiteExport = make(u"SiteExport"_s, u"Выгрузка готового сайта в папку"_s,
                       handler(&TSiteProject::SiteExportExecute));

    FPreviewInBrowser = make(u"PreviewInBrowser"_s, u"Просмотр в браузере"_s,
                             handler(&TSiteProject::PreviewInBrowserExecute));
    FPreviewInBrowser->setShortcut(QKeySequence(Qt::Key_F5));
    // Every open project has this action; F5 belongs to the one that holds the focus.
    FPreviewInBrowser->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FPreviewInBrowser->setToolTip(u"Открыть выбранную страницу в браузере, не трогая папку выгрузки"_s);
    FLinkReport = make(u"LinkReport"_s, u"Отчёт о ссылках"_s, handler(&TSiteProject::LinkReportExecute));
    FCheckProject =
        make(u"CheckProject"_s, u"Проверить проект"_s, handler(&TSiteProject::CheckProjectExecute));
    FPruneStale =
        make(u"PruneStale"_s, u"Удалить устаревшие страницы"_s, handler(&TSiteProject::PruneStaleExecute));
}

QWidget *TSiteProject::BuildSettingsTab()
{
    // The groups sit on a page that scrolls inside the tab once the window is smaller than they
    // need, so no field is ever out of reach.
    auto *tab = new QScrollArea;
    tab->setObjectName(u"TabSheet1"_s);
    tab->setFrameShape(QFrame::NoFrame);
    tab->setWidgetResizable(true);
    auto *content = new QWidget;
    content->setObjectName(u"SettingsPage"_s);

    auto *general = new QGroupBox(u"Общие настройки"_s);
    general->setObjectName(u"GroupBox1"_s);
    FSiteTitle = new QLineEdit;
    FSiteTitle->setObjectName(u"Edit1"_s);
    FSavePath = new QLineEdit;
    FSavePath->setObjectName(u"Edit4"_s);
    FSavePath->setReadOnly(true);
    FBrowse = new QPushButton(u"..."_s);
    FBrowse->setObjectName(u"Button2"_s);
    FBrowse->setAccessibleName(u"Выбрать папку для выгрузки"_s);
    FBrowse->setMaximumWidth(32);
    FMenuWord = new QLineEdit;
    FMenuWord->setObjectName(u"LabeledEdit4"_s);
    {
        auto *layout = new QVBoxLayout(general);
        layout->addWidget(BuddyLabel(u"Титл сайта"_s, FSiteTitle, u"Label1"_s));
        layout->addWidget(FSiteTitle);
        layout->addWidget(BuddyLabel(u"Папка для выгрузки готового сайта"_s, FSavePath, u"Label2"_s));
        auto *row = new QHBoxLayout;
        row->addWidget(FSavePath);
        row->addWidget(FBrowse);
        layout->addLayout(row);
        layout->addWidget(BuddyLabel(u"Название для меню"_s, FMenuWord, u"Label3"_s));
        layout->addWidget(FMenuWord);
        layout->addStretch();
    }

    auto *splitting = new QGroupBox(u"Настройки разделения текста на страницы"_s);
    splitting->setObjectName(u"GroupBox2"_s);
    FUseDigg = new QCheckBox(u"Использовать принудительный разрыв"_s);
    FUseDigg->setObjectName(u"CheckBox1"_s);
    FDiggValue = new QLineEdit;
    FDiggValue->setObjectName(u"LabeledEdit1"_s);
    FMinChars = new QLineEdit;
    FMinChars->setObjectName(u"Edit2"_s);
    FMaxChars = new QLineEdit;
    FMaxChars->setObjectName(u"Edit3"_s);
    {
        auto *layout = new QVBoxLayout(splitting);
        layout->addWidget(FUseDigg);
        layout->addWidget(
            BuddyLabel(u"Комбинация символов принудительного разрыва"_s, FDiggValue, u"Label4"_s));
        layout->addWidget(FDiggValue);
        auto *limit = new QLabel(u"Ограничение количества символов на странице:"_s);
        limit->setObjectName(u"Label5"_s);
        limit->setWordWrap(true);
        layout->addWidget(limit);
        auto *row = new QGridLayout;
        row->addWidget(BuddyLabel(u"Знаков на страницу (min)"_s, FMinChars, u"Label6"_s), 0, 0);
        row->addWidget(FMinChars, 1, 0);
        row->addWidget(BuddyLabel(u"Знаков на страницу (max)"_s, FMaxChars, u"Label7"_s), 0, 1);
        row->addWidget(FMaxChars, 1, 1);
        layout->addLayout(row);
        layout->addStretch();
    }

    auto *links = new QGroupBox(u"Настройки распределения ссылок"_s);
    links->setObjectName(u"GroupBox3"_s);
    FMaxLinks = new QLineEdit;
    FMaxLinks->setObjectName(u"LabeledEdit2"_s);
    FUseLinkLimit = new QCheckBox(u"Исп. ограничение количества ссылок на странице"_s);
    FUseLinkLimit->setObjectName(u"CheckBox2"_s);
    {
        // The limit field and its check box share a row, so the long caption of the box does not
        // widen the column of the general group.
        auto *layout = new QGridLayout(links);
        layout->addWidget(BuddyLabel(u"Ссылок на странице (max)"_s, FMaxLinks, u"Label8"_s), 0, 0);
        layout->addWidget(FMaxLinks, 1, 0);
        layout->addWidget(FUseLinkLimit, 1, 1);
        layout->setColumnStretch(0, 1);
        layout->setColumnStretch(1, 1);
        layout->setRowStretch(2, 1);
    }

    auto *grid = new QGridLayout(content);
    grid->addWidget(general, 0, 0);
    grid->addWidget(splitting, 0, 1);
    grid->addWidget(links, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    tab->setWidget(content);

    // Initial states.
    FSiteTitle->setText(ToQString(DefaultSiteTitle));
    FSavePath->setText(ToQString(DefaultSavePath));
    FMenuWord->setText(ToQString(DefaultMenuWord));
    FUseDigg->setChecked(DefaultUseDigg);
    FDiggValue->setText(ToQString(DefaultDiggValue));
    FDiggValue->setEnabled(DefaultUseDigg);
    FMinChars->setText(ToQString(DefaultMinCharsText));
    FMaxChars->setText(ToQString(DefaultMaxCharsText));
    FMaxLinks->setText(ToQString(DefaultLinkLimitText));
    FUseLinkLimit->setChecked(DefaultUseLinkLimit);
    FMaxLinks->setEnabled(DefaultUseLinkLimit);

    for (QLineEdit *field : {FSiteTitle, FMenuWord, FDiggValue, FMinChars, FMaxChars, FMaxLinks})
        field->installEventFilter(this);
    connect(FBrowse, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(FUseDigg, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(FUseLinkLimit, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    return tab;
}

QWidget *TSiteProject::BuildTextTab(const QString &name, TSourceEditor *&editor, const QString &editorName,
                                    const QString &accessibleName, std::initializer_list<QAction *> tools,
                                    QMenu *popup)
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
    editor = new TSourceEditor;
    editor->setObjectName(editorName);
    editor->SetAccessibleName(accessibleName);
    editor->SetEditorFont(CourierNew(10));
    editor->SetGutterFont(CourierNew(8));
    editor->SetLineNumbers(true);
    editor->SetWordWrap(false);
    editor->SetContextMenu(popup);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(editor);
    return tab;
}

QWidget *TSiteProject::BuildPagesTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(u"TabSheet6"_s);

    auto *bar = MakeToolBar(u"ToolBar2"_s);
    bar->addSeparator();
    bar->addAction(FNewPage);
    bar->addAction(FDeletePages);
    bar->addSeparator();
    bar->addAction(FAddContent);
    bar->addSeparator();
    bar->addAction(FPreviewInBrowser);

    FPageTree = new TPageTree;
    FPageTree->setObjectName(u"TreeView1"_s);
    FPageTree->setAccessibleName(u"Страницы сайта"_s);
    FPageTree->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *treeMenu = new QMenu(this);
    treeMenu->setObjectName(u"PopupMenu1"_s);
    treeMenu->addActions({FNewPage, FDeletePages});
    treeMenu->addSeparator();
    treeMenu->addAction(FAddContent);
    connect(FPageTree, &QWidget::customContextMenuRequested, this,
            [this, treeMenu](const QPoint &at) { treeMenu->exec(FPageTree->viewport()->mapToGlobal(at)); });

    FPageTitle = new QLineEdit;
    FPageTitle->setObjectName(u"LabeledEdit5"_s);
    FPageText = new TSourceEditor;
    FPageText->setObjectName(u"SynEdit1"_s);
    FPageText->SetAccessibleName(u"Текст страницы"_s);
    FPageText->SetEditorFont(CourierNew(10));
    FPageText->SetLineNumbers(true);
    FPageText->SetWordWrap(true);

    auto *right = new QWidget;
    {
        auto *strip = new QWidget;
        strip->setFixedHeight(80);
        auto *stripLayout = new QVBoxLayout(strip);
        stripLayout->addWidget(BuddyLabel(u"Название страницы "_s, FPageTitle, u"Label9"_s));
        stripLayout->addWidget(FPageTitle);
        stripLayout->addStretch();
        auto *layout = new QVBoxLayout(right);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(strip);
        layout->addWidget(FPageText);
    }

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(u"Splitter1"_s);
    splitter->addWidget(FPageTree);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({169, 500});

    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter);

    ShowPage(nullptr);
    connect(FPageTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { TreeView1Change(current); });
    connect(FPageTree, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *item) { TreeView1Edited(item); });
    connect(FPageTree, &TPageTree::PageDropped, this,
            [this](QTreeWidgetItem *target) { TreeView1DragDrop(target); });
    connect(FPageTitle, &QLineEdit::textChanged, this, [this] { LabeledEdit5Change(); });
    connect(FPageText, &TSourceEditor::TextEdited, this, [this] { Memo8Change(); });
    return tab;
}

QWidget *TSiteProject::BuildLinksTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(u"TabSheet3"_s);
    auto *caption = new QLabel(
        u"   Список ссылок, которые необходимо распределить по тексту. Каждая новая ссылка с новой строки"_s);
    caption->setObjectName(u"Panel1"_s);
    caption->setWordWrap(true);
    caption->setMinimumHeight(25);

    FLinks = new QPlainTextEdit;
    FLinks->setObjectName(u"Memo1"_s);
    FLinks->setAccessibleName(u"Список ссылок"_s);
    FLinks->setLineWrapMode(QPlainTextEdit::NoWrap);
    FLinks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FLinks->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    caption->setBuddy(FLinks);

    auto *popup = new QMenu(this);
    popup->setObjectName(u"PopupMenu2"_s);
    popup->addAction(FClearLinks);
    popup->addSeparator();
    popup->addActions({FImportLinks, FImportCSV});
    popup->addSeparator();
    popup->addAction(FSaveLinks);
    popup->addSeparator();
    popup->addActions({FEditCopy, FEditPaste});
    popup->addSeparator();
    popup->addAction(FLinksGener);
    FLinks->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FLinks, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint &at) { popup->exec(FLinks->viewport()->mapToGlobal(at)); });
    connect(FLinks, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });

    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption);
    layout->addWidget(FLinks);
    return tab;
}

void TSiteProject::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(u"StatusBar1"_s);
    bar->setSizeGripEnabled(false);
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
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(initial[i]);
        panel->setObjectName(u"StatusPanel"_s + QString::number(i));
        panel->setFixedWidth(i == 0 ? 200 : 100);
        panel->setAlignment(Qt::AlignVCenter | (i == 0 ? Qt::AlignRight : Qt::AlignLeft));
        row->addWidget(panel);
        FPanels[i] = panel;
    }
    row->addStretch(1);
    bar->addPermanentWidget(strip, 1);
}

void TSiteProject::BuildProceduresMenu()
{
    FProceduresMenu = new QMenu(u"Процедуры"_s, this);
    FProceduresMenu->setObjectName(u"ProceduresMenu"_s);
    FProceduresMenu->addAction(FAddContent);
    FProceduresMenu->addSeparator();
    FProceduresMenu->addActions({FImportLinks, FImportCSV});
    FProceduresMenu->addSeparator();
    FProceduresMenu->addAction(FLinksGener);
    FProceduresMenu->addSeparator();
    FProceduresMenu->addAction(FSiteExport);
    FProceduresMenu->addAction(FPreviewInBrowser);
    FProceduresMenu->addSeparator();
    FProceduresMenu->addActions({FLinkReport, FCheckProject, FPruneStale});
}

// --- Name, files ---------------------------------------------------------------------------

void TSiteProject::SetProjectName(const QString &name)
{
    FProjectName = name;
    setWindowTitle(name);
}

void TSiteProject::LoadProjectFile(const QString &path)
{
    LoadProject(FileName(path), *FGenerator);
    // The export must never write a page over the project's own file.
    FGenerator->SetProjectFilePath(FromQString(QFileInfo(path).absoluteFilePath()));
    PullSettings();
    // The pages were replaced: no node may keep pointing at one of the old ones.
    RebuildPageTree();
    FGenerator->SetChanged(false);
    FEdited = false;
}

void TSiteProject::SaveProjectFile(const QString &path)
{
    PushSettings();
    PushEditors();
    SaveProject(FileName(path), *FGenerator);
    FGenerator->SetProjectFilePath(FromQString(QFileInfo(path).absoluteFilePath()));
    FGenerator->SetChanged(false);
    FEdited = false;
}

bool TSiteProject::HasUnsavedEdits() const
{
    return FEdited || SettingsState() != FPushedSettings;
}

QStringList TSiteProject::SettingsState() const
{
    const auto checked = [](const QCheckBox *box) { return box->isChecked() ? u"1"_s : u"0"_s; };
    return {FSiteTitle->text(), FSavePath->text(), FMenuWord->text(),
            FDiggValue->text(), FMinChars->text(), FMaxChars->text(),
            FMaxLinks->text(),  checked(FUseDigg), checked(FUseLinkLimit)};
}

// --- Settings ------------------------------------------------------------------------------

std::optional<std::int32_t> TSiteProject::ConvertField(const QLineEdit &field)
{
    try {
        return StrToInt(FromQString(field.text()));
    } catch (const EError &e) {
        FServices.Prompter.ask(MessageKind::Error, e.Message(), Buttons::Ok);
        return std::nullopt;
    }
}

void TSiteProject::PushSettings()
{
    if (auto value = ConvertField(*FMinChars))
        FGenerator->SetMinCharsPerPage(*value);
    if (auto value = ConvertField(*FMaxChars))
        FGenerator->SetMaxCharsPerPage(*value);

    if (FUseLinkLimit->isChecked()) {
        if (auto value = ConvertField(*FMaxLinks))
            FGenerator->SetMaxLinksPerPage(*value);
        else
            FMaxLinks->setText(u"0"_s);
        // Exactly "0" switches the limit off, as if the user had unchecked the box.
        if (FMaxLinks->text() == u"0"_s) {
            FGenerator->SetMaxLinksPerPage(0);
            FUseLinkLimit->setChecked(false);
            CheckBox2Click();
        }
    } else {
        FGenerator->SetMaxLinksPerPage(0);
    }

    FGenerator->SetSiteTitle(FromQString(FSiteTitle->text()));
    FGenerator->SetSavePath(FromQString(FSavePath->text()));
    FGenerator->SetUseDigg(FUseDigg->isChecked());
    FGenerator->SetDiggValue(FromQString(FDiggValue->text()));
    FGenerator->SetMenuWord(FromQString(FMenuWord->text()));
    FPushedSettings = SettingsState();
    UpdateStatusBar();
}

void TSiteProject::PushEditors()
{
    FGenerator->SetSiteTemplate(FTemplate->Text());
    FGenerator->SetAdsenseCode(FAdsense->Text());
    FGenerator->SetCssCode(FCss->Text());
    FGenerator->SetSiteUrlsToLink(LinkLines());
}

void TSiteProject::PullSettings()
{
    // Filling the controls from the generator is no edit of the user's.
    const bool edited = FEdited;
    FMinChars->setText(QString::number(FGenerator->MinCharsPerPage()));
    FMaxChars->setText(QString::number(FGenerator->MaxCharsPerPage()));
    FMenuWord->setText(ToQString(FGenerator->MenuWord()));
    FUseDigg->setChecked(FGenerator->UseDigg());
    FDiggValue->setEnabled(FUseDigg->isChecked());
    FDiggValue->setText(ToQString(FGenerator->DiggValue()));
    FMaxLinks->setText(QString::number(FGenerator->MaxLinksPerPage()));
    FUseLinkLimit->setChecked(FGenerator->MaxLinksPerPage() != 0);
    FMaxLinks->setEnabled(FUseLinkLimit->isChecked());
    FSiteTitle->setText(ToQString(FGenerator->SiteTitle()));
    FSavePath->setText(ToQString(FGenerator->SavePath()));
    FTemplate->SetText(FGenerator->SiteTemplate());
    FAdsense->SetText(FGenerator->AdsenseCode());
    FCss->SetText(FGenerator->CssCode());
    SetLinkLines(FGenerator->SiteUrlsToLink());
    FEdited = edited;
    FPushedSettings = SettingsState();
    UpdateStatusBar();
}

void TSiteProject::UpdateStatusBar()
{
    FPanels[0]->setText(windowTitle());
    FPanels[1]->setText(u"Страниц: "_s + QString::number(FGenerator->Pages().Count()));
    // A final empty line is not an entry: the count is that of the lines the list gives.
    const QTextDocument *document = FLinks->document();
    int links = document->blockCount();
    if (document->lastBlock().text().isEmpty())
        --links;
    FPanels[2]->setText(u"Ссылок: "_s + QString::number(links));
    FPanels[3]->setText(u"Min: "_s + QString::number(FGenerator->MinCharsPerPage()));
    FPanels[4]->setText(u"Max: "_s + QString::number(FGenerator->MaxCharsPerPage()));
}

bool TSiteProject::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a settings field pushes the settings. Focus lost to a message box, a menu or
    // another application is not leaving the field, and neither is focus that moves on because
    // a push disabled the field (the link limit switching itself off).
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const auto *field = qobject_cast<QWidget *>(watched);
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && field &&
            field->isEnabled())
            Edit1Exit();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TSiteProject::Edit1Exit()
{
    runCommand(FServices.Errors, [this] { PushSettings(); });
}

void TSiteProject::Button2Click()
{
    runCommand(FServices.Errors, [this] {
        if (auto folder = FServices.Dialogs.ChooseFolder(this, QString()))
            FSavePath->setText(*folder);
        PushSettings();
    });
}

void TSiteProject::CheckBox1Click()
{
    FDiggValue->setEnabled(FUseDigg->isChecked());
    FGenerator->SetUseDigg(FUseDigg->isChecked());
}

void TSiteProject::CheckBox2Click()
{
    FMaxLinks->setEnabled(FUseLinkLimit->isChecked());
    if (!FUseLinkLimit->isChecked())
        PushSettings();
}

// --- Pages ---------------------------------------------------------------------------------

TSitePage *TSiteProject::PageOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return nullptr;
    auto *page = reinterpret_cast<TSitePage *>(item->data(0, PageRole).value<quintptr>());
    // A node refers to its page only while the generator still holds it.
    const TSitePages &pages = FGenerator->Pages();
    for (int i = 0; i < pages.Count(); ++i)
        if (&pages[i] == page)
            return page;
    return nullptr;
}

TSitePage *TSiteProject::SelectedPage() const
{
    return PageOf(FPageTree->currentItem());
}

void TSiteProject::RebuildPageTree()
{
    FRebuilding = true;
    FPageTree->setUpdatesEnabled(false);
    FPageTree->clear();
    const TSitePages &pages = FGenerator->Pages();
    QList<QTreeWidgetItem *> items;
    items.reserve(pages.Count());
    for (int i = 0; i < pages.Count(); ++i) {
        auto *item = new QTreeWidgetItem({ToQString(pages[i].PageUrl())});
        item->setData(0, PageRole, QVariant::fromValue(reinterpret_cast<quintptr>(&pages[i])));
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        items.push_back(item);
    }
    FPageTree->addTopLevelItems(items);
    FPageTree->setCurrentItem(nullptr);
    FPageTree->setUpdatesEnabled(true);
    FRebuilding = false;
    ShowPage(nullptr);
}

void TSiteProject::ShowPage(TSitePage *page)
{
    FPageTitle->setEnabled(page != nullptr);
    FPageText->setEnabled(page != nullptr);
    if (!page) {
        FPageTitle->clear();
        FPageText->Clear();
        return;
    }
    // Loading the title counts as an edit of the field and writes the same title back.
    FPageTitle->setText(ToQString(page->PageTitle()));
    FPageText->SetText(page->PageText());
}

void TSiteProject::TreeView1Change(QTreeWidgetItem *current)
{
    ShowPage(PageOf(current));
}

void TSiteProject::TreeView1Edited(QTreeWidgetItem *item)
{
    if (FRebuilding)
        return;
    TSitePage *page = PageOf(item);
    if (!page)
        return;
    std::string url = FromQString(item->text(0));
    if (url != page->PageUrl())
        MarkEdited();
    page->SetPageUrl(std::move(url));
}

void TSiteProject::LabeledEdit5Change()
{
    TSitePage *page = SelectedPage();
    if (!page)
        return;
    // Showing a page sets the field to the title it already has: that is no edit.
    std::string title = FromQString(FPageTitle->text());
    if (title != page->PageTitle())
        MarkEdited();
    page->SetPageTitle(std::move(title));
}

void TSiteProject::Memo8Change()
{
    if (TSitePage *page = SelectedPage()) {
        page->SetPageText(FPageText->Text());
        MarkEdited();
    }
}

void TSiteProject::TabChanged(int index)
{
    if (FTabs->widget(index) == FPagesTab)
        RebuildPageTree();
}

void TSiteProject::newpageExecute()
{
    runCommand(FServices.Errors, [this] {
        const int count = FGenerator->Pages().Count();
        TSitePage &page = FGenerator->CreateNewPage(FGenerator->NewPageTitle(count), std::string());
        FRebuilding = true;
        auto *item = new QTreeWidgetItem({ToQString(page.PageUrl())});
        item->setData(0, PageRole, QVariant::fromValue(reinterpret_cast<quintptr>(&page)));
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        FPageTree->addTopLevelItem(item);
        FRebuilding = false;
        MarkEdited();
        UpdateStatusBar();
    });
}

void TSiteProject::DeletePagesExecute()
{
    runCommand(FServices.Errors, [this] {
        FPageTree->setUpdatesEnabled(false);
        const QList<QTreeWidgetItem *> selected = FPageTree->selectedItems();
        std::vector<TSitePage *> doomed;
        for (const QTreeWidgetItem *item : selected)
            if (TSitePage *page = PageOf(item))
                doomed.push_back(page);
        // Each page's index is looked up afresh, so exactly the selected pages go however the
        // indexes shift in between.
        TSitePages &pages = FGenerator->Pages();
        if (!doomed.empty())
            MarkEdited();
        for (TSitePage *page : doomed)
            for (int i = 0; i < pages.Count(); ++i)
                if (&pages[i] == page) {
                    pages.Delete(i);
                    break;
                }
        RebuildPageTree();
        FPageTree->setUpdatesEnabled(true);
        UpdateStatusBar();
    });
}

void TSiteProject::TreeView1DragDrop(QTreeWidgetItem *target)
{
    runCommand(FServices.Errors, [this, target] {
        TSitePage *dragged = SelectedPage();
        TSitePage *onto = PageOf(target);
        // A drop below the last node has no target page: nothing moves.
        if (!dragged || !onto)
            return;
        if (dragged != onto)
            MarkEdited();
        dragged->SetIndex(onto->Index());
        RebuildPageTree();
    });
}

void TSiteProject::AddContentExecute()
{
    runCommand(FServices.Errors, [this] {
        TContentAddDialog &dialog = FServices.ContentAdd;
        dialog.Prepare(*FGenerator);
        if (dialog.Execute()) {
            TProgressScope progress(this, FServices.Busy, *FGenerator, u"Добавление контента..."_s);
            MarkEdited();
            FGenerator->AddContent(dialog.Text());
            RebuildPageTree();
        }
    });
    FTabs->setCurrentWidget(FPagesTab);
    UpdateStatusBar();
}

// --- Template, style sheet, ad block ---------------------------------------------------------

void TSiteProject::InsertAtCaret(std::string_view text)
{
    FTemplate->InsertInLine(FTemplate->CaretLine(), FTemplate->CaretColumn(), text);
}

void TSiteProject::LoadTemplateExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(
            this, u"Загрузка шаблона"_s, u".htm, .html (*.htm *.html);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty()) {
            FTemplate->LoadFile(files.front());
            MarkEdited();
        }
    });
}

void TSiteProject::LoadCssExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(this, u"Загрузить стиль"_s,
                                                              u".css (*.css);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty()) {
            FCss->LoadFile(files.front());
            MarkEdited();
        }
    });
}

QWidget *TSiteProject::EditTarget() const
{
    QWidget *focused = QApplication::focusWidget();
    QWidget *target =
        focused && isAncestorOf(focused) && !IsCommandControl(focused) ? focused : FLastFocus.data();
    // A check box, a button or the page tree takes no text; a control on a hidden tab or a
    // disabled one is out of the user's reach.
    QWidget *tab = FTabs->currentWidget();
    if (!target || !IsTextControl(target) || !tab || !tab->isAncestorOf(target) || !target->isEnabled())
        return nullptr;
    return target;
}

void TSiteProject::EditCopy()
{
    QWidget *target = EditTarget();
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (auto *editor = qobject_cast<TSourceEditor *>(w)) {
            editor->Copy();
            return;
        }
    if (auto *field = qobject_cast<QLineEdit *>(target))
        field->copy();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        memo->copy();
}

void TSiteProject::EditPaste()
{
    QWidget *target = EditTarget();
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (auto *editor = qobject_cast<TSourceEditor *>(w)) {
            editor->Paste();
            return;
        }
    if (auto *field = qobject_cast<QLineEdit *>(target))
        field->paste();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        memo->paste();
}

// --- Links ---------------------------------------------------------------------------------

QString TSiteProject::LinksText() const
{
    // The plain-text view turns every no-break space into a space; the raw text keeps it and
    // marks the breaks with separator characters instead.
    QString text = FLinks->document()->toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // frame start
        case 0xFDD1: // frame end
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

TStringList TSiteProject::LinkLines() const
{
    return SplitLines(FromQString(LinksText()));
}

void TSiteProject::SetLinkLines(const TStringList &lines)
{
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string &line : lines)
        text.push_back(ToQString(line));
    FLinks->setPlainText(text.join(u'\n'));
}

void TSiteProject::Memo1Change()
{
    MarkEdited();
    UpdateStatusBar();
}

void TSiteProject::ClearLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        const Answer answer = FServices.Prompter.ask(
            MessageKind::Warning, FromQString(u"Вы действительно хотите удалить все ссылки?"_s),
            Buttons::OkCancel);
        if (answer == Answer::Ok)
            FLinks->clear();
    });
}

void TSiteProject::ImportLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(this, u"Импортировать ссылки txt"_s,
                                                              u".txt (*.txt);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty())
            SetLinkLines(ImportLinksTxt(FileName(files.front())));
    });
    FTabs->setCurrentWidget(FLinksTab);
}

void TSiteProject::ImportCSVExecute()
{
    runCommand(FServices.Errors, [this] {
        const QStringList files = FServices.Dialogs.OpenFiles(this, u"Импортировать ссылки TSV"_s,
                                                              u".tsv (*.tsv);;Все файлы (*.*)"_s, false);
        if (!files.isEmpty())
            SetLinkLines(ImportLinksTsv(FileName(files.front())));
    });
    FTabs->setCurrentWidget(FLinksTab);
}

void TSiteProject::SaveLinksExecute()
{
    runCommand(FServices.Errors, [this] {
        QString path =
            FServices.Dialogs.SaveFile(this, u"Сохранить ссылки в txt"_s, u"*.txt (*.txt)"_s, u"txt"_s);
        if (path.isEmpty())
            return;
        // A name typed without an extension gets the list's own.
        if (QFileInfo(path).suffix().isEmpty())
            path += u".txt"_s;
        QString text = LinksText();
        text.replace(u'\n', u"\r\n"_s);
        WriteTextFile(FileName(path), FromQString(text));
    });
}

void TSiteProject::LinksGenerExecute()
{
    runCommand(FServices.Errors, [this] {
        PushSettings();
        PushEditors();
        TProgressScope progress(this, FServices.Busy, *FGenerator, u"Распределение ссылок..."_s);
        FGenerator->SetLinks(FServices.Prompter);
    });
}

void TSiteProject::SiteExportExecute()
{
    runCommand(FServices.Errors, [this] {
        PushSettings();
        PushEditors();
        TProgressScope progress(this, FServices.Busy, *FGenerator, u"Выгрузка сайта..."_s);
        FGenerator->SiteImport(FServices.Prompter);
    });
}

void TSiteProject::PreviewInBrowserExecute()
{
    runCommand(FServices.Errors, [this] {
        PushSettings();
        PushEditors();
        const TSitePage *page = SelectedPage();
        TProgressScope progress(this, FServices.Busy, *FGenerator, u"Подготовка просмотра..."_s);
        OpenPreview(*FGenerator, FServices.PreviewFolders, FServices.Browser,
                    page ? page->PageUrl() : std::string());
    });
}

void TSiteProject::LinkReportExecute()
{
    // The report is about the last distribution, so it reads the link list that was pushed for
    // it, not the one being edited.
    runCommand(FServices.Errors, [this] {
        auto *dialog = new TLinkReportDialog(FServices, BuildLinkReport(*FGenerator), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TSiteProject::CheckProjectExecute()
{
    runCommand(FServices.Errors, [this] {
        PushSettings();
        PushEditors();
        auto *dialog = new TCheckDialog(CheckProject(*FGenerator, std::nullopt), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TSiteProject::PruneStaleExecute()
{
    runCommand(FServices.Errors, [this] {
        PushSettings();
        PushEditors();
        const std::vector<std::string> deleted =
            PruneStalePages(*FGenerator, CheckProject(*FGenerator, std::nullopt), FServices.Prompter);
        if (!deleted.empty()) {
            FServices.Prompter.ask(MessageKind::Information,
                                   FromQString(u"Удалено страниц: %1"_s.arg(deleted.size())), Buttons::Ok);
        }
    });
}

} // namespace zarvik
