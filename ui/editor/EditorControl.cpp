#include "ui/editor/EditorControl.h"

#include "ui/editor/EditorEnvironment.h"

#include <QAccessible>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

namespace zarvik {

TEditorControl::TEditorControl(TEditorEnvironment *environment, QWidget *parent)
    : QsciScintilla(parent)
    , FEnvironment(environment)
{
    if (FEnvironment)
        FEnvironment->Join(*this);
    ListenForAccessibility(!FEnvironment || FEnvironment->AssistiveTechnologyActive());
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type) {
        if ((type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) != 0 && !Silent)
            FEdited = true;
    });
}

TEditorControl::~TEditorControl()
{
    if (FEnvironment)
        FEnvironment->Leave(*this);
}

void TEditorControl::SetEnvironment(TEditorEnvironment *environment)
{
    if (environment == FEnvironment)
        return;
    if (FEnvironment)
        FEnvironment->Leave(*this);
    FEnvironment = environment;
    if (FEnvironment)
        FEnvironment->Join(*this);
    ListenForAccessibility(!FEnvironment || FEnvironment->AssistiveTechnologyActive());
    ForgetAccessibleInterface();
}

void TEditorControl::ListenForAccessibility(bool active)
{
    SendScintilla(SCI_SETMODEVENTMASK,
                  active ? SC_MODEVENTMASKALL : SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE);
}

void TEditorControl::ForgetAccessibleInterface()
{
    if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

long TEditorControl::Send(unsigned int message, unsigned long wParam, long lParam)
{
    const long result = SendScintilla(message, wParam, lParam);
    ReportEdit();
    return result;
}

void TEditorControl::ReportEdit()
{
    if (!FEdited || FGroups > 0)
        return;
    FEdited = false;
    emit Edited();
}

void TEditorControl::paste()
{
    // The clipboard's text is asked for once here for its size; the control's paste reads it again,
    // which costs a copy but keeps its line-end conversion, virtual space and multiple selections.
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    const qsizetype chars = mime && mime->hasText() ? mime->text().size() : 0;
    // Up to three bytes of UTF-8 per character of the basic plane.
    InsertUnwrapped(static_cast<std::size_t>(chars) * 3, [this] { QsciScintilla::paste(); });
}

bool TEditorControl::event(QEvent *event)
{
    if (FEnvironment && (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod))
        FEnvironment->Typed();
    // The paste keys run the control's command directly; they come here so that a large text
    // goes in as paste() puts it.
    if (event->type() == QEvent::KeyPress && !isReadOnly()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QsciCommand *command = standardCommands()->boundTo(key->keyCombination().toCombined());
        if (command && command->command() == QsciCommand::Paste) {
            paste();
            ReportEdit();
            return true;
        }
    }
    const bool handled = QsciScintilla::event(event);
    ReportEdit();
    return handled;
}

bool TEditorControl::viewportEvent(QEvent *event)
{
    const bool handled = QsciScintilla::viewportEvent(event);
    ReportEdit();
    return handled;
}

} // namespace zarvik
