#include "ui/shell/PContentAddForm.h"

#include "app/TextFiles.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/Icons.h"
#include "ui/shell/RunCommand.h"
#include "ui_PContentAddForm.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <iterator>
#include <utility>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

const QString OpenTitle = u"Открыть"_s;
const QString OpenFilter = u"Текстовые файлы (*.txt);;веб-страницы (*.htm *.html);;все файлы (*.*)"_s;

// The most lines the encoding note under the editor takes.
constexpr int MaxEncodingNoteLines = 3;

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
    , FUi(std::make_unique<Ui::ContentAddForm>())
{
    FUi->setupUi(this);

    // The dialog's one source editor is made here; it takes the place before the preview.
    FEditor = new TSourceEditor(this);
    FEditor->setObjectName(u"SynEdit1"_s);
    FEditor->SetAccessibleName(u"Текст для новых страниц"_s);
    FEditor->SetWordWrap(true);
    FEditor->SetLineNumbers(true);
    QFont font(u"Courier New"_s, 10);
    font.setStyleHint(QFont::TypeWriter);
    FEditor->SetEditorFont(font);
    FEditor->SetContextMenu(FUi->PopupMenu1);
    FUi->Splitter->insertWidget(0, FEditor);
    FUi->Splitter->setStretchFactor(0, 3);
    FUi->Splitter->setStretchFactor(1, 2);
    FUi->PreviewList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FUi->PreviewPane->hide();
    FillEncodingBox();
    FUi->EncodingBox->setToolTip(
        u"Кодировка открываемых файлов; уже открытые файлы перечитываются в выбранной"_s);
    // The note on the files' encodings wraps under the editor; however many files it names, it
    // takes at most a few lines (the tool tip holds it all), so the editor keeps its room.
    FUi->EncodingLabel->setMaximumHeight(FUi->EncodingLabel->fontMetrics().lineSpacing() *
                                         MaxEncodingNoteLines);
    FUi->EncodingLabel->hide();

    const auto themeIcon = [this](QAction *action, const QString &name, QStyle::StandardPixmap fallback) {
        action->setIcon(QIcon::fromTheme(name, style()->standardIcon(fallback)));
    };
    themeIcon(FUi->FClear, u"edit-clear"_s, QStyle::SP_DialogResetButton);
    themeIcon(FUi->FileOpen1, u"document-open"_s, QStyle::SP_DialogOpenButton);
    FUi->EditCut1->setIcon(QIcon::fromTheme(u"edit-cut"_s));
    FUi->EditCopy1->setIcon(QIcon::fromTheme(u"edit-copy"_s));
    FUi->EditPaste1->setIcon(QIcon::fromTheme(u"edit-paste"_s));
    FUi->EditDelete1->setIcon(QIcon::fromTheme(u"edit-delete"_s));
    FUi->EditUndo1->setIcon(QIcon::fromTheme(u"edit-undo"_s));

    connect(FUi->FClear, &QAction::triggered, this, &TContentAddForm::FClearExecute);
    connect(FUi->FileOpen1, &QAction::triggered, this, &TContentAddForm::FileOpen1Execute);
    // The editor handles its own editing keys (a Del with nothing selected deletes a character);
    // the actions only show their shortcuts.
    connect(FUi->EditCut1, &QAction::triggered, FEditor, &TSourceEditor::Cut);
    connect(FUi->EditCopy1, &QAction::triggered, FEditor, &TSourceEditor::Copy);
    connect(FUi->EditPaste1, &QAction::triggered, FEditor, &TSourceEditor::Paste);
    connect(FUi->EditDelete1, &QAction::triggered, FEditor, &TSourceEditor::Delete);
    connect(FUi->EditUndo1, &QAction::triggered, FEditor, &TSourceEditor::Undo);
    connect(FUi->EditSelectAll1, &QAction::triggered, FEditor, &TSourceEditor::SelectAll);
    connect(FUi->SpecDigg, &QAction::triggered, this, &TContentAddForm::SpecDiggExecute);

    connect(FUi->Button1, &QPushButton::clicked, this, [this] {
        FAccepted = true;
        accept();
    });
    connect(FUi->Button2, &QPushButton::clicked, this, &TContentAddForm::reject);
    connect(FUi->EncodingBox, &QComboBox::activated, this, &TContentAddForm::ReloadInChosenEncoding);
    connect(FEditor, &TSourceEditor::TextEdited, this, [this] { FLoadIntact = false; });

    connect(FUi->PreviewList, &QTreeWidget::itemClicked, this, &TContentAddForm::PreviewPageChosen);
    connect(FUi->PreviewList, &QTreeWidget::itemActivated, this, &TContentAddForm::PreviewPageChosen);
    connect(FUi->PreviewButton, &QPushButton::toggled, this, &TContentAddForm::SetPreviewShown);
    FPreviewTimer = new QTimer(this);
    FPreviewTimer->setSingleShot(true);
    FPreviewTimer->setInterval(PreviewDelayMs);
    connect(FPreviewTimer, &QTimer::timeout, this, &TContentAddForm::UpdatePreview);
    connect(FEditor, &TSourceEditor::TextEdited, this, &TContentAddForm::SchedulePreview);

    ApplyActionIcons(this);
}

TContentAddForm::~TContentAddForm() = default;

void TContentAddForm::FillEncodingBox()
{
    const std::pair<QString, TTextEncoding> choices[] = {
        {u"По умолчанию"_s, TTextEncoding::Default}, {u"Автоопределение"_s, TTextEncoding::Auto},
        {u"Windows-1251"_s, TTextEncoding::Cp1251},  {u"UTF-8"_s, TTextEncoding::Utf8},
        {u"KOI8-R"_s, TTextEncoding::Koi8R},         {u"CP866"_s, TTextEncoding::Cp866},
        {u"ISO-8859-5"_s, TTextEncoding::Iso88595},  {u"UTF-16"_s, TTextEncoding::Utf16},
    };
    for (const auto &[caption, encoding] : choices)
        FUi->EncodingBox->addItem(caption, static_cast<int>(encoding));
}

void TContentAddForm::Prepare(TSiteGenerator &generator)
{
    FEditor->Clear();
    FLoadedFiles.clear();
    FLoadIntact = false;
    FUi->EncodingLabel->clear();
    FUi->EncodingLabel->setToolTip(QString());
    FUi->EncodingLabel->hide();
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
    return !FUi->PreviewPane->isHidden();
}

void TContentAddForm::SetPreviewShown(bool shown)
{
    if (shown == PreviewShown())
        return;
    FUi->PreviewPane->setVisible(shown);
    FUi->PreviewButton->setChecked(shown);
    if (shown) {
        FPreviewPaneFitted = 0;
        UpdatePreview();
    } else {
        FPreviewTimer->stop();
        ClearPreview();
    }
}

void TContentAddForm::FitPreviewPane()
{
    // Every row counts, not only the rows in sight, so that scrolling never asks for more room.
    const QTreeWidget &list = *FUi->PreviewList;
    const QHeaderView &header = *list.header();
    const QFontMetrics metrics = list.fontMetrics();
    const int cellMargins = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1);
    int columns = 0;
    for (int column = 0; column < list.columnCount(); ++column) {
        int widest = header.sectionSizeHint(column);
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            widest = std::max(widest,
                              metrics.horizontalAdvance(list.topLevelItem(row)->text(column)) + cellMargins);
        columns += widest;
    }
    const int scrollBar = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    const int paneWanted = columns + 2 * list.frameWidth() + scrollBar;
    // Fitted once as the pane opens, and again only when the rows need more: a split the user
    // moved stays where it is while the text changes.
    if (paneWanted <= FPreviewPaneFitted)
        return;
    FPreviewPaneFitted = paneWanted;
    QSplitter &splitter = *FUi->Splitter;
    const int handle = splitter.handleWidth();
    int room = splitter.width();
    // The editor keeps at least half of the split; the dialog grows for the rest, as far as its
    // screen has room, and moves left where its right edge would leave the screen.
    const int roomWanted = 2 * paneWanted + handle;
    if (roomWanted > room) {
        const QRect available = screen()->availableGeometry();
        const QRect frame = frameGeometry();
        const int frameExtra = frame.width() - width();
        const int widest = std::max(width(), available.width() - frameExtra);
        const int grown = std::min(width() + roomWanted - room, widest);
        if (grown > width()) {
            room += grown - width();
            const int right = frame.left() + grown + frameExtra - 1;
            const int shift =
                std::min(std::max(0, right - available.right()), frame.left() - available.left());
            resize(grown, height());
            if (shift > 0)
                move(pos() - QPoint(shift, 0));
        }
    }
    const int pane = std::min(paneWanted, (room - handle) / 2);
    splitter.setSizes({room - handle - pane, pane});
}

void TContentAddForm::SchedulePreview()
{
    if (PreviewShown())
        FPreviewTimer->start();
}

void TContentAddForm::ClearPreview()
{
    FPreviewPages.clear();
    FUi->PreviewList->clear();
    FUi->PreviewWarnings->clear();
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
    FUi->PreviewList->clear();
    FUi->PreviewList->addTopLevelItems(items);
    FitPreviewPane();
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
    FUi->PreviewWarnings->setText(lines.join(u'\n'));
    FUi->PreviewWarnings->setVisible(!lines.isEmpty());
}

QString TContentAddForm::PreviewWarnings() const
{
    return FUi->PreviewWarnings->text();
}

void TContentAddForm::PreviewPageChosen(QTreeWidgetItem *item)
{
    const int index = FUi->PreviewList->indexOfTopLevelItem(item);
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

TStringList TContentAddForm::ReadFilesInChosenEncoding(const QStringList &files)
{
    const auto encoding = static_cast<TTextEncoding>(FUi->EncodingBox->currentData().toInt());
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
    FUi->EncodingLabel->setText(found.join(u"; "_s));
    FUi->EncodingLabel->setVisible(!found.isEmpty());
    FUi->EncodingLabel->setToolTip(found.join(u'\n'));
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
    // The whole replacement reports no edit: the preview follows the new text here.
    if (PreviewShown())
        UpdatePreview();
}

void TContentAddForm::SpecDiggExecute()
{
    if (!FGenerator)
        return;
    FEditor->InsertInLine(FEditor->CaretLine(), FEditor->CaretColumn(), FGenerator->DiggValue());
}

} // namespace zarvik
