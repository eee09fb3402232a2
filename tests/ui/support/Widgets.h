#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

// Finds a child by objectName and fails the running test function when there is none.
#define ZARVIK_FIND(var, Type, root, name)                                                                   \
    auto *var = (root)->findChild<Type *>(name);                                                             \
    QVERIFY2(var != nullptr, qPrintable(QStringLiteral("no ") + QStringLiteral(#Type) +                      \
                                        QStringLiteral(" named ") + QString(name)))

namespace zarvik::test {

// Runs `answer` on the next modal dialog as soon as its modal loop is running. The caller then
// starts the code that opens the dialog. The check is re-queued while no dialog is up yet.
inline void WhenModal(std::function<void(QWidget *)> answer, int attempts = 500)
{
    QTimer::singleShot(0, qApp, [answer = std::move(answer), attempts]() mutable {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            answer(dialog);
            return;
        }
        if (attempts > 0)
            WhenModal(std::move(answer), attempts - 1);
    });
}

// Types text as the keyboard would; unlike QTest::keyClicks it takes any character.
inline void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The object names of actions in order, "-" for a separator.
inline QStringList ActionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

// The button of a dialog that shows the text, or null.
inline QAbstractButton *ButtonWithText(QWidget *dialog, const QString &text)
{
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        QString shown = button->text();
        shown.remove(u'&');
        if (shown == text)
            return button;
    }
    return nullptr;
}

} // namespace zarvik::test
