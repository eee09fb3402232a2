#include "ui/shell/MainFrame.h"

#include "app/ProjectFiles.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/FrameFixture.h"
#include "tests/ui/support/Widgets.h"
#include "ui/project/FProject.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

QStringList MenuTitles(const QMenuBar *bar)
{
    QStringList titles;
    // A title as it reads: its mnemonic marker is not shown.
    for (const QAction *action : bar->actions())
        titles.append(QString(action->text()).remove(u'&'));
    return titles;
}

TScriptedPrompter::TMessage SaveQuestion(const char *name)
{
    return {MessageKind::Warning, Ru("Сохранить проект ") + name + "?", Buttons::SaveDiscardCancel};
}

TScriptedPrompter::TMessage SaveQuestion(const QString &name)
{
    return {MessageKind::Warning, Ru("Сохранить проект ") + QFile::encodeName(name).toStdString() + "?",
            Buttons::SaveDiscardCancel};
}

const TScriptedPrompter::TMessage NoProjects{MessageKind::Error, Ru("Нет открытых проектов"), Buttons::Ok};

} // namespace

class MainFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TFrameFixture>(); }
    void cleanup()
    {
        QVERIFY(F->Close());
        QVERIFY(F->Fakes.Errors.Shown.empty());
        F.reset();
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
    void closeAsksAfterEveryKindOfUnsavedEdit_data();
    void closeAsksAfterEveryKindOfUnsavedEdit();
    void nothingIsAskedRightAfterOpenOrSave();
    void commandKeysInThePageEditorRunTheirCommands();
    void anOpenedProjectIsInFrontAndSelected();
    void closingSelectsTheNodeOfTheWindowThatIsActiveNow();

private:
    // Opens a saved project of two pages through the frame's command.
    TSiteProject *OpenSample()
    {
        TSiteGenerator g;
        g.CreateNewPage("index", "first\r\nsecond");
        g.CreateNewPage("two", "page two");
        SaveProject(QFile::encodeName(F->Path(u"sample.sgp"_s)).toStdString(), g);
        F->Fakes.Dialogs.OpenAnswers.push_back({F->Path(u"sample.sgp"_s)});
        F->Trigger(u"LoadProject"_s);
        return F->Form->ActiveProject();
    }
    // Shows a tab of the project window and, for the pages tab, makes a page current.
    static void Show(TSiteProject *project, const QString &tab, int page = -1)
    {
        auto *tabs = project->findChild<QTabWidget *>(u"PageControl1"_s);
        tabs->setCurrentWidget(project->findChild<QWidget *>(tab));
        if (page >= 0) {
            auto *tree = project->findChild<QTreeView *>(u"TreeView1"_s);
            tree->setCurrentIndex(tree->model()->index(page, 0));
        }
    }
    // Gives a control of the project window the focus and returns the widget that holds it.
    static QWidget *Focus(TSiteProject *project, const QString &name)
    {
        project->findChild<QWidget *>(name)->setFocus(Qt::TabFocusReason);
        return QApplication::focusWidget();
    }

    // The frame's tree shows exactly the active project's node as chosen.
    void VerifyTreeFollows(TSiteProject *active)
    {
        QTreeWidget *tree = F->Form->ProjectTree();
        QCOMPARE(F->Form->ActiveProject(), active);
        QCOMPARE(F->Form->MdiArea()->activeSubWindow(), F->Form->SubWindowOf(active));
        QCOMPARE(F->Form->MdiArea()->subWindowList(QMdiArea::StackingOrder).back(),
                 F->Form->SubWindowOf(active));
        QCOMPARE(tree->currentItem(), F->Form->NodeOf(active));
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem *>{F->Form->NodeOf(active)});
    }
    QString SavedSample(const QString &name)
    {
        TSiteGenerator g;
        g.CreateNewPage("index", "text");
        SaveProject(QFile::encodeName(F->Path(name)).toStdString(), g);
        return F->Path(name);
    }

    void Select(int node)
    {
        F->Form->ProjectTree()->setCurrentItem(F->Form->ProjectTree()->topLevelItem(node));
    }

    std::unique_ptr<TFrameFixture> F;
};

void MainFrameTest::frameCarriesItsCommandsInOrder()
{
    QCOMPARE(F->Form->windowTitle(), u"Zarvik"_s);
    QCOMPARE(F->Form->ProjectTree()->objectName(), u"TreeView1"_s);
    QVERIFY(!F->Form->ProjectTree()->accessibleName().isEmpty());

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
        ZARVIK_FIND(action, QAction, F->Form, command.Name);
        QCOMPARE(action->text(), command.Caption);
        QCOMPARE(action->shortcut(), QKeySequence(command.Shortcut));
        QVERIFY(!action->icon().isNull());
    }

    QCOMPARE(MenuTitles(F->Form->menuBar()), QStringList({u"Проект"_s, u"Информация"_s}));
    ZARVIK_FIND(projectMenu, QMenu, F->Form, u"ProjectMenu"_s);
    QCOMPARE(ActionNames(projectMenu->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"LoadProject"_s, u"-"_s, u"SaveProject"_s,
                          u"SaveProjectAs"_s, u"-"_s, u"CloseProject"_s, u"-"_s, u"Quit"_s}));
    ZARVIK_FIND(infoMenu, QMenu, F->Form, u"InfoMenu"_s);
    QCOMPARE(ActionNames(infoMenu->actions()), QStringList({u"About"_s}));
    ZARVIK_FIND(toolBar, QToolBar, F->Form, u"ToolBar1"_s);
    QCOMPARE(ActionNames(toolBar->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"LoadProject"_s, u"-"_s, u"SaveProject"_s,
                          u"SaveProjectAs"_s, u"-"_s, u"CloseProject"_s, u"-"_s, u"About"_s}));
    QCOMPARE(ActionNames(F->Form->ProjectTree()->actions()),
             QStringList({u"NewProject"_s, u"-"_s, u"SaveProject"_s, u"-"_s, u"CloseProject"_s}));

    // The keyboard reaches the commands.
    QTest::keyClick(F->Form.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s}));
}

void MainFrameTest::newProjectsAreNumberedAndNumbersAreNeverReused()
{
    TSiteProject *first = F->New();
    TSiteProject *second = F->New();
    TSiteProject *third = F->New();
    QVERIFY(first && second && third);
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled1"_s, u"Untitled2"_s}));
    QCOMPARE(second->ProjectName(), u"Untitled1"_s);
    QCOMPARE(second->windowTitle(), u"Untitled1"_s);
    QCOMPARE(F->Form->ActiveProject(), third);
    QCOMPARE(F->Form->ProjectTree()->currentItem(), F->Form->NodeOf(third));

    // A new project nobody touched holds nothing to lose: it closes without the question.
    Select(1);
    QCOMPARE(F->Form->ActiveProject(), second);
    QVERIFY(second->Generator().Changed());
    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));
    QCOMPARE(F->Form->MdiArea()->subWindowList().size(), 2);

    F->New();
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s, u"Untitled3"_s}));
    QVERIFY(F->Fakes.Dialogs.Calls.empty());
}

void MainFrameTest::closeAsksOnlyAboutTheActiveProject()
{
    TSiteProject *changed = F->New();
    TSiteProject *clean = F->New();
    QVERIFY(changed && clean);
    QVERIFY(changed->Generator().Changed());
    clean->Generator().SetChanged(false);
    QCOMPARE(F->Form->ActiveProject(), clean);

    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QCOMPARE(F->Form->Projects(), QList<TSiteProject *>({changed}));
}

void MainFrameTest::closeAfterAnOkThatDidNotSaveKeepsTheProject()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    project->Generator().SetSiteTitle("Garden");

    // OK at the question runs Save; the untitled project goes to Save As, which is cancelled.
    F->Fakes.Prompter.Script(Answer::Ok);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({SaveQuestion("Untitled0")}));
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
    QCOMPARE(F->Fakes.Dialogs.Calls[0].Kind, u"save"_s);
    QCOMPARE(F->Form->Projects(), QList<TSiteProject *>({project}));
    QVERIFY(project->Generator().Changed());

    // A save that fails is reported and keeps the project as well.
    F->Fakes.Prompter.Script(Answer::Ok);
    const QString unreachable = u"/nonexistent-zarvik-folder/garden"_s;
    F->Fakes.Dialogs.SaveAnswers.push_back(unreachable);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Fakes.Errors.Shown.size(), 1u);
    QVERIFY(F->Fakes.Errors.Shown[0].starts_with(
        "Cannot create file \"/nonexistent-zarvik-folder/garden.sgp\". "));
    QCOMPARE(F->Form->Projects(), QList<TSiteProject *>({project}));
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s}));
    F->Fakes.Errors.Shown.clear();
}

void MainFrameTest::quitOffersTheLastNodeFirstAndStopsAtAnUnsavedOk()
{
    F->New();
    F->New();
    F->New();
    F->Form->Projects()[0]->Generator().SetSiteTitle("first");
    F->Form->Projects()[1]->Generator().SetChanged(false);
    F->Form->Projects()[2]->Generator().SetSiteTitle("third");

    // "Не сохранять" for the last project closes it; "Сохранить" for the first one whose Save As
    // is cancelled stops the quit there.
    F->Fakes.Prompter.Script(Answer::No);
    F->Fakes.Prompter.Script(Answer::Ok);
    F->Trigger(u"Quit"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({SaveQuestion("Untitled2"), SaveQuestion("Untitled0")}));
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s}));
    QVERIFY(F->Form->isVisible());

    // "Отмена" keeps the project open and stops the quit.
    F->Fakes.Prompter.Messages.clear();
    F->Fakes.Prompter.Script(Answer::Cancel);
    F->Trigger(u"Quit"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({SaveQuestion("Untitled0")}));
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s}));
    QVERIFY(F->Form->isVisible());
    F->Fakes.Prompter.Script(Answer::Cancel);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s}));

    F->Fakes.Prompter.Messages.clear();
    F->Fakes.Prompter.Script(Answer::No);
    F->Fakes.Dialogs.Calls.clear();
    F->Trigger(u"Quit"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({SaveQuestion("Untitled0")}));
    QVERIFY(F->NodeTexts().isEmpty());
    QVERIFY(!F->Form->isVisible());
    QVERIFY(F->Fakes.Dialogs.Calls.empty());
}

void MainFrameTest::commandsWithoutProjectsSayThereAreNone()
{
    F->Trigger(u"SaveProject"_s);
    F->Trigger(u"SaveProjectAs"_s);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({NoProjects, NoProjects, NoProjects}));
    QVERIFY(F->Fakes.Dialogs.Calls.empty());

    // Quit with nothing open just closes.
    F->Trigger(u"Quit"_s);
    QVERIFY(!F->Form->isVisible());
}

void MainFrameTest::treeSelectionActivatesItsWindowAndFollowsIt()
{
    TSiteProject *first = F->New();
    TSiteProject *second = F->New();
    QVERIFY(first && second);
    QTreeWidget *tree = F->Form->ProjectTree();

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(F->Form->ActiveProject(), first);
    QCOMPARE(F->Form->MdiArea()->activeSubWindow(), F->Form->SubWindowOf(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(F->Form->ActiveProject(), second);

    // Activating a window another way moves the tree's selection with it.
    F->Form->MdiArea()->setActiveSubWindow(F->Form->SubWindowOf(first));
    QCOMPARE(tree->currentItem(), F->Form->NodeOf(first));

    // A minimised window comes back when its node is chosen.
    F->Form->SubWindowOf(second)->showMinimized();
    Select(0);
    Select(1);
    QCOMPARE(F->Form->ActiveProject(), second);
    QVERIFY(!F->Form->SubWindowOf(second)->isMinimized());
}

void MainFrameTest::renamingANodeNamesTheWindowAndSavesNothing()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    QTreeWidget *tree = F->Form->ProjectTree();
    QTreeWidgetItem *node = F->Form->NodeOf(project);

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
    QCOMPARE(F->Form->SubWindowOf(project)->windowTitle(), u"сад"_s);
    QVERIFY(F->Fakes.Dialogs.Calls.empty());

    // Save finds no file of that name and falls back to Save As.
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
    QCOMPARE(F->Fakes.Dialogs.Calls[0].Kind, u"save"_s);
}

void MainFrameTest::aWindowsOwnCloseButtonOnlyMinimisesIt()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    QMdiSubWindow *sub = F->Form->SubWindowOf(project);
    QVERIFY(!sub->close());
    QVERIFY(sub->isMinimized());
    QCOMPARE(F->Form->Projects(), QList<TSiteProject *>({project}));
    QCOMPARE(F->Form->SubWindowOf(project), sub);
}

void MainFrameTest::nodeGoesExactlyWhenItsWindowIsDestroyed()
{
    TSiteProject *first = F->New();
    TSiteProject *second = F->New();
    TSiteProject *third = F->New();
    QVERIFY(first && second && third);
    delete F->Form->SubWindowOf(second);
    QCOMPARE(F->Form->Projects(), QList<TSiteProject *>({first, third}));
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));

    // A project window the tree does not know leaves the tree alone when it goes.
    auto *stray = new TSiteProject(F->Fakes.Services);
    F->Form->MdiArea()->addSubWindow(stray);
    delete stray;
    QCOMPARE(F->NodeTexts(), QStringList({u"Untitled0"_s, u"Untitled2"_s}));
}

void MainFrameTest::proceduresMenuStandsBetweenTheFramesMenus()
{
    TSiteProject *first = F->New();
    TSiteProject *second = F->New();
    QVERIFY(first && second);
    QCOMPARE(MenuTitles(F->Form->menuBar()), QStringList({u"Проект"_s, u"Процедуры"_s, u"Информация"_s}));
    QCOMPARE(F->Form->menuBar()->actions().at(1), second->ProceduresMenu()->menuAction());

    Select(0);
    QCOMPARE(F->Form->menuBar()->actions().size(), 3);
    QCOMPARE(F->Form->menuBar()->actions().at(1), first->ProceduresMenu()->menuAction());

    first->Generator().SetChanged(false);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Form->menuBar()->actions().at(1), second->ProceduresMenu()->menuAction());
    second->Generator().SetChanged(false);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(MenuTitles(F->Form->menuBar()), QStringList({u"Проект"_s, u"Информация"_s}));
}

void MainFrameTest::closeAsksAfterEveryKindOfUnsavedEdit_data()
{
    // The tab shown, the page made current, then either a control typed into or a command.
    QTest::addColumn<QString>("tab");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("typedInto");
    QTest::addColumn<QString>("command");
    QTest::newRow("page text") << u"TabSheet6"_s << 0 << u"SynEdit1"_s << QString();
    QTest::newRow("page title") << u"TabSheet6"_s << 0 << u"LabeledEdit5"_s << QString();
    QTest::newRow("template") << u"TabSheet4"_s << -1 << u"SynEdit2"_s << QString();
    QTest::newRow("style sheet") << u"TabSheet5"_s << -1 << u"SynEdit3"_s << QString();
    QTest::newRow("ad block") << u"TabSheet7"_s << -1 << u"SynEdit4"_s << QString();
    QTest::newRow("link list") << u"TabSheet3"_s << -1 << u"Memo1"_s << QString();
    QTest::newRow("settings field not left") << u"TabSheet1"_s << -1 << u"Edit1"_s << QString();
    QTest::newRow("added content") << u"TabSheet6"_s << 1 << QString() << u"AddContent"_s;
    QTest::newRow("new page") << u"TabSheet6"_s << 1 << QString() << u"newpage"_s;
    QTest::newRow("deleted page") << u"TabSheet6"_s << 1 << QString() << u"DeletePages"_s;
    QTest::newRow("moved page") << u"TabSheet6"_s << 1 << QString() << u"move"_s;
    QTest::newRow("renamed page") << u"TabSheet6"_s << 1 << QString() << u"rename"_s;
}

void MainFrameTest::closeAsksAfterEveryKindOfUnsavedEdit()
{
    QFETCH(QString, tab);
    QFETCH(int, page);
    QFETCH(QString, typedInto);
    QFETCH(QString, command);
    TSiteProject *project = OpenSample();
    QVERIFY(project);
    Show(project, tab, page);
    // The focus moves before the edit: leaving a settings field pushes, which sets Changed.
    QWidget *focused = typedInto.isEmpty() ? nullptr : Focus(project, typedInto);
    QVERIFY(!project->HasUnsavedEdits());
    project->Generator().SetChanged(false);

    auto *tree = project->findChild<QTreeView *>(u"TreeView1"_s);
    if (focused)
        TypeText(focused, u"x"_s);
    else if (command == u"move"_s)
        project->TreeView1DragDrop(tree->model()->index(0, 0));
    else if (command == u"rename"_s)
        tree->model()->setData(tree->model()->index(1, 0), u"about.html"_s);
    else {
        if (command == u"AddContent"_s)
            F->Fakes.ContentAdd.Answers.push_back({true, "more text"});
        F->Trigger(project, command);
    }
    // The engine keeps its own rules: none of these marks the generator changed.
    QVERIFY(!project->Generator().Changed());
    QVERIFY(project->HasUnsavedEdits());

    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Fakes.Prompter.Messages, std::vector({SaveQuestion(F->Path(u"sample.sgp"_s))}));
    QVERIFY(F->Form->Projects().isEmpty());
}

void MainFrameTest::nothingIsAskedRightAfterOpenOrSave()
{
    // Opened and looked at, without an edit.
    TSiteProject *opened = OpenSample();
    QVERIFY(opened);
    Show(opened, u"TabSheet6"_s, 1);
    Show(opened, u"TabSheet3"_s);
    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QVERIFY(F->Form->Projects().isEmpty());

    // Edited, then a save that fails: the edit is still unsaved.
    TSiteProject *project = F->New();
    QVERIFY(project);
    Show(project, u"TabSheet3"_s);
    TypeText(Focus(project, u"Memo1"_s), u"http://a/ a"_s);
    F->Fakes.Dialogs.SaveAnswers.push_back(u"/nonexistent-zarvik-folder/p"_s);
    F->Trigger(u"SaveProject"_s);
    QCOMPARE(F->Fakes.Errors.Shown.size(), 1u);
    F->Fakes.Errors.Shown.clear();
    QVERIFY(project->HasUnsavedEdits());

    // Saved: nothing to ask about, though the focus is still in the edited list.
    F->Fakes.Dialogs.SaveAnswers.push_back(F->Path(u"saved"_s));
    F->Trigger(u"SaveProject"_s);
    QVERIFY(QFile::exists(F->Path(u"saved.sgp"_s)));
    QVERIFY(!project->HasUnsavedEdits());
    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QVERIFY(F->Form->Projects().isEmpty());
}

void MainFrameTest::commandKeysInThePageEditorRunTheirCommands()
{
    TSiteProject *project = OpenSample();
    QVERIFY(project);
    Show(project, u"TabSheet6"_s, 0);
    QWidget *editor = Focus(project, u"SynEdit1"_s);
    project->Generator().SetChanged(false);
    F->Fakes.Dialogs.Calls.clear();

    // Ctrl+L opens (the dialog is cancelled) instead of cutting the caret's line.
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), 1u);
    QCOMPARE(F->Fakes.Dialogs.Calls[0].Title, u"Открыть проект"_s);
    QCOMPARE(project->Generator().Pages()[0].PageText(), std::string("first\r\nsecond"));
    QVERIFY(!project->HasUnsavedEdits());

    // Ctrl+T closes instead of swapping two lines; with the text untouched nothing is asked.
    QTest::keyClick(editor, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
    QVERIFY(F->Form->Projects().isEmpty());
}

void MainFrameTest::anOpenedProjectIsInFrontAndSelected()
{
    TSiteProject *first = F->New();
    QVERIFY(first);
    Show(first, u"TabSheet1"_s);
    QVERIFY(first->isAncestorOf(Focus(first, u"Edit1"_s)));

    F->Fakes.Dialogs.OpenAnswers.push_back({SavedSample(u"one.sgp"_s)});
    F->Trigger(u"LoadProject"_s);
    TSiteProject *opened = F->Form->Projects().back();
    QVERIFY(opened != first);
    VerifyTreeFollows(opened);
    QVERIFY(!QTest::currentTestFailed());

    // Files handed over while another window of the desktop is active: when the frame comes
    // back, the focus it had in the first project must not take the activation back there.
    Select(0);
    QVERIFY(first->isAncestorOf(Focus(first, u"Edit1"_s)));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    F->Form->OpenProjectFiles({SavedSample(u"two.sgp"_s), SavedSample(u"three.sgp"_s)});
    other.close();
    F->Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(F->Form.get()));
    QCOMPARE(F->Form->Projects().size(), 4);
    VerifyTreeFollows(F->Form->Projects().back());
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(F->Form->Projects().back()->isAncestorOf(QApplication::focusWidget()));

    // Opening a file that is open already shows its window the same way.
    F->Fakes.Dialogs.OpenAnswers.push_back({F->Path(u"one.sgp"_s)});
    F->Trigger(u"LoadProject"_s);
    QCOMPARE(F->Form->Projects().size(), 4);
    VerifyTreeFollows(opened);
    QVERIFY(!QTest::currentTestFailed());
}

void MainFrameTest::closingSelectsTheNodeOfTheWindowThatIsActiveNow()
{
    QVERIFY(F->New() && F->New() && F->New() && F->New());
    // The last node, a middle one chosen in the tree, the first one activated in the area.
    for (const int node : {3, 1, 0}) {
        if (node == 0)
            F->Form->MdiArea()->setActiveSubWindow(F->Form->SubWindowOf(F->Form->Projects().front()));
        else
            Select(node);
        F->Trigger(u"CloseProject"_s);
        QVERIFY(F->Form->ActiveProject());
        VerifyTreeFollows(F->Form->ActiveProject());
        QVERIFY(!QTest::currentTestFailed());
    }

    F->Trigger(u"CloseProject"_s);
    QVERIFY(F->Form->Projects().isEmpty());
    QVERIFY(F->Form->ProjectTree()->selectedItems().isEmpty());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::MainFrameTest)
#include "MainFrameTest.moc"
