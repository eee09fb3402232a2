#include "ui/editor/EditorControl.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstring>
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

// Holds back the idle work of the controls while keys keep coming. That work runs from a
// zero-interval timer of the control's Scintilla object; while typing goes on, such a timer is
// stopped when it fires, and restarted once typing has paused.
class TIdleWorkHold : public QObject
{
public:
    static TIdleWorkHold &Instance()
    {
        static QPointer<TIdleWorkHold> hold;
        if (!hold)
            hold = new TIdleWorkHold(QCoreApplication::instance());
        return *hold;
    }

    void Typed()
    {
        if (!FHolding) {
            QCoreApplication::instance()->installEventFilter(this);
            FHolding = true;
        }
        FPause->start();
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        auto *timer = qobject_cast<QTimer *>(object);
        if (!timer || timer->interval() != 0 || !timer->parent() ||
            std::strcmp(timer->parent()->metaObject()->className(), "QsciScintillaQt") != 0)
            return false;
        timer->stop();
        FHeld.emplace_back(timer);
        return true;
    }

private:
    explicit TIdleWorkHold(QObject *parent)
        : QObject(parent)
        , FPause(new QTimer(this))
    {
        FPause->setSingleShot(true);
        FPause->setInterval(TEditorControl::TypingPause);
        connect(FPause, &QTimer::timeout, this, &TIdleWorkHold::Resume);
    }

    void Resume()
    {
        QCoreApplication::instance()->removeEventFilter(this);
        FHolding = false;
        for (const QPointer<QTimer> &timer : FHeld) {
            if (timer)
                timer->start(0);
        }
        FHeld.clear();
    }

    QTimer *FPause;
    bool FHolding = false;
    std::vector<QPointer<QTimer>> FHeld;
};

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
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)
        TIdleWorkHold::Instance().Typed();
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
