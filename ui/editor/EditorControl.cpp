#include "ui/editor/EditorControl.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>
#include <vector>

namespace zarvik {

namespace {

std::vector<TEditorControl *> &LiveControls()
{
    static std::vector<TEditorControl *> controls;
    return controls;
}

// Whether an assistive technology is listening, as the last activation change said.
bool &AssistiveTechnologyActive()
{
    static bool active = QAccessible::isActive();
    return active;
}

// While no assistive technology is active, a control is described as a plain editable widget
// instead of by the stock interface, which keeps counting characters on every caret move.
QAccessibleInterface *InactiveInterface(const QString &, QObject *object)
{
    auto *control = qobject_cast<TEditorControl *>(object);
    if (!control || AssistiveTechnologyActive())
        return nullptr;
    return new QAccessibleWidget(control, QAccessible::EditableText);
}

} // namespace

// Switches every control between the two ways of working when an assistive technology comes or
// goes, and drops the interface built for the other state: the next question builds the one
// that fits.
class TEditorAccessibility : public QAccessible::ActivationObserver
{
public:
    void accessibilityActiveChanged(bool active) override
    {
        AssistiveTechnologyActive() = active;
        for (TEditorControl *control : LiveControls()) {
            control->ListenForAccessibility(active);
            if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(control))
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
        }
    }
};

TEditorControl::TEditorControl(QWidget *parent)
    : QsciScintilla(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(InactiveInterface);
        static TEditorAccessibility observer;
        QAccessible::installActivationObserver(&observer);
        return true;
    }();
    (void)installed;
    LiveControls().push_back(this);
    ListenForAccessibility(AssistiveTechnologyActive());
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type) {
        if ((type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) != 0 && !Silent)
            FEdited = true;
    });
}

TEditorControl::~TEditorControl()
{
    auto &controls = LiveControls();
    controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
}

void TEditorControl::ListenForAccessibility(bool active)
{
    SendScintilla(SCI_SETMODEVENTMASK,
                  active ? SC_MODEVENTMASKALL : SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE);
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
