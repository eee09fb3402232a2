#pragma once

#include "tests/support/Ru.h"
#include "tests/ui/support/Fakes.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/FProject.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <string>

namespace zarvik::test {

// One project window with scripted services, shown and active so that focus changes are real.
class TProjectFixture
{
public:
    TProjectFixture()
        : Window(std::make_unique<TSiteProject>(Fakes.Services))
    {
        Window->show();
        Window->activateWindow();
        if (!QTest::qWaitForWindowActive(Window.get()))
            throw std::runtime_error("the project window did not become active");
    }

    // The widget of that objectName; a miss fails the test.
    template <typename T> T &Find(const QString &name) const
    {
        T *found = Window->findChild<T *>(name);
        if (!found) {
            const std::string message = "no widget " + name.toStdString();
            QTest::qFail(message.c_str(), __FILE__, __LINE__);
            throw std::runtime_error(message);
        }
        return *found;
    }

    QAction &Action(const QString &name) const { return Find<QAction>(name); }
    QString Panel(int index) const
    {
        return Find<QLabel>(QStringLiteral("StatusPanel") + QString::number(index)).text();
    }

    // Types into the focused widget, any character included (QTest's helpers know Latin-1 only).
    static void Type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Puts the caret into a field, replaces its text by typing, and leaves it by tabbing on.
    void TypeInto(const QString &fieldName, const QString &text)
    {
        auto &field = Find<QLineEdit>(fieldName);
        field.setFocus(Qt::TabFocusReason);
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Delete);
        Type(&field, text);
        QTest::keyClick(&field, Qt::Key_Tab);
    }

    void Leave(const QString &fieldName)
    {
        auto &field = Find<QLineEdit>(fieldName);
        field.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&field, Qt::Key_Tab);
    }

    // Messages shown so far, as UTF-8 for readable comparisons.
    QStringList Messages() const
    {
        QStringList out;
        for (const auto &m : Fakes.Prompter.Messages)
            out.push_back(ToQString(m.Text));
        return out;
    }

    TFakeServices Fakes;
    std::unique_ptr<TSiteProject> Window;
};

// Ends a test's window; true when every scripted answer was used.
inline bool CloseFixture(std::unique_ptr<TProjectFixture> &fixture)
{
    const bool drained = fixture->Fakes.Drained();
    fixture.reset();
    return drained;
}

// A folder that lives as long as the test.
class TTempFolder
{
public:
    QString Path(const QString &name) const { return FDir.filePath(name); }
    QString Root() const { return FDir.path(); }
    void Write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(Path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write a test file");
    }
    QByteArray Read(const QString &name) const
    {
        QFile file(Path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private:
    QTemporaryDir FDir;
};

inline std::string FileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

inline QByteArray Bytes(const std::string &text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace zarvik::test
