#include "ui/shell/PContentAddForm.h"

#include "app/TextFiles.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/Icons.h"
#include "ui/shell/RunCommand.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>
#include <utility>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

const QString OpenTitle = u"Открыть"_s;
const QString OpenFilter = u"Текстовые файлы (*.txt);;веб-страницы (*.htm *.html);;все файлы (*.*)"_s;

// The pause in typing after which the preview follows the text.
constexpr int PreviewDelayMs = 300;

QString EndCaption(TPageEnd end)
{
    switch (end) {
    case TPageEnd::Marker:
        return u"разрыв страницы"_s;
    case TPageEnd::SentenceEnd:
        return u"конец предложения"_s;
    case TPageEnd::HardCut:
        return u"по длине"_s;
    case TPageEnd::HardCutMidWord:
        return u"по длине, посреди слова"_s;
    case TPageEnd::EndOfText:
        return u"конец текста"_s;
    }
    return {};
}

} // namespace

TContentAddForm::TContentAddForm(TErrorDisplay &errors, TFileDialogs &dialogs, QWidget *parent)
    : QDialog(parent)
    , FErrors(errors)
    , FDialogs(dialogs)
{
    setObjectName(u"ContentAddForm"_s);
    setWindowTitle(u"Добавить контент к сайту"_s);
    setModal(true);

    FEditor = new TSourceEditor(this);
    FEditor->setObjectName(u"SynEdit1"_s);
    FEditor->SetAccessibleName(u"Текст для новых страниц"_s);
    FEditor->SetWordWrap(true);
    FEditor->SetLineNumbers(true);
    QFont font(u"Courier New"_s, 10);
    font.setStyleHint(QFont::TypeWriter);
    FEditor->SetEditorFont(font);

    QAction *clear = MakeAction(u"FClear"_s, u"Очистить"_s, QKeySequence());
    clear->setIcon(QIcon::fromTheme(u"edit-clear"_s, style()->standardIcon(QStyle::SP_DialogResetButton)));
    connect(clear, &QAction::triggered, this, &TContentAddForm::FClearExecute);

    QAction *open = MakeAction(u"FileOpen1"_s, u"&Open..."_s, QKeySequence(u"Ctrl+O"_s));
    open->setIcon(QIcon::fromTheme(u"document-open"_s, style()->standardIcon(QStyle::SP_DialogOpenButton)));
    open->setShortcutContext(Qt::WindowShortcut);
    connect(open, &QAction::triggered, this, &TContentAddForm::FileOpen1Execute);

    // The editor handles its own editing keys (a Del with nothing selected deletes a character);
    // the actions only show their shortcuts.
    QAction *cut = MakeAction(u"EditCut1"_s, u"Cu&t"_s, QKeySequence(u"Ctrl+X"_s));
    cut->setIcon(QIcon::fromTheme(u"edit-cut"_s));
    connect(cut, &QAction::triggered, FEditor, &TSourceEditor::Cut);
    QAction *copy = MakeAction(u"EditCopy1"_s, u"&Copy"_s, QKeySequence(u"Ctrl+C"_s));
    copy->setIcon(QIcon::fromTheme(u"edit-copy"_s));
    connect(copy, &QAction::triggered, FEditor, &TSourceEditor::Copy);
    QAction *paste = MakeAction(u"EditPaste1"_s, u"&Paste"_s, QKeySequence(u"Ctrl+V"_s));
    paste->setIcon(QIcon::fromTheme(u"edit-paste"_s));
    connect(paste, &QAction::triggered, FEditor, &TSourceEditor::Paste);
    QAction *del = MakeAction(u"EditDelete1"_s, u"&Delete"_s, QKeySequence(u"Del"_s));
    del->setIcon(QIcon::fromTheme(u"edit-delete"_s));
    connect(del, &QAction::triggered, FEditor, &TSourceEditor::Delete);
    QAction *undo = MakeAction(u"EditUndo1"_s, u"&Undo"_s, QKeySequence(u"Ctrl+Z"_s));
    undo->setIcon(QIcon::fromTheme(u"edit-undo"_s));
    connect(undo, &QAction::triggered, FEditor, &TSourceEditor::Undo);
    QAction *selectAll = MakeAction(u"EditSelectAll1"_s, u"Select &All"_s, QKeySequence(u"Ctrl+A"_s));
    connect(selectAll, &QAction::triggered, FEditor, &TSourceEditor::SelectAll);
    QAction *digg = MakeAction(u"SpecDigg"_s, u"Вставка Разрыв страницы"_s, QKeySequence());
    connect(digg, &QAction::triggered, this, &TContentAddForm::SpecDiggExecute);

    FToolBar = new QToolBar(this);
    FToolBar->setObjectName(u"ToolBar1"_s);
    FToolBar->addAction(clear);
    FToolBar->addSeparator();
    FToolBar->addAction(open);
    FToolBar->addSeparator();
    FToolBar->addActions({cut, copy, paste, del});
    FToolBar->addSeparator();
    FToolBar->addAction(undo);

    FPopupMenu = new QMenu(this);
    FPopupMenu->setObjectName(u"PopupMenu1"_s);
    FPopupMenu->addActions({clear, open});
    FPopupMenu->addSeparator();
    FPopupMenu->addActions({copy, paste, selectAll});
    FPopupMenu->addSeparator();
    FPopupMenu->addAction(digg);
    FEditor->SetContextMenu(FPopupMenu);

    FAddButton = new QPushButton(u"Добавить"_s, this);
    FAddButton->setObjectName(u"Button1"_s);
    FAddButton->setAutoDefault(false);
    FCancelButton = new QPushButton(u"Отменить"_s, this);
    FCancelButton->setObjectName(u"Button2"_s);
    FCancelButton->setAutoDefault(false);
    connect(FAddButton, &QPushButton::clicked, this, [this] {
        FAccepted = true;
        accept();
    });
    connect(FCancelButton, &QPushButton::clicked, this, &TContentAddForm::reject);

    auto *bottom = new QHBoxLayout;
    AddEncodingRow(bottom);
    bottom->addStretch();
    bottom->addWidget(FAddButton);
    bottom->addWidget(FCancelButton);
    FPreviewPane = new QWidget(this);
    FPreviewWarnings = new QLabel(FPreviewPane);
    FPreviewWarnings->setObjectName(u"PreviewWarnings"_s);
    FPreviewWarnings->setWordWrap(true);
    FPreviewWarnings->setStyleSheet(u"color: #a00000"_s);
    FPreviewList = new QTreeWidget(FPreviewPane);
    FPreviewList->setObjectName(u"PreviewList"_s);
    FPreviewList->setAccessibleName(u"Страницы, которые будут созданы"_s);
    FPreviewList->setRootIsDecorated(false);
    FPreviewList->setUniformRowHeights(true);
    FPreviewList->setHeaderLabels({u"Заголовок"_s, u"Адрес"_s, u"Длина"_s, u"Конец"_s});
    FPreviewList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(FPreviewList, &QTreeWidget::itemClicked, this, &TContentAddForm::PreviewPageChosen);
    connect(FPreviewList, &QTreeWidget::itemActivated, this, &TContentAddForm::PreviewPageChosen);
    auto *paneLayout = new QVBoxLayout(FPreviewPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->addWidget(FPreviewWarnings);
    paneLayout->addWidget(FPreviewList, 1);
    FPreviewPane->setObjectName(u"PreviewPane"_s);
    FPreviewPane->hide();

    FSplitter = new QSplitter(Qt::Horizontal, this);
    FSplitter->setChildrenCollapsible(false);
    FSplitter->addWidget(FEditor);
    FSplitter->addWidget(FPreviewPane);
    FSplitter->setStretchFactor(0, 3);
    FSplitter->setStretchFactor(1, 2);

    FPreviewButton = new QPushButton(u"Разбивка на страницы"_s, this);
    FPreviewButton->setObjectName(u"PreviewButton"_s);
    FPreviewButton->setCheckable(true);
    FPreviewButton->setAutoDefault(false);
    FPreviewButton->setToolTip(u"Показать страницы, которые будут созданы, и места разрезов"_s);
    connect(FPreviewButton, &QPushButton::toggled, this, &TContentAddForm::SetPreviewShown);
    bottom->insertWidget(0, FPreviewButton);

    FPreviewTimer = new QTimer(this);
    FPreviewTimer->setSingleShot(true);
    FPreviewTimer->setInterval(PreviewDelayMs);
    connect(FPreviewTimer, &QTimer::timeout, this, &TContentAddForm::UpdatePreview);
    connect(FEditor, &TSourceEditor::TextEdited, this, &TContentAddForm::SchedulePreview);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FToolBar);
    layout->addWidget(FSplitter, 1);
    layout->addLayout(bottom);

    resize(640, 480);
    ApplyActionIcons(this);
}

TContentAddForm::~TContentAddForm() = default;

QAction *TContentAddForm::MakeAction(const QString &name, const QString &caption,
                                     const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    addAction(action);
    return action;
}

void TContentAddForm::Prepare(TSiteGenerator &generator)
{
    FEditor->Clear();
    FLoadedFiles.clear();
    FLoadIntact = false;
    FEncodingLabel->clear();
    FAccepted = false;
    FGenerator = &generator;
    SchedulePreview();
}

bool TContentAddForm::Execute()
{
    FEditor->setFocus();
    exec();
    return FAccepted;
}

std::string TContentAddForm::Text() const
{
    return FEditor->Text();
}

void TContentAddForm::reject()
{
    FAccepted = false;
    QDialog::reject();
}

void TContentAddForm::FClearExecute()
{
    FEditor->Clear();
    SchedulePreview();
}

bool TContentAddForm::PreviewShown() const
{
    return !FPreviewPane->isHidden();
}

void TContentAddForm::SetPreviewShown(bool shown)
{
    if (shown == PreviewShown())
        return;
    FPreviewPane->setVisible(shown);
    FPreviewButton->setChecked(shown);
    if (shown) {
        UpdatePreview();
    } else {
        FPreviewTimer->stop();
        ClearPreview();
    }
}

void TContentAddForm::SchedulePreview()
{
    if (PreviewShown())
        FPreviewTimer->start();
}

void TContentAddForm::ClearPreview()
{
    FPreviewPages.clear();
    FPreviewList->clear();
    FPreviewWarnings->clear();
    FEditor->SetMarks(TSourceEditor::TMark::Cut, {});
    FEditor->SetMarks(TSourceEditor::TMark::MidWordCut, {});
}

void TContentAddForm::UpdatePreview()
{
    FPreviewTimer->stop();
    if (!FGenerator || !PreviewShown()) {
        ClearPreview();
        return;
    }
    const std::string text = FEditor->Text();
    FPreviewPages = PreviewContent(*FGenerator, text);
    const TSplitWarnings warnings = SplitWarningsOf(text, SplitSettingsOf(*FGenerator), FPreviewPages);

    std::vector<std::size_t> cuts;
    std::vector<std::size_t> midWordCuts;
    QList<QTreeWidgetItem *> items;
    items.reserve(static_cast<qsizetype>(FPreviewPages.size()));
    for (const TPreviewPage &page : FPreviewPages) {
        auto *item = new QTreeWidgetItem({ToQString(page.Title), ToQString(page.Url),
                                          QString::number(page.Piece.Length), EndCaption(page.Piece.End)});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.push_back(item);
        if (page.Piece.End == TPageEnd::HardCutMidWord)
            midWordCuts.push_back(page.Piece.Cut);
        else if (page.Piece.End != TPageEnd::EndOfText)
            cuts.push_back(page.Piece.Cut);
    }
    FPreviewList->clear();
    FPreviewList->addTopLevelItems(items);
    FEditor->SetMarks(TSourceEditor::TMark::Cut, cuts);
    FEditor->SetMarks(TSourceEditor::TMark::MidWordCut, midWordCuts);

    QStringList lines;
    if (warnings.MarkerAtEndIgnored)
        lines
            << u"Разрыв страницы в самом конце текста не режет: он останется в тексте последней страницы."_s;
    if (warnings.OnlyHardCuts)
        lines << u"Между минимальной и максимальной длиной нет места для конца предложения: страницы режутся "
                 u"только по длине."_s;
    if (warnings.MidWordCuts > 0)
        lines << u"Страниц, разрезанных посреди слова: %1."_s.arg(warnings.MidWordCuts);
    FPreviewWarnings->setText(lines.join(u'\n'));
    FPreviewWarnings->setVisible(!lines.isEmpty());
}

QString TContentAddForm::PreviewWarnings() const
{
    return FPreviewWarnings->text();
}

void TContentAddForm::PreviewPageChosen(QTreeWidgetItem *item)
{
    const int index = FPreviewList->indexOfTopLevelItem(item);
    if (index < 0 || static_cast<std::size_t>(index) >= FPreviewPages.size())
        return;
    FEditor->SetCaretToTextOffset(FPreviewPages[static_cast<std::size_t>(index)].Piece.Offset);
    FEditor->setFocus();
}

void TContentAddForm::FileOpen1Execute()
{
    runCommand(FErrors, [&] {
        const QStringList files = FDialogs.OpenFiles(this, OpenTitle, OpenFilter, true);
        if (!files.isEmpty())
            FileOpen1Accept(files);
    });
}

void TContentAddForm::FileOpen1Accept(const QStringList &files)
{
    const TStringList lines = ReadFilesInChosenEncoding(files);
    FLoadStart = FEditor->LineCount();
    FEditor->AppendLines(lines);
    FLoadedFiles = files;
    FLoadIntact = true;
}

void TContentAddForm::AddEncodingRow(QBoxLayout *layout)
{
    FEncodingBox = new QComboBox(this);
    FEncodingBox->setObjectName(u"EncodingBox"_s);
    const std::pair<QString, TTextEncoding> choices[] = {
        {u"По умолчанию"_s, TTextEncoding::Default}, {u"Автоопределение"_s, TTextEncoding::Auto},
        {u"Windows-1251"_s, TTextEncoding::Cp1251},  {u"UTF-8"_s, TTextEncoding::Utf8},
        {u"KOI8-R"_s, TTextEncoding::Koi8R},         {u"CP866"_s, TTextEncoding::Cp866},
        {u"ISO-8859-5"_s, TTextEncoding::Iso88595},  {u"UTF-16"_s, TTextEncoding::Utf16},
    };
    for (const auto &[caption, encoding] : choices)
        FEncodingBox->addItem(caption, static_cast<int>(encoding));
    auto *caption = new QLabel(u"&Кодировка:"_s, this);
    caption->setBuddy(FEncodingBox);
    FEncodingLabel = new QLabel(this);
    FEncodingLabel->setObjectName(u"EncodingLabel"_s);
    FEncodingLabel->setWordWrap(true);
    FEncodingLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(FEncodingBox, &QComboBox::activated, this, &TContentAddForm::ReloadInChosenEncoding);
    connect(FEditor, &TSourceEditor::TextEdited, this, [this] { FLoadIntact = false; });
    layout->addWidget(caption);
    layout->addWidget(FEncodingBox);
    layout->addWidget(FEncodingLabel, 1);
}

TStringList TContentAddForm::ReadFilesInChosenEncoding(const QStringList &files)
{
    const auto encoding = static_cast<TTextEncoding>(FEncodingBox->currentData().toInt());
    const std::string marker = FGenerator ? FGenerator->DiggValue() : std::string();
    TStringList lines;
    QStringList found;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const TDecodedText text = ReadTextFileAs(QFile::encodeName(files[i]).toStdString(), encoding);
        TStringList fileLines = SplitLines(text.Text);
        lines.insert(lines.end(), std::make_move_iterator(fileLines.begin()),
                     std::make_move_iterator(fileLines.end()));
        if (i + 1 < files.size())
            lines.push_back(marker);
        const QString detected =
            text.Detected.Name.empty() ? u"не определена"_s : QString::fromLatin1(text.Detected.Name);
        found.push_back(QFileInfo(files[i]).fileName() + u": найдена "_s + detected + u", прочитан как "_s +
                        QString::fromLatin1(TextEncodingName(text.ReadAs)));
    }
    FEncodingLabel->setText(found.join(u"; "_s));
    return lines;
}

void TContentAddForm::ReloadInChosenEncoding()
{
    if (FLoadedFiles.isEmpty() || !FLoadIntact)
        return;
    runCommand(FErrors, [&] {
        const TStringList reloaded = ReadFilesInChosenEncoding(FLoadedFiles);
        TStringList lines = FEditor->Lines();
        lines.resize(static_cast<std::size_t>(FLoadStart));
        lines.insert(lines.end(), reloaded.begin(), reloaded.end());
        FEditor->SetLines(lines);
        FLoadIntact = true;
    });
}

void TContentAddForm::SpecDiggExecute()
{
    if (!FGenerator)
        return;
    FEditor->InsertInLine(FEditor->CaretLine(), FEditor->CaretColumn(), FGenerator->DiggValue());
}

} // namespace zarvik
