#include "ui/editor/SourceEditor.h"

#include "app/TextFiles.h"
#include "ui/editor/DocumentMap.h"
#include "ui/editor/EditorControl.h"
#include "ui/editor/TextCodec.h"

#include <QFile>
#include <QMenu>
#include <QVBoxLayout>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

// The id of the completion list among the editor's user lists.
constexpr int CompletionListId = 1;

using Sci = QsciScintillaBase;

// Scintilla takes positions as unsigned long and returns long; these keep the casts in one place.
unsigned long U(long value)
{
    return static_cast<unsigned long>(value);
}

// Keys that run commands of the program's windows. An editor binding on one of them would take
// the key first and change the text instead (Ctrl+L cuts a line, Ctrl+T swaps two).
constexpr QKeyCombination CommandKeys[] = {
    Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_S, Qt::CTRL | Qt::ALT | Qt::Key_S,
    Qt::CTRL | Qt::Key_T, Qt::CTRL | Qt::Key_Q, Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_W,
};

void FreeCommandKeys(QsciScintilla &sci)
{
    for (QsciCommand *command : sci.standardCommands()->commands())
        for (const QKeyCombination combination : CommandKeys) {
            const int key = combination.toCombined();
            if (command->key() == key)
                command->setKey(0);
            if (command->alternateKey() == key)
                command->setAlternateKey(0);
        }
}

} // namespace

class TSourceEditor::TImpl
{
public:
    TImpl(TEditorEnvironment *environment, QWidget *owner)
        : Editor(new TEditorControl(environment, owner))
    {
    }

    // Messages that change the document or the view; an edit they make is reported.
    long Send(unsigned int msg, unsigned long w = 0, long l = 0) const { return Editor->Send(msg, w, l); }
    // Messages that only read: the getters below never report an edit.
    long Query(unsigned int msg, unsigned long w = 0, long l = 0) const { return Editor->Query(msg, w, l); }

    long Length() const { return Query(Sci::SCI_GETLENGTH); }

    // Bytes of the document between two positions, decoded.
    QString Range(long start, long end) const
    {
        if (end <= start)
            return {};
        const auto pointer = Query(Sci::SCI_GETRANGEPOINTER, U(start), end - start);
        const char *bytes = reinterpret_cast<const char *>(static_cast<std::intptr_t>(pointer));
        return QString::fromUtf8(bytes, end - start);
    }

    // The document's bytes, UTF-8.
    std::string_view Document() const
    {
        const long length = Length();
        const auto pointer = Query(Sci::SCI_GETCHARACTERPOINTER);
        if (length == 0 || pointer == 0)
            return {};
        return {reinterpret_cast<const char *>(static_cast<std::intptr_t>(pointer)), U(length)};
    }

    std::string Text() const { return TDocumentMap(Document()).Text(); }

    // Appends UTF-8 text. Word wrap is switched off while a large text goes in: wrapping lines
    // one by one as they arrive costs seconds for a text of megabytes, while wrapping the
    // finished document happens lazily, only for the lines on screen and then in idle time.
    void AppendUtf8(std::string_view bytes)
    {
        Editor->InsertUnwrapped(bytes.size(), [&] {
            Send(Sci::SCI_APPENDTEXT, U(static_cast<long>(bytes.size())),
                 reinterpret_cast<std::intptr_t>(bytes.data()));
        });
    }

    int LineCount() const { return Length() == 0 ? 0 : static_cast<int>(Query(Sci::SCI_GETLINECOUNT)); }

    long LineStart(int line0) const { return Query(Sci::SCI_POSITIONFROMLINE, U(line0)); }
    long LineEnd(int line0) const { return Query(Sci::SCI_GETLINEENDPOSITION, U(line0)); }

    long Characters(long start, long end) const { return Query(Sci::SCI_COUNTCHARACTERS, U(start), end); }

    // The document position of a 0-based column in a 0-based line, and the virtual space left
    // over when the column lies past the line's end.
    std::pair<long, long> PositionOf(int line0, long column0) const
    {
        const long start = LineStart(line0);
        const long end = LineEnd(line0);
        const long count = Characters(start, end);
        if (column0 >= count)
            return {end, column0 - count};
        return {Query(Sci::SCI_POSITIONRELATIVE, U(start), column0), 0};
    }

    // 1-based line and column of a position plus virtual space.
    std::pair<int, int> LineColumnOf(long position, long virtualSpace) const
    {
        const long line0 = Query(Sci::SCI_LINEFROMPOSITION, U(position));
        const long column0 = Characters(LineStart(static_cast<int>(line0)), position) + virtualSpace;
        return {static_cast<int>(line0) + 1, static_cast<int>(column0) + 1};
    }

    std::pair<int, int> Caret() const
    {
        const long main = Query(Sci::SCI_GETMAINSELECTION);
        return LineColumnOf(Query(Sci::SCI_GETCURRENTPOS),
                            Query(Sci::SCI_GETSELECTIONNCARETVIRTUALSPACE, U(main)));
    }

    std::pair<int, int> Anchor() const
    {
        const long main = Query(Sci::SCI_GETMAINSELECTION);
        return LineColumnOf(Query(Sci::SCI_GETANCHOR),
                            Query(Sci::SCI_GETSELECTIONNANCHORVIRTUALSPACE, U(main)));
    }

    void Select(int anchorLine, int anchorColumn, int caretLine, int caretColumn)
    {
        const int last = std::max(1, static_cast<int>(Query(Sci::SCI_GETLINECOUNT)));
        const auto clampLine = [last](int line) { return std::clamp(line, 1, last) - 1; };
        const auto [anchor, anchorVirtual] = PositionOf(clampLine(anchorLine), std::max(anchorColumn, 1) - 1);
        const auto [caret, caretVirtual] = PositionOf(clampLine(caretLine), std::max(caretColumn, 1) - 1);
        Send(Sci::SCI_SETSELECTION, U(caret), anchor);
        Send(Sci::SCI_SETSELECTIONNCARETVIRTUALSPACE, 0, caretVirtual);
        Send(Sci::SCI_SETSELECTIONNANCHORVIRTUALSPACE, 0, anchorVirtual);
        Send(Sci::SCI_CHOOSECARETX);
        Send(Sci::SCI_SCROLLCARET);
    }

    // Replaces the whole document without a change notification and without undo history.
    void Replace(const QString &text) { ReplaceUtf8(text.toUtf8().toStdString()); }
    void ReplaceUtf8(std::string_view bytes)
    {
        // An edit not yet reported is reported first, while its listeners can still read the
        // text it made.
        Editor->ReportEdit();
        const bool readOnly = Editor->isReadOnly();
        Editor->Silent = true;
        Editor->setReadOnly(false);
        Send(Sci::SCI_CLEARALL);
        AppendUtf8(bytes);
        Editor->setReadOnly(readOnly);
        Editor->Silent = false;
        Send(Sci::SCI_EMPTYUNDOBUFFER);
        Send(Sci::SCI_GOTOPOS, 0);
    }

    // Makes sure the 1-based line exists, adding empty lines at the end.
    void EnsureLine(int line)
    {
        int count = LineCount();
        if (line <= count || line < 1)
            return;
        QString tail;
        if (count == 0) {
            count = 1; // an empty document already holds one empty line
        }
        for (; count < line; ++count)
            tail += u"\r\n";
        Append(tail);
    }

    void Append(const QString &text) { AppendUtf8(text.toUtf8().toStdString()); }

    void InsertAt(long position, const QString &text)
    {
        // SCI_INSERTTEXT takes a NUL-terminated string; a target replacement takes a length, so
        // even a NUL byte of the text arrives intact.
        const QByteArray bytes = text.toUtf8();
        Send(Sci::SCI_SETTARGETRANGE, U(position), position);
        Send(Sci::SCI_REPLACETARGET, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
    }

    TEditorControl *Editor;
    QsciLexer *Lexer = nullptr;
    QFont Font;
    QMenu *Menu = nullptr;
    QString CompletionPrefix;
    QStringList CompletionWords;
};

TSourceEditor::TSourceEditor(QWidget *parent)
    : TSourceEditor(nullptr, parent)
{
}

TSourceEditor::TSourceEditor(TEditorEnvironment *environment, QWidget *parent)
    : QWidget(parent)
    , FImpl(std::make_unique<TImpl>(environment, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FImpl->Editor);
    setFocusProxy(FImpl->Editor);

    QsciScintilla *sci = FImpl->Editor;
    sci->setUtf8(true);
    sci->setEolMode(QsciScintilla::EolWindows);
    sci->setEolVisibility(false);
    sci->setTabWidth(8);
    sci->setIndentationsUseTabs(true);
    sci->setAutoIndent(false);
    sci->setBraceMatching(QsciScintilla::NoBraceMatch);
    sci->setCaretLineVisible(false);
    sci->setMarginWidth(1, 0);
    sci->setMarginWidth(0, 0);
    // The caret may stand past the end of a line: its column counts there too.
    FImpl->Send(Sci::SCI_SETVIRTUALSPACEOPTIONS, Sci::SCVS_USERACCESSIBLE | Sci::SCVS_RECTANGULARSELECTION);
    FImpl->Send(Sci::SCI_SETPASTECONVERTENDINGS, 1);
    FreeCommandKeys(*sci);

    QFont font(u"Courier New"_s, 10);
    font.setStyleHint(QFont::Monospace);
    SetEditorFont(font);

    connect(FImpl->Editor, &TEditorControl::Edited, this, &TSourceEditor::TextEdited);
    connect(sci, &QsciScintilla::SCN_CHARADDED, this, [this](int) { OfferCompletion(); });
    connect(sci, &QsciScintilla::userListActivated, this, [this](int id, const QString &word) {
        if (id == CompletionListId)
            CompleteWith(word);
    });

    // The editor's own menu is ours, in Russian, until a caller gives it another one.
    sci->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sci, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu *menu = FImpl->Menu ? FImpl->Menu : EditMenu();
        menu->exec(FImpl->Editor->mapToGlobal(at));
    });
}

TSourceEditor::~TSourceEditor() = default;

QMenu *TSourceEditor::EditMenu()
{
    QsciScintilla *sci = FImpl->Editor;
    if (!FEditMenu) {
        FEditMenu = new QMenu(this);
        FEditMenu->setObjectName(u"EditorMenu"_s);
        // The keys are shown, not bound: the editor handles them itself.
        const auto add = [this](const QString &name, const QString &text, const QString &keys,
                                void (TSourceEditor::*slot)()) {
            QAction *action = FEditMenu->addAction(keys.isEmpty() ? text : text + u'\t' + keys);
            action->setObjectName(name);
            connect(action, &QAction::triggered, this, slot);
            return action;
        };
        add(u"EditorUndo"_s, u"Отменить"_s, u"Ctrl+Z"_s, &TSourceEditor::Undo);
        add(u"EditorRedo"_s, u"Повторить"_s, u"Ctrl+Y"_s, &TSourceEditor::Redo);
        FEditMenu->addSeparator();
        add(u"EditorCut"_s, u"Вырезать"_s, u"Ctrl+X"_s, &TSourceEditor::Cut);
        add(u"EditorCopy"_s, u"Копировать"_s, u"Ctrl+C"_s, &TSourceEditor::Copy);
        add(u"EditorPaste"_s, u"Вставить"_s, u"Ctrl+V"_s, &TSourceEditor::Paste);
        add(u"EditorDelete"_s, u"Удалить"_s, u"Del"_s, &TSourceEditor::Delete);
        FEditMenu->addSeparator();
        add(u"EditorSelectAll"_s, u"Выделить всё"_s, u"Ctrl+A"_s, &TSourceEditor::SelectAll);
    }
    const bool editable = !sci->isReadOnly();
    // Asked of the document now: the control's own flag follows only at its next repaint.
    const bool selected = FImpl->Query(Sci::SCI_GETSELECTIONEMPTY) == 0;
    const std::pair<const char16_t *, bool> states[] = {
        {u"EditorUndo", editable && sci->isUndoAvailable()},
        {u"EditorRedo", editable && sci->isRedoAvailable()},
        {u"EditorCut", editable && selected},
        {u"EditorCopy", selected},
        {u"EditorPaste", editable && sci->SendScintilla(Sci::SCI_CANPASTE) != 0},
        {u"EditorDelete", editable && selected},
        {u"EditorSelectAll", sci->length() > 0},
    };
    for (const auto &[name, enabled] : states) {
        if (QAction *action = FEditMenu->findChild<QAction *>(QString::fromUtf16(name)))
            action->setEnabled(enabled);
    }
    return FEditMenu;
}

QList<QKeySequence> TSourceEditor::EditingKeys() const
{
    QList<QKeySequence> keys;
    for (QsciCommand *command : FImpl->Editor->standardCommands()->commands()) {
        if (command->key() != 0)
            keys.append(QKeySequence(command->key()));
        if (command->alternateKey() != 0)
            keys.append(QKeySequence(command->alternateKey()));
    }
    return keys;
}

TEditorEnvironment *TSourceEditor::Environment() const
{
    return FImpl->Editor->Environment();
}

void TSourceEditor::SetEnvironment(TEditorEnvironment *environment)
{
    FImpl->Editor->SetEnvironment(environment);
}

std::string TSourceEditor::Text() const
{
    return FImpl->Text();
}

void TSourceEditor::SetText(std::string_view text)
{
    SetLines(SplitLines(text));
}

void TSourceEditor::SetFileText(std::string_view text)
{
    if (text.empty()) {
        Clear();
        return;
    }
    // A final break keeps its empty last line.
    FImpl->ReplaceUtf8(TDocumentMap::FileToDocument(text));
}

void TSourceEditor::LoadFile(const QString &path)
{
    SetFileText(ReadTextFile(QFile::encodeName(path).toStdString()));
}

TStringList TSourceEditor::Lines() const
{
    // Text() has only CR LF breaks; a final break gives a final empty line.
    TStringList out;
    const std::string text = FImpl->Text();
    if (text.empty())
        return out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find("\r\n", from);
        out.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return out;
        from = at + 2;
    }
}

void TSourceEditor::SetLines(const TStringList &lines)
{
    FImpl->ReplaceUtf8(TDocumentMap::LinesToDocument(lines));
}

int TSourceEditor::LineCount() const
{
    return FImpl->LineCount();
}

std::string TSourceEditor::Line(int line) const
{
    if (line < 1 || line > FImpl->LineCount())
        return {};
    return FromQString(FImpl->Range(FImpl->LineStart(line - 1), FImpl->LineEnd(line - 1)));
}

void TSourceEditor::SetLine(int line, std::string_view text)
{
    const TEditorControl::TEditGroup group(*FImpl->Editor);
    if (line < 1)
        return;
    FImpl->EnsureLine(line);
    const QByteArray bytes = ToQString(text).toUtf8();
    FImpl->Send(Sci::SCI_SETTARGETRANGE, U(FImpl->LineStart(line - 1)), FImpl->LineEnd(line - 1));
    FImpl->Send(Sci::SCI_REPLACETARGET, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
}

void TSourceEditor::AppendLines(const TStringList &lines)
{
    const TEditorControl::TEditGroup group(*FImpl->Editor);
    if (lines.empty())
        return;
    const bool empty = FImpl->Length() == 0;
    std::string bytes = empty ? std::string() : std::string("\r\n");
    bytes += TDocumentMap::LinesToDocument(lines);
    FImpl->AppendUtf8(bytes);
}

void TSourceEditor::InsertInLine(int line, int column, std::string_view text)
{
    const TEditorControl::TEditGroup group(*FImpl->Editor);
    if (line < 1)
        return;
    const auto [anchorLine, anchorColumn] = FImpl->Anchor();
    const auto [caretLine, caretColumn] = FImpl->Caret();
    FImpl->EnsureLine(line);
    const long position = FImpl->PositionOf(line - 1, std::max(column, 1) - 1).first;
    FImpl->InsertAt(position, ToQString(text));
    FImpl->Select(anchorLine, anchorColumn, caretLine, caretColumn);
}

void TSourceEditor::InsertAtTextOffset(std::size_t offset, std::string_view text)
{
    const TEditorControl::TEditGroup group(*FImpl->Editor);
    const std::size_t position = TDocumentMap(FImpl->Document()).Places({offset}).front().Start;
    const QString inserted = ToQString(text);
    FImpl->InsertAt(static_cast<long>(position), inserted);
    FImpl->Send(Sci::SCI_GOTOPOS, position + U(inserted.toUtf8().size()));
    FImpl->Send(Sci::SCI_CHOOSECARETX);
}

void TSourceEditor::Clear()
{
    FImpl->Replace(QString());
}

int TSourceEditor::CaretLine() const
{
    return FImpl->Caret().first;
}

int TSourceEditor::CaretColumn() const
{
    return FImpl->Caret().second;
}

void TSourceEditor::SetCaret(int line, int column)
{
    FImpl->Select(line, column, line, column);
}

void TSourceEditor::SetSelection(int anchorLine, int anchorColumn, int caretLine, int caretColumn)
{
    FImpl->Select(anchorLine, anchorColumn, caretLine, caretColumn);
}

std::string TSourceEditor::SelectedText() const
{
    const long start = FImpl->Query(Sci::SCI_GETSELECTIONSTART);
    const long end = FImpl->Query(Sci::SCI_GETSELECTIONEND);
    QString text = FImpl->Range(start, end);
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
    return FromQString(text);
}

bool TSourceEditor::HasSelection() const
{
    return FImpl->Editor->hasSelectedText();
}

bool TSourceEditor::ReadOnly() const
{
    return FImpl->Editor->isReadOnly();
}

void TSourceEditor::SetReadOnly(bool readOnly)
{
    FImpl->Editor->setReadOnly(readOnly);
}

bool TSourceEditor::WordWrap() const
{
    return FImpl->Editor->wrapMode() != QsciScintilla::WrapNone;
}

void TSourceEditor::SetWordWrap(bool wrap)
{
    FImpl->Editor->setWrapMode(wrap ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
}

void TSourceEditor::SetLineNumbers(bool shown)
{
    QsciScintilla *sci = FImpl->Editor;
    sci->setMarginType(0, QsciScintilla::NumberMargin);
    sci->setMarginLineNumbers(0, shown);
    sci->setMarginWidth(0, shown ? u"000000"_s : QString());
    if (!shown)
        sci->setMarginWidth(0, 0);
}

void TSourceEditor::SetSyntax(TSyntax syntax)
{
    FSyntax = syntax;
    QsciScintilla *sci = FImpl->Editor;
    QsciLexer *old = FImpl->Lexer;
    switch (syntax) {
    case TSyntax::None:
        FImpl->Lexer = nullptr;
        break;
    case TSyntax::Html:
        FImpl->Lexer = new QsciLexerHTML(sci);
        break;
    case TSyntax::Css:
        FImpl->Lexer = new QsciLexerCSS(sci);
        break;
    }
    if (FImpl->Lexer) {
        FImpl->Lexer->setDefaultFont(FImpl->Font);
        FImpl->Lexer->setFont(FImpl->Font);
    }
    sci->setLexer(FImpl->Lexer);
    delete old;
    // Setting a lexer resets the editor's own font for the plain style.
    if (!FImpl->Lexer)
        sci->setFont(FImpl->Font);
}

void TSourceEditor::SetEditorFont(const QFont &font)
{
    FImpl->Font = font;
    FImpl->Editor->setFont(font);
    if (FImpl->Lexer) {
        FImpl->Lexer->setDefaultFont(font);
        FImpl->Lexer->setFont(font);
    }
}

void TSourceEditor::SetGutterFont(const QFont &font)
{
    FImpl->Editor->setMarginsFont(font);
}

void TSourceEditor::SetContextMenu(QMenu *menu)
{
    FImpl->Menu = menu;
}

void TSourceEditor::SetAccessibleName(const QString &name)
{
    setAccessibleName(name);
    FImpl->Editor->setAccessibleName(name);
}

bool TSourceEditor::CanUndo() const
{
    return FImpl->Editor->isUndoAvailable();
}

namespace {

// Indicator numbers 8 and up are free for containers; the lexers use the ones below.
int IndicatorOf(TSourceEditor::TMark kind)
{
    return kind == TSourceEditor::TMark::Cut ? 8 : 9;
}

constexpr int NoteIndicator = 10;

} // namespace

void TSourceEditor::SetMarks(TMark kind, const std::vector<std::size_t> &offsets)
{
    const int indicator = IndicatorOf(kind);
    const bool midWord = kind == TMark::MidWordCut;
    FImpl->Send(Sci::SCI_INDICSETSTYLE, U(indicator), midWord ? Sci::INDIC_FULLBOX : Sci::INDIC_POINT);
    FImpl->Send(Sci::SCI_INDICSETFORE, U(indicator), midWord ? 0x2020D0 : 0xC06000); // BGR: red, blue
    FImpl->Send(Sci::SCI_INDICSETALPHA, U(indicator), 90);
    FImpl->Send(Sci::SCI_INDICSETUNDER, U(indicator), 1);
    FImpl->Send(Sci::SCI_SETINDICATORCURRENT, U(indicator));
    FImpl->Send(Sci::SCI_INDICATORCLEARRANGE, 0, FImpl->Length());
    std::vector<std::size_t> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    for (const TDocumentMap::TPlace &place : TDocumentMap(FImpl->Document()).Places(sorted)) {
        if (place.Length == 0)
            continue;
        const std::size_t start = midWord ? place.Previous : place.Start;
        FImpl->Send(Sci::SCI_INDICATORFILLRANGE, start,
                    static_cast<long>(place.Start + place.Length - start));
    }
}

std::vector<std::size_t> TSourceEditor::Marks(TMark kind) const
{
    const unsigned long indicator = U(IndicatorOf(kind));
    const long length = FImpl->Length();
    std::vector<std::size_t> starts;
    long position = 0;
    while (position < length) {
        const long end = FImpl->Query(Sci::SCI_INDICATOREND, indicator, position);
        if (FImpl->Query(Sci::SCI_INDICATORVALUEAT, indicator, position) != 0)
            starts.push_back(U(position));
        if (end <= position)
            break;
        position = end;
    }
    // A mid-word mark starts on the character before the cut.
    return TDocumentMap(FImpl->Document()).TextOffsets(starts, kind == TMark::MidWordCut);
}

void TSourceEditor::SetNotes(const std::vector<TNote> &notes)
{
    QsciScintilla *sci = FImpl->Editor;
    FImpl->Send(Sci::SCI_INDICSETSTYLE, U(NoteIndicator), Sci::INDIC_SQUIGGLE);
    FImpl->Send(Sci::SCI_INDICSETFORE, U(NoteIndicator), 0x0000D0); // BGR: red
    FImpl->Send(Sci::SCI_SETINDICATORCURRENT, U(NoteIndicator));
    FImpl->Send(Sci::SCI_INDICATORCLEARRANGE, 0, FImpl->Length());
    sci->clearAnnotations();
    sci->setAnnotationDisplay(QsciScintilla::AnnotationBoxed);
    std::vector<std::size_t> offsets;
    for (const TNote &note : notes) {
        offsets.push_back(note.Offset);
        offsets.push_back(note.Offset + note.Length);
    }
    std::vector<std::size_t> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const std::vector<TDocumentMap::TPlace> places = TDocumentMap(FImpl->Document()).Places(sorted);
    const auto placeOf = [&](std::size_t offset) {
        return places[static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), offset) -
                                               sorted.begin())]
            .Start;
    };
    std::map<int, QString> byLine;
    for (const TNote &note : notes) {
        const long start = static_cast<long>(placeOf(note.Offset));
        const long end = static_cast<long>(placeOf(note.Offset + note.Length));
        if (end > start)
            FImpl->Send(Sci::SCI_INDICATORFILLRANGE, U(start), end - start);
        const int line = static_cast<int>(FImpl->Query(Sci::SCI_LINEFROMPOSITION, U(start)));
        QString &text = byLine[line];
        text += (text.isEmpty() ? QString() : u"\n"_s) + note.Text;
    }
    for (const auto &[line, text] : byLine)
        sci->annotate(line, text, 0);
}

QString TSourceEditor::NoteAt(int line) const
{
    return FImpl->Editor->annotation(line);
}

void TSourceEditor::SetCompletion(const QString &prefix, const QStringList &words)
{
    FImpl->CompletionPrefix = prefix;
    FImpl->CompletionWords = words;
}

bool TSourceEditor::OfferCompletion()
{
    QsciScintilla *sci = FImpl->Editor;
    const QString &prefix = FImpl->CompletionPrefix;
    if (prefix.isEmpty() || sci->isReadOnly())
        return false;
    int line = 0;
    int index = 0;
    sci->getCursorPosition(&line, &index);
    const QString before = sci->text(line).left(index);
    if (!before.endsWith(prefix))
        return false;
    sci->showUserList(CompletionListId, FImpl->CompletionWords);
    return true;
}

void TSourceEditor::CompleteWith(const QString &word)
{
    FImpl->Editor->insert(word);
    int line = 0;
    int index = 0;
    FImpl->Editor->getCursorPosition(&line, &index);
    FImpl->Editor->setCursorPosition(line, index + static_cast<int>(word.size()));
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::SetCaretToTextOffset(std::size_t offset)
{
    const TDocumentMap::TPlace place = TDocumentMap(FImpl->Document()).Places({offset}).front();
    FImpl->Send(Sci::SCI_GOTOPOS, place.Start);
    FImpl->Send(Sci::SCI_CHOOSECARETX);
}

void TSourceEditor::Undo()
{
    FImpl->Editor->undo();
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::Redo()
{
    FImpl->Editor->redo();
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::Cut()
{
    FImpl->Editor->cut();
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::Copy()
{
    FImpl->Editor->copy();
}

void TSourceEditor::Paste()
{
    FImpl->Editor->paste();
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::Delete()
{
    FImpl->Editor->removeSelectedText();
    FImpl->Editor->ReportEdit();
}

void TSourceEditor::SelectAll()
{
    FImpl->Editor->selectAll(true);
}

} // namespace zarvik
