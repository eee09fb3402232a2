#include "ui/shell/MainFrame.h"

#include "tests/support/Ru.h"
#include "tests/ui/support/Fakes.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

QStringList ActionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names.append(action->isSeparator() ? u"-"_s : action->objectName());
    return names;
}

QStringList MenuTitles(const QMenuBar *bar)
{
    QStringList titles;
    for (const QAction *action : bar->actions())
        titles.append(action->text());
    return titles;
}

TScriptedPrompter::TMessage SaveQuestion(const char *name)
{
    return {MessageKind::Warning, Ru("Сохранить проект ") + name + "?", Buttons::OkCancel};
}

const TScriptedPrompter::TMessage NoProjects{MessageKind::Error, Ru("Нет открытых проектов"), Buttons::Ok};

} // namespace

class MainFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FFakes = std::make_unique<TFakeServices>();
        FForm = std::make_unique<TForm1>(FFakes->Services);
        FForm->show();
        FForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    }
    void cleanup()
    {
        FForm.reset();
        QVERIFY(FFakes->Drained());
        QVERIFY(FFakes->Errors.Shown.empty());
        FFakes.reset();
    }

    void frameCarriesItsCommandsInOrder();
    void newProjectsAreNumberedAndNumbersAreNeverReused();
    void closeAsksOnlyAboutTheActiveProject();
    void closeAfterAnOkThatDidNotSaveKeepsTheProject();
    void quitOffersTheLastNodeFirstAndStopsAtAnUnsavedOk();
    void commandsWithoutProjectsSayThereAreNone();
    void treeSelectionActivatesItsWindowAndFollowsIt();
    void renamingANodeNamesTheWindowAndSavesNothing();
    void aWindowsOwnCloseButtonOnlyMinimisesIt();
    void nodeGoesExactlyWhenItsWindowIsDestroyed();
    void proceduresMenuStandsBetweenTheFramesMenus();

private:
    TSiteProject *New()
    {
        const int before = FForm->ProjectTree()->topLevelItemCount();
        Trigger(u"NewProject"_s);
        if (FForm->ProjectTree()->topLevelItemCount() != before + 1)
            return nullptr;
        return FForm->Projects().back();
    }
    void Trigger(const QString &name)
    {
        auto *action = FForm->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }
    QStringList NodeTexts() const
    {
        QStringList texts;
        for (int i = 0; i < FForm->ProjectTree()->topLevelItemCount(); ++i)
            texts.append(FForm->ProjectTree()->topLevelItem(i)->text(0));
        return texts;
    }
    void Select(int node) { FForm->ProjectTree()->setCurrentItem(FForm->ProjectTree()->topLevelItem(node)); }

    std::unique_ptr<TFakeServices> FFakes;
    std::unique_ptr<TForm1> FForm;
};

void MainFrameTest::frameCarriesItsCommandsInOrder()
{
    QCOMPARE(FForm->windowTitle(), u"Zarvik"_s);
    QCOMPARE(FForm->ProjectTree()->objectName(), u"TreeView1"_s);
    QVERIFY(!FForm->ProjectTree()->accessibleName().isEmpty());

    const struct
    {
        QString Name;
        QString Caption;
        QString Shortcut;
    } commands[] = {
        {u"NewProject"_s, u"Создать проект"_s, u"Ctrl+N"_s},
        {u"LoadProject"_s, u"Открыть проект"_s, u"Ctrl+L"_s},
        {u"SaveProject"_s, u"Сохранить проект"_s, u"Ctrl+S"_s},
        {u"SaveProjectAs"_s, u"Сохранить проект как..."_s, u"Ctrl+Alt+S"_s},
        {u"CloseProject"_s, u"Закрыть проект"_s, u"Ctrl+T"_s},
        {u"About"_s, u"О программе"_s, QString()},
        {u"Quit"_s, u"Выход"_s, u"Ctrl+Q"_s},
    };
    for (const auto &command : commands) {
        ZARVIK_FIND(action, QAction, FForm, command.Name);
        QCOMPARE(action->text(), command.Caption);
        QCOMPARE(action->shortcut(), QKeySequence(command.Shortcut));
        QVERIFY(!action->icon().isNull());
    }

    QCOMPARE(MenuTitles(FForm->menuBar()), QStringList({u"Проект"_s, u"Информация"_s}));
    ZARVIK_FIND(projectMenu, QMenu, FForm, u"ProjectMenu"_s);
    QCOMPARE(ActionNames(projectMenu->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"LoadProject"_s, u"-"_s, u"SaveProject"_s,
                          u"SaveProjectAs"_s, u"-"_s, u"CloseProject"_s, u"-"_s, u"Quit"_s}));
    ZARVIK_FIND(infoMenu, QMenu, FForm, u"InfoMenu"_s);
    QCOMPARE(ActionNames(infoMenu->actions()), QStringList({u"About"_s}));
    ZARVIK_FIND(toolBar, QToolBar, FForm, u"ToolBar1"_s);
    QCOMPARE(ActionNames(toolBar->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"LoadProject"_s, u"-"_s, u"SaveProject"_s,
                          u"SaveProjectAs"_s, u"-"_s, u"CloseProject"_s, u"-"_s, u"About"_s}));
    QCOMPARE(ActionNames(FForm->ProjectTree()->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"SaveProject"_s, u"-"_s, u"CloseProject"_s}));

    // The keyboard reaches the commands.
    QTest::keyClick(FForm.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s}));
}

void MainFrameTest::newProjectsAreNumberedAndNumbersAreNeverReused()
{
    TSiteProject *first = New();
    TSiteProject *second = New();
    TSiteProject *third = New();
    QVERIFY(first && second && third);
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled1"_s, u"Untitled2"_s}));
    QCOMPARE(second->ProjectName(), u"Untitled1"_s);
    QCOMPARE(second->windowTitle(), u"Untitled1"_s);
    QCOMPARE(FForm->ActiveProject(), third);
    QCOMPARE(FForm->ProjectTree()->currentItem(), FForm->NodeOf(third));

    // A new project is changed (its settings were just stored), so closing it asks; Cancel
    // still closes it.
    Select(1);
    QCOMPARE(FForm->ActiveProject(), second);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({SaveQuestion("Untitled1")}));
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));
    QCOMPARE(FForm->MdiArea()->subWindowList().size(), 2);

    New();
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s, u"Untitled3"_s}));
    QVERIFY(FFakes->Dialogs.Calls.empty());
}

void MainFrameTest::closeAsksOnlyAboutTheActiveProject()
{
    TSiteProject *changed = New();
    TSiteProject *clean = New();
    QVERIFY(changed && clean);
    QVERIFY(changed->Generator().Changed());
    clean->Generator().SetChanged(false);
    QCOMPARE(FForm->ActiveProject(), clean);

    Trigger(u"CloseProject"_s);
    QVERIFY(FFakes->Prompter.Messages.empty());
    QCOMPARE(FForm->Projects(), QList<TSiteProject *>({changed}));
}

void MainFrameTest::closeAfterAnOkThatDidNotSaveKeepsTheProject()
{
    TSiteProject *project = New();
    QVERIFY(project);

    // OK at the question runs Save; the untitled project goes to Save As, which is cancelled.
    FFakes->Prompter.Script(Answer::Ok);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({SaveQuestion("Untitled0")}));
    QCOMPARE(FFakes->Dialogs.Calls.size(), 1u);
    QCOMPARE(FFakes->Dialogs.Calls[0].Kind, u"save"_s);
    QCOMPARE(FForm->Projects(), QList<TSiteProject *>({project}));
    QVERIFY(project->Generator().Changed());

    // A save that fails is reported and keeps the project as well.
    FFakes->Prompter.Script(Answer::Ok);
    const QString unreachable = u"/nonexistent-zarvik-folder/garden"_s;
    FFakes->Dialogs.SaveAnswers.push_back(unreachable);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FFakes->Errors.Shown.size(), 1u);
    QVERIFY(FFakes->Errors.Shown[0].starts_with(
        "Cannot create file \"/nonexistent-zarvik-folder/garden.sgp\". "));
    QCOMPARE(FForm->Projects(), QList<TSiteProject *>({project}));
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s}));
    FFakes->Errors.Shown.clear();
}

void MainFrameTest::quitOffersTheLastNodeFirstAndStopsAtAnUnsavedOk()
{
    New();
    New();
    New();
    FForm->Projects()[1]->Generator().SetChanged(false);

    // Cancel for the last project closes it; OK for the first one whose Save As is cancelled
    // stops the quit there.
    FFakes->Prompter.Script(Answer::Cancel);
    FFakes->Prompter.Script(Answer::Ok);
    Trigger(u"Quit"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({SaveQuestion("Untitled2"), SaveQuestion("Untitled0")}));
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s}));
    QVERIFY(FForm->isVisible());

    FFakes->Prompter.Messages.clear();
    FFakes->Prompter.Script(Answer::Cancel);
    FFakes->Dialogs.Calls.clear();
    Trigger(u"Quit"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({SaveQuestion("Untitled0")}));
    QVERIFY(NodeTexts().isEmpty());
    QVERIFY(!FForm->isVisible());
    QVERIFY(FFakes->Dialogs.Calls.empty());
}

void MainFrameTest::commandsWithoutProjectsSayThereAreNone()
{
    Trigger(u"SaveProject"_s);
    Trigger(u"SaveProjectAs"_s);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FFakes->Prompter.Messages, std::vector({NoProjects, NoProjects, NoProjects}));
    QVERIFY(FFakes->Dialogs.Calls.empty());

    // Quit with nothing open just closes.
    Trigger(u"Quit"_s);
    QVERIFY(!FForm->isVisible());
}

void MainFrameTest::treeSelectionActivatesItsWindowAndFollowsIt()
{
    TSiteProject *first = New();
    TSiteProject *second = New();
    QVERIFY(first && second);
    QTreeWidget *tree = FForm->ProjectTree();

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(FForm->ActiveProject(), first);
    QCOMPARE(FForm->MdiArea()->activeSubWindow(), FForm->SubWindowOf(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(FForm->ActiveProject(), second);

    // Activating a window another way moves the tree's selection with it.
    FForm->MdiArea()->setActiveSubWindow(FForm->SubWindowOf(first));
    QCOMPARE(tree->currentItem(), FForm->NodeOf(first));

    // A minimised window comes back when its node is chosen.
    FForm->SubWindowOf(second)->showMinimized();
    Select(0);
    Select(1);
    QCOMPARE(FForm->ActiveProject(), second);
    QVERIFY(!FForm->SubWindowOf(second)->isMinimized());
}

void MainFrameTest::renamingANodeNamesTheWindowAndSavesNothing()
{
    TSiteProject *project = New();
    QVERIFY(project);
    QTreeWidget *tree = FForm->ProjectTree();
    QTreeWidgetItem *node = FForm->NodeOf(project);

    tree->setFocus();
    tree->editItem(node);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    TypeText(editor, u"сад"_s);
    QTest::keyClick(editor, Qt::Key_Return);

    // The delegate commits the edit through a queued call.
    QTRY_COMPARE(node->text(0), u"сад"_s);
    QCOMPARE(project->ProjectName(), u"сад"_s);
    QCOMPARE(FForm->SubWindowOf(project)->windowTitle(), u"сад"_s);
    QVERIFY(FFakes->Dialogs.Calls.empty());

    // Save finds no file of that name and falls back to Save As.
    Trigger(u"SaveProject"_s);
    QCOMPARE(FFakes->Dialogs.Calls.size(), 1u);
    QCOMPARE(FFakes->Dialogs.Calls[0].Kind, u"save"_s);
}

void MainFrameTest::aWindowsOwnCloseButtonOnlyMinimisesIt()
{
    TSiteProject *project = New();
    QVERIFY(project);
    QMdiSubWindow *sub = FForm->SubWindowOf(project);
    QVERIFY(!sub->close());
    QVERIFY(sub->isMinimized());
    QCOMPARE(FForm->Projects(), QList<TSiteProject *>({project}));
    QCOMPARE(FForm->SubWindowOf(project), sub);
}

void MainFrameTest::nodeGoesExactlyWhenItsWindowIsDestroyed()
{
    TSiteProject *first = New();
    TSiteProject *second = New();
    TSiteProject *third = New();
    QVERIFY(first && second && third);
    delete FForm->SubWindowOf(second);
    QCOMPARE(FForm->Projects(), QList<TSiteProject *>({first, third}));
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));

    // A project window the tree does not know leaves the tree alone when it goes.
    auto *stray = new TSiteProject(FFakes->Services);
    FForm->MdiArea()->addSubWindow(stray);
    delete stray;
    QCOMPARE(NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));
}

void MainFrameTest::proceduresMenuStandsBetweenTheFramesMenus()
{
    TSiteProject *first = New();
    TSiteProject *second = New();
    QVERIFY(first && second);
    QCOMPARE(MenuTitles(FForm->menuBar()), QStringList({u"Проект"_s, u"Процедуры"_s, u"Информация"_s}));
    QCOMPARE(FForm->menuBar()->actions().at(1), second->ProceduresMenu()->menuAction());

    Select(0);
    QCOMPARE(FForm->menuBar()->actions().size(), 3);
    QCOMPARE(FForm->menuBar()->actions().at(1), first->ProceduresMenu()->menuAction());

    first->Generator().SetChanged(false);
    Trigger(u"CloseProject"_s);
    QCOMPARE(FForm->menuBar()->actions().at(1), second->ProceduresMenu()->menuAction());
    second->Generator().SetChanged(false);
    Trigger(u"CloseProject"_s);
    QCOMPARE(MenuTitles(FForm->menuBar()), QStringList({u"Проект"_s, u"Информация"_s}));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::MainFrameTest)
#include "MainFrameTest.moc"
