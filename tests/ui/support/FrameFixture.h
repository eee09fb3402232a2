#pragma once

#include "tests/ui/support/Fakes.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <stdexcept>

namespace zarvik::test {

// The main window with scripted services, shown and active, and a folder for the test's files.
class TFrameFixture
{
public:
    TFrameFixture()
        : Form(std::make_unique<TForm1>(Fakes.Services))
    {
        if (!Dir.isValid())
            throw std::runtime_error("cannot create a temporary folder");
        Form->show();
        Form->activateWindow();
        if (!QTest::qWaitForWindowActive(Form.get()))
            throw std::runtime_error("the main window did not become active");
    }

    // Closes the window; true when every scripted answer was used.
    bool Close()
    {
        Form.reset();
        return Fakes.Drained();
    }

    QString Path(const QString &name) const { return QDir(Dir.path()).filePath(name); }

    // Triggers the named action of a window; a miss fails the test.
    static void Trigger(QObject *window, const QString &name)
    {
        auto *action = window->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }
    void Trigger(const QString &name) { Trigger(Form.get(), name); }

    // A new project through the frame's command, or null when no node was added for it.
    TSiteProject *New()
    {
        const int before = Form->ProjectTree()->topLevelItemCount();
        Trigger(QStringLiteral("NewProject"));
        if (Form->ProjectTree()->topLevelItemCount() != before + 1)
            return nullptr;
        return Form->Projects().back();
    }

    QString NodeText(int node) const { return Form->ProjectTree()->topLevelItem(node)->text(0); }
    QStringList NodeTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Form->ProjectTree()->topLevelItemCount(); ++i)
            texts.append(NodeText(i));
        return texts;
    }

    QTemporaryDir Dir;
    TFakeServices Fakes;
    std::unique_ptr<TForm1> Form;
};

// Ends a test's frame; true when every scripted answer was used.
inline bool CloseFixture(std::unique_ptr<TFrameFixture> &fixture)
{
    const bool drained = fixture->Close();
    fixture.reset();
    return drained;
}

} // namespace zarvik::test
