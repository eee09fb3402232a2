#pragma once

#include "engine/StringList.h"

#include <QFont>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QMenu;

namespace zarvik {

class TEditorEnvironment;

enum class TSyntax
{
    None,
    Html,
    Css
};

// The source editor control: a multi-line editor with a line-number gutter, optional visual word
// wrap, undo, clipboard commands and HTML or CSS colouring.
//
// All text crossing this interface is Windows-1251 bytes; the conversion to and from Unicode
// happens inside (characters typed that the code page lacks come out as "&#NNNN;").
//
// The content is a list of lines. An empty editor has no lines; its text is empty. The text is
// the lines joined with CR LF and no break after the last, so an editor whose last line is empty
// gives a text ending in CR LF. Line numbers and caret positions are 1-based and count
// characters (a tab is one character); the caret may stand past the end of its line.
class TSourceEditor : public QWidget
{
    Q_OBJECT

public:
    // An editor on its own (see TEditorEnvironment for what it lacks).
    explicit TSourceEditor(QWidget *parent = nullptr);
    // An editor of the environment, or on its own when that is null.
    explicit TSourceEditor(TEditorEnvironment *environment, QWidget *parent = nullptr);
    ~TSourceEditor() override;

    TEditorEnvironment *Environment() const;
    // Leaves the editor's environment, if any, and joins another one, if any.
    void SetEnvironment(TEditorEnvironment *environment);

    // The lines joined with CR LF, no final break.
    std::string Text() const;
    // Splits at CR LF, CR or LF; a break at the very end adds no empty line. Replaces the whole
    // content silently (no TextEdited) and forgets the undo history; an edit not yet reported is
    // reported before the content goes.
    void SetText(std::string_view text);
    // The content of a text file: like SetText, except that a final line break gives a final
    // empty line.
    void SetFileText(std::string_view text);
    // Reads a text file (UTF-8 files with non-ASCII characters are converted) and shows it as
    // SetFileText does. Throws EError when the file cannot be read; the content is then kept.
    void LoadFile(const QString &path);

    TStringList Lines() const;
    void SetLines(const TStringList &lines);
    int LineCount() const;
    // The line at a 1-based number; a number outside 1 .. LineCount() reads as an empty line.
    std::string Line(int line) const;
    // Replaces the line at a 1-based number; a number beyond the last line first adds empty
    // lines up to it. An undoable edit.
    void SetLine(int line, std::string_view text);
    // Appends the lines after the last line. An undoable edit.
    void AppendLines(const TStringList &lines);
    // Inserts text into a line before the character at `column` (1-based); a column past the
    // line's end appends at the end. The line is not split, and the caret and the selection keep
    // their line and column. A line beyond the last is created as for SetLine.
    void InsertInLine(int line, int column, std::string_view text);
    // Inserts text (line breaks included) before the character at a 0-based byte offset into
    // Text(); an offset at or past the end appends. One undoable edit; the caret goes to the end
    // of the inserted text, which is scrolled into view.
    void InsertAtTextOffset(std::size_t offset, std::string_view text);
    // Empties the editor silently and forgets the undo history.
    void Clear();

    int CaretLine() const;
    int CaretColumn() const;
    // Places the caret; a column past the line's end is kept as virtual space. A line outside
    // the content is clamped to it.
    void SetCaret(int line, int column);
    // Selects from the anchor to the caret, both given as 1-based line and column.
    void SetSelection(int anchorLine, int anchorColumn, int caretLine, int caretColumn);
    std::string SelectedText() const;
    bool HasSelection() const;

    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    bool WordWrap() const;
    // Visual only: wrapped lines stay one line of the text.
    void SetWordWrap(bool wrap);
    void SetLineNumbers(bool shown);
    void SetSyntax(TSyntax syntax);
    TSyntax Syntax() const { return FSyntax; }
    void SetEditorFont(const QFont &font);
    void SetGutterFont(const QFont &font);
    // Shows the menu on a right click instead of the editor's own.
    void SetContextMenu(QMenu *menu);
    // The editor's own menu of editing commands (undo, redo, cut, copy, paste, delete, select
    // all), its entries enabled as they apply now; shown on a right click unless SetContextMenu
    // gave another one. Owned by the editor.
    QMenu *EditMenu();
    // The keys the editor binds to its own editing commands.
    QList<QKeySequence> EditingKeys() const;
    // Names the editing surface for assistive technology.
    void SetAccessibleName(const QString &name);

    bool CanUndo() const;

    // Marks for points of the text, given as 0-based byte offsets into Text(). A mark covers the
    // character at its offset; the two kinds look different. Setting a kind replaces its marks.
    enum class TMark
    {
        Cut,        // a point where the text is cut
        MidWordCut, // a cut through a word, shown on the characters on both sides
    };
    void SetMarks(TMark kind, const std::vector<std::size_t> &offsets);
    // The offsets of the marks of a kind, as Text() counts them.
    std::vector<std::size_t> Marks(TMark kind) const;
    // Places the caret before the character at a 0-based byte offset into Text() and shows it.
    void SetCaretToTextOffset(std::size_t offset);

    // Remarks on ranges of the text: each range is underlined with a wavy line, and the remarks
    // of a line are shown under it. A range of length 0 has no underline: its remark stands under
    // the line of its offset. Setting them replaces the earlier ones.
    struct TNote
    {
        std::size_t Offset = 0; // byte offsets into Text()
        std::size_t Length = 0;
        QString Text;
    };
    void SetNotes(const std::vector<TNote> &notes);
    // The remarks shown under a line (0-based), joined by line breaks; empty when none.
    QString NoteAt(int line) const;
    // Offers `words` in a list when the text before the caret ends with `prefix` after a typed
    // character; the word chosen is inserted at the caret. An empty prefix turns it off.
    void SetCompletion(const QString &prefix, const QStringList &words);
    // Shows the completion list now when the text before the caret ends with the prefix; true
    // when it did.
    bool OfferCompletion();
    // Inserts a word from the completion list at the caret, as choosing it does.
    void CompleteWith(const QString &word);

public slots:
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    // Deletes the selection.
    void Delete();
    void SelectAll();

signals:
    // Emitted after every change of the content except the whole replacements SetText,
    // SetFileText, SetLines, LoadFile and Clear, once the command or event that made it is
    // complete. The getters never emit it.
    void TextEdited();

private:
    class TImpl;
    std::unique_ptr<TImpl> FImpl;
    TSyntax FSyntax = TSyntax::None;
    QMenu *FEditMenu = nullptr;
};

} // namespace zarvik
