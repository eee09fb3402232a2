#include "ui/editor/EditorControl.h"

#include "ui/editor/EditorEnvironment.h"

#include <QAccessible>
#include <QEvent>

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

bool TEditorControl::event(QEvent *event)
{
    if (FEnvironment && (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod))
        FEnvironment->Typed();
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
