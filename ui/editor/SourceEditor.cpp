#include "ui/editor/SourceEditor.h"

#include "app/TextFiles.h"
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
#include <utility>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

using Sci = QsciScintillaBase;

// Scintilla takes positions as unsigned long and returns long; these keep the casts in one place.
unsigned long U(long value)
{
    return static_cast<unsigned long>(value);
}

// The text split at CR LF, CR or LF, keeping an empty last line after a final break.
QStringList SplitKeepingLast(const QString &text)
{
    QStringList out;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            out.push_back(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            current += c;
        }
    }
    out.push_back(current);
    return out;
}

QString JoinCrLf(const TStringList &lines)
{
    QString out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += u"\r\n";
        out += ToQString(lines[i]);
    }
    return out;
}

// Keys that run commands of the program's windows. An editor binding on one of them would take
// the key first and change the text instead (Ctrl+L cuts a line, Ctrl+T swaps two).
constexpr QKeyCombination CommandKeys[] = {
    Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_S, Qt::CTRL | Qt::ALT | Qt::Key_S,
    Qt::CTRL | Qt::Key_T, Qt::CTRL | Qt::Key_Q, Qt::CTRL | Qt::Key_O,
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
    explicit TImpl(QWidget *owner)
        : Editor(new QsciScintilla(owner))
    {
    }

    long Send(unsigned int msg, unsigned long w = 0, long l = 0) const
    {
        return Editor->SendScintilla(msg, w, l);
    }

    long Length() const { return Send(Sci::SCI_GETLENGTH); }

    // Bytes of the document between two positions, decoded.
    QString Range(long start, long end) const
    {
        if (end <= start)
            return {};
        const auto pointer = Send(Sci::SCI_GETRANGEPOINTER, U(start), end - start);
        const char *bytes = reinterpret_cast<const char *>(static_cast<std::intptr_t>(pointer));
        return QString::fromUtf8(bytes, end - start);
    }

    QString Whole() const { return Range(0, Length()); }

    int LineCount() const { return Length() == 0 ? 0 : static_cast<int>(Send(Sci::SCI_GETLINECOUNT)); }

    long LineStart(int line0) const { return Send(Sci::SCI_POSITIONFROMLINE, U(line0)); }
    long LineEnd(int line0) const { return Send(Sci::SCI_GETLINEENDPOSITION, U(line0)); }

    long Characters(long start, long end) const { return Send(Sci::SCI_COUNTCHARACTERS, U(start), end); }

    // The document position of a 0-based column in a 0-based line, and the virtual space left
    // over when the column lies past the line's end.
    std::pair<long, long> PositionOf(int line0, long column0) const
    {
        const long start = LineStart(line0);
        const long end = LineEnd(line0);
        const long count = Characters(start, end);
        if (column0 >= count)
            return {end, column0 - count};
        return {Send(Sci::SCI_POSITIONRELATIVE, U(start), column0), 0};
    }

    // 1-based line and column of a position plus virtual space.
    std::pair<int, int> LineColumnOf(long position, long virtualSpace) const
    {
        const long line0 = Send(Sci::SCI_LINEFROMPOSITION, U(position));
        const long column0 = Characters(LineStart(static_cast<int>(line0)), position) + virtualSpace;
        return {static_cast<int>(line0) + 1, static_cast<int>(column0) + 1};
    }

    std::pair<int, int> Caret() const
    {
        const long main = Send(Sci::SCI_GETMAINSELECTION);
        return LineColumnOf(Send(Sci::SCI_GETCURRENTPOS),
                            Send(Sci::SCI_GETSELECTIONNCARETVIRTUALSPACE, U(main)));
    }

    std::pair<int, int> Anchor() const
    {
        const long main = Send(Sci::SCI_GETMAINSELECTION);
        return LineColumnOf(Send(Sci::SCI_GETANCHOR),
                            Send(Sci::SCI_GETSELECTIONNANCHORVIRTUALSPACE, U(main)));
    }

    void Select(int anchorLine, int anchorColumn, int caretLine, int caretColumn)
    {
        const int last = std::max(1, static_cast<int>(Send(Sci::SCI_GETLINECOUNT)));
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
    void Replace(const QString &text)
    {
        const QByteArray bytes = text.toUtf8();
        const bool readOnly = Editor->isReadOnly();
        Silent = true;
        Editor->setReadOnly(false);
        Send(Sci::SCI_CLEARALL);
        Send(Sci::SCI_APPENDTEXT, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
        Editor->setReadOnly(readOnly);
        Silent = false;
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

    void Append(const QString &text)
    {
        const QByteArray bytes = text.toUtf8();
        Send(Sci::SCI_APPENDTEXT, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
    }

    void InsertAt(long position, const QString &text)
    {
        // SCI_INSERTTEXT takes a NUL-terminated string; a target replacement takes a length, so
        // even a NUL byte of the text arrives intact.
        const QByteArray bytes = text.toUtf8();
        Send(Sci::SCI_SETTARGETRANGE, U(position), position);
        Send(Sci::SCI_REPLACETARGET, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
    }

    QsciScintilla *Editor;
    QsciLexer *Lexer = nullptr;
    QFont Font;
    QMenu *Menu = nullptr;
    bool Silent = false;
};

TSourceEditor::TSourceEditor(QWidget *parent)
    : QWidget(parent)
    , FImpl(std::make_unique<TImpl>(this))
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

    connect(sci, &QsciScintilla::textChanged, this, [this] {
        if (!FImpl->Silent)
            emit TextEdited();
    });
}

TSourceEditor::~TSourceEditor() = default;

std::string TSourceEditor::Text() const
{
    return JoinLines(Lines());
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
    const QStringList lines = SplitKeepingLast(ToQString(text));
    FImpl->Replace(lines.join(u"\r\n"));
}

void TSourceEditor::LoadFile(const QString &path)
{
    SetFileText(ReadTextFile(QFile::encodeName(path).toStdString()));
}

TStringList TSourceEditor::Lines() const
{
    TStringList out;
    if (FImpl->Length() == 0)
        return out;
    for (const QString &line : SplitKeepingLast(FImpl->Whole()))
        out.push_back(FromQString(line));
    return out;
}

void TSourceEditor::SetLines(const TStringList &lines)
{
    FImpl->Replace(JoinCrLf(lines));
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
    if (line < 1)
        return;
    FImpl->EnsureLine(line);
    const QByteArray bytes = ToQString(text).toUtf8();
    FImpl->Send(Sci::SCI_SETTARGETRANGE, U(FImpl->LineStart(line - 1)), FImpl->LineEnd(line - 1));
    FImpl->Send(Sci::SCI_REPLACETARGET, U(bytes.size()), reinterpret_cast<std::intptr_t>(bytes.constData()));
}

void TSourceEditor::AppendLines(const TStringList &lines)
{
    if (lines.empty())
        return;
    const bool empty = FImpl->Length() == 0;
    FImpl->Append(empty ? JoinCrLf(lines) : u"\r\n"_s + JoinCrLf(lines));
}

void TSourceEditor::InsertInLine(int line, int column, std::string_view text)
{
    if (line < 1)
        return;
    const auto [anchorLine, anchorColumn] = FImpl->Anchor();
    const auto [caretLine, caretColumn] = FImpl->Caret();
    FImpl->EnsureLine(line);
    const long position = FImpl->PositionOf(line - 1, std::max(column, 1) - 1).first;
    FImpl->InsertAt(position, ToQString(text));
    FImpl->Select(anchorLine, anchorColumn, caretLine, caretColumn);
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
    const long start = FImpl->Send(Sci::SCI_GETSELECTIONSTART);
    const long end = FImpl->Send(Sci::SCI_GETSELECTIONEND);
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
    QsciScintilla *sci = FImpl->Editor;
    if (!FImpl->Menu) {
        sci->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(sci, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
            if (FImpl->Menu)
                FImpl->Menu->exec(FImpl->Editor->mapToGlobal(at));
        });
    }
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

void TSourceEditor::Undo()
{
    FImpl->Editor->undo();
}

void TSourceEditor::Cut()
{
    FImpl->Editor->cut();
}

void TSourceEditor::Copy()
{
    FImpl->Editor->copy();
}

void TSourceEditor::Paste()
{
    FImpl->Editor->paste();
}

void TSourceEditor::Delete()
{
    FImpl->Editor->removeSelectedText();
}

void TSourceEditor::SelectAll()
{
    FImpl->Editor->selectAll(true);
}

} // namespace zarvik
