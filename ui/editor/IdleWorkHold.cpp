#include "ui/editor/IdleWorkHold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace zarvik {

namespace {

bool IsScintillaObject(const QObject *object)
{
    return object && std::strcmp(object->metaObject()->className(), "QsciScintillaQt") == 0;
}

// Notes the Scintilla objects that gain a child while it is installed on the application.
class TScintillaObjectCatcher : public QObject
{
public:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded && IsScintillaObject(object) &&
            std::find(Found.begin(), Found.end(), object) == Found.end())
            Found.emplace_back(object);
        return false;
    }

    std::vector<QPointer<QObject>> Found;
};

} // namespace

TIdleWorkHold::TIdleWorkHold(int typingPause, QObject *parent)
    : QObject(parent)
    , FPause(new QTimer(this))
{
    FPause->setSingleShot(true);
    FPause->setInterval(typingPause);
    connect(FPause, &QTimer::timeout, this, &TIdleWorkHold::Resume);
}

TIdleWorkHold::~TIdleWorkHold()
{
    // The kept timers belong to controls that may outlive the hold: they get their work back.
    Resume();
}

void TIdleWorkHold::Typed()
{
    if (!FHolding) {
        QCoreApplication::instance()->installEventFilter(this);
        FHolding = true;
    }
    FPause->start();
}

void TIdleWorkHold::Resume()
{
    FPause->stop();
    if (FHolding) {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
        FHolding = false;
    }
    for (const QPointer<QTimer> &timer : FHeld) {
        if (timer)
            timer->start(0);
    }
    FHeld.clear();
}

bool TIdleWorkHold::eventFilter(QObject *object, QEvent *event)
{
    if (!FHolding || event->type() != QEvent::Timer || !IsIdleWorkTimer(object))
        return false;
    auto *timer = static_cast<QTimer *>(object);
    timer->stop();
    FHeld.emplace_back(timer);
    return true;
}

bool TIdleWorkHold::IsIdleWorkTimer(const QObject *object)
{
    const auto *timer = qobject_cast<const QTimer *>(object);
    return timer && timer->interval() == 0 && IsScintillaObject(timer->parent());
}

std::vector<QTimer *> TIdleWorkHold::IdleWorkTimersMadeBy(const std::function<void()> &work)
{
    TScintillaObjectCatcher catcher;
    QCoreApplication::instance()->installEventFilter(&catcher);
    work();
    QCoreApplication::instance()->removeEventFilter(&catcher);
    std::vector<QTimer *> out;
    for (const QPointer<QObject> &object : catcher.Found) {
        if (!object)
            continue;
        for (QObject *child : object->children()) {
            if (IsIdleWorkTimer(child))
                out.push_back(static_cast<QTimer *>(child));
        }
    }
    return out;
}

} // namespace zarvik
