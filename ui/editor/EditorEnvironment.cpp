#include "ui/editor/EditorEnvironment.h"

#include "ui/editor/EditorControl.h"
#include "ui/editor/IdleWorkHold.h"

#include <QAccessibleWidget>
#include <Qsci/qsciscintilla.h>
#include <QtGlobal>

#include <algorithm>

namespace zarvik {

namespace {

// While no assistive technology is active, a control of an environment is described as a plain
// editable widget instead of by the stock interface, which keeps counting characters on every
// caret move. Anything else is left to the other factories.
QAccessibleInterface *InactiveInterface(const QString &, QObject *object)
{
    auto *control = qobject_cast<TEditorControl *>(object);
    if (!control || !control->Environment() || control->Environment()->AssistiveTechnologyActive())
        return nullptr;
    return new QAccessibleWidget(control, QAccessible::EditableText);
}

// The idle-work timers a control makes when it first has idle work to do: with word wrap on,
// even an empty document is wrapped in idle time.
std::size_t IdleWorkTimersOfAWrappingControl()
{
    QsciScintilla probe;
    return TIdleWorkHold::IdleWorkTimersMadeBy([&probe] { probe.setWrapMode(QsciScintilla::WrapWord); })
        .size();
}

} // namespace

TEditorEnvironment::TEditorEnvironment(int typingPause)
    : FAssistiveTechnologyActive(QAccessible::isActive())
    , FIdleWorkHold(std::make_unique<TIdleWorkHold>(typingPause))
{
    // The factory finds each control's environment itself, so one installation serves every
    // environment; installing it again changes nothing, and it stays for the same reason.
    QAccessible::installFactory(InactiveInterface);
    QAccessible::installActivationObserver(this);

    const std::size_t found = IdleWorkTimersOfAWrappingControl();
    FIdleWorkFound = found == 1;
    if (!FIdleWorkFound)
        qWarning("Source editor: a wrapping control has %zu idle-work timers instead of one; "
                 "typing will not hold back the wrapping of large texts",
                 found);
}

TEditorEnvironment::~TEditorEnvironment()
{
    QAccessible::removeActivationObserver(this);
    while (!FControls.empty())
        FControls.back()->SetEnvironment(nullptr);
}

void TEditorEnvironment::Join(TEditorControl &control)
{
    FControls.push_back(&control);
}

void TEditorEnvironment::Leave(TEditorControl &control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), &control), FControls.end());
}

void TEditorEnvironment::Typed()
{
    if (FIdleWorkFound)
        FIdleWorkHold->Typed();
}

// Switches every control between the two ways of working and drops the interface built for the
// other state: the next question builds the one that fits.
void TEditorEnvironment::accessibilityActiveChanged(bool active)
{
    FAssistiveTechnologyActive = active;
    for (TEditorControl *control : FControls) {
        control->ListenForAccessibility(active);
        control->ForgetAccessibleInterface();
    }
}

} // namespace zarvik
