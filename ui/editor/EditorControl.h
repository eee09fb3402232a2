#pragma once

#include <Qsci/qsciscintilla.h>

#include <cstddef>

namespace zarvik {

class TEditorEnvironment;

// The Scintilla control behind TSourceEditor, made cheap to type in when the document is large.
//
// The stock control tells assistive technology where every insertion, deletion and caret move
// happened as a character count from the start of the document, whether or not anything is
// listening: for a text of megabytes that count costs hundreds of milliseconds per key. In an
// environment (TEditorEnvironment) that work is done only while an assistive technology is
// active. Without one the document reports only the moments just before it changes. Either way
// Edited() is emitted once a change is complete: at the end of the event, message or command that
// made it.
//
// Pasting a large text (by the paste command, its keys or the menu) inserts it with word wrap off
// and wraps the document afterwards in idle time: wrapping every pasted line as it arrives, up to
// the caret at its end, would hold the window for seconds.
//
// With word wrap on, a large document is wrapped in idle time, in slices of tens of milliseconds
// that a key arriving meanwhile has to wait for. While keys keep coming into any control of the
// environment that work is held back, in every control; it goes on once typing has paused.
class TEditorControl : public QsciScintilla
{
    Q_OBJECT

public:
    // Joins the environment unless it is null.
    explicit TEditorControl(TEditorEnvironment *environment, QWidget *parent = nullptr);
    ~TEditorControl() override;

    TEditorEnvironment *Environment() const { return FEnvironment; }
    // Leaves the environment the control is in, if any, and joins another one, if any.
    void SetEnvironment(TEditorEnvironment *environment);

    // Sends a message to the control and reports an edit it made.
    long Send(unsigned int message, unsigned long wParam = 0, long lParam = 0);
    // Sends a message that only reads the control. Reports nothing, not even an edit still
    // pending from before: a question about the text must not tell listeners of an edit while
    // the command that made it is still running.
    long Query(unsigned int message, unsigned long wParam = 0, long lParam = 0) const
    {
        return SendScintilla(message, wParam, lParam);
    }

    // While set, changes are not reported (whole replacements of the content).
    bool Silent = false;

    // Emits Edited() if the content changed since the last report and no TEditGroup is open.
    void ReportEdit();

    // Replaces the selection with the clipboard's text, as the control's own paste does.
    void paste() override;

    // Runs `insert` with word wrap off when `bytes` (the size of what it inserts) is large,
    // restoring the wrap mode afterwards, so that the lines are wrapped lazily.
    template <typename F> void InsertUnwrapped(std::size_t bytes, F insert)
    {
        const WrapMode wrap = wrapMode();
        const bool unwrap = wrap != WrapNone && bytes >= LargeInsertBytes;
        if (unwrap)
            setWrapMode(WrapNone);
        insert();
        if (unwrap)
            setWrapMode(wrap);
    }
    // From this size on an insertion is made with word wrap off.
    static constexpr std::size_t LargeInsertBytes = 256 * 1024;

    // Holds the reports back while it lives: the changes made meanwhile are reported once, when
    // the outermost group closes.
    class TEditGroup
    {
    public:
        explicit TEditGroup(TEditorControl &control)
            : FControl(control)
        {
            ++FControl.FGroups;
        }
        ~TEditGroup()
        {
            if (--FControl.FGroups == 0)
                FControl.ReportEdit();
        }
        TEditGroup(const TEditGroup &) = delete;
        TEditGroup &operator=(const TEditGroup &) = delete;

    private:
        TEditorControl &FControl;
    };

signals:
    void Edited();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    friend class TEditorEnvironment;
    // The notifications the document sends; all of them while assistive technology is active.
    void ListenForAccessibility(bool active);
    // Drops the accessibility interface built so far: the next question builds the one that fits.
    void ForgetAccessibleInterface();

    TEditorEnvironment *FEnvironment = nullptr;
    bool FEdited = false;
    int FGroups = 0;
};

} // namespace zarvik
