#include "tests/ui/support/FrameFixture.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/FProject.h"
#include "ui/shell/InstalledFiles.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

QString KeyText(const QKeySequence &key)
{
    return key.toString(QKeySequence::NativeText);
}

} // namespace

// The keys people expect beside the frame's own, the tool tips that name them, and the first
// start's hint with its example.
class FrameKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TFrameFixture>(); }
    void cleanup()
    {
        if (F)
            QVERIFY(CloseFixture(F));
    }

    void openAndCloseAnswerTheirUsualKeysToo();
    void everyToolTipNamesItsKeys();
    void projectKeysNeverTakeAnEditorsEditingKey();
    void projectUndoLeavesEditors();
    void helpOpensTheReadmeInTheBrowser();
    void emptyAreaSaysWhatToDoAndOpensTheExampleAsACopy();

private:
    std::unique_ptr<TFrameFixture> F;
};

void FrameKeysTest::openAndCloseAnswerTheirUsualKeysToo()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    project->Generator().SetChanged(false);
    QWidget *focus = F->Form->SubWindowOf(project);
    QVERIFY(focus);

    // Ctrl+W closes the project (it used to minimise its window); nothing was changed, so
    // nothing is asked.
    QTest::keyClick(F->Form.get(), Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(F->Form->ProjectTree()->topLevelItemCount(), 0);

    // Ctrl+O asks for a project file as Ctrl+L does.
    for (const Qt::Key key : {Qt::Key_O, Qt::Key_L}) {
        F->Fakes.Dialogs.Calls.clear();
        QTest::keyClick(F->Form.get(), key, Qt::ControlModifier);
        QCOMPARE(F->Fakes.Dialogs.Calls.size(), std::size_t(1));
        QCOMPARE(F->Fakes.Dialogs.Calls.front().Kind, u"open"_s);
    }
    // The specified keys stay the ones the menus show.
    QCOMPARE(F->Form->findChild<QAction *>(u"LoadProject"_s)->shortcut(), QKeySequence(u"Ctrl+L"_s));
    QCOMPARE(F->Form->findChild<QAction *>(u"CloseProject"_s)->shortcut(), QKeySequence(u"Ctrl+T"_s));
}

void FrameKeysTest::everyToolTipNamesItsKeys()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    int checked = 0;
    for (QObject *owner : {static_cast<QObject *>(F->Form.get())}) {
        for (const QAction *action : owner->findChildren<QAction *>()) {
            if (action->shortcut().isEmpty() || action->objectName().isEmpty())
                continue;
            ++checked;
            for (const QKeySequence &key : action->shortcuts()) {
                // The two clipboard commands keep their specified hints; their buttons name the keys.
                if (action->objectName() == u"EditCopy1"_s || action->objectName() == u"EditPaste1"_s)
                    continue;
                QVERIFY2(action->toolTip().contains(KeyText(key)),
                         qPrintable(action->objectName() + u": "_s + action->toolTip()));
            }
        }
    }
    QVERIFY(checked >= 12);
}

void FrameKeysTest::projectKeysNeverTakeAnEditorsEditingKey()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    const QList<TSourceEditor *> editors = project->findChildren<TSourceEditor *>();
    QCOMPARE(editors.size(), 4);
    QList<QKeySequence> editing;
    for (const TSourceEditor *editor : editors)
        editing += editor->EditingKeys();
    QVERIFY(editing.contains(QKeySequence(u"Ctrl+Z"_s)));

    QList<QKeySequence> commandKeys;
    // The frame's actions, the project window's among them.
    for (QObject *owner : {static_cast<QObject *>(F->Form.get())}) {
        for (const QAction *action : owner->findChildren<QAction *>()) {
            // The clipboard commands are editing commands themselves, and the project's undo and
            // redo answer Ctrl+Z only where no editor takes it first (see projectUndoLeavesEditors).
            if (action->objectName() == u"EditCopy1"_s || action->objectName() == u"EditPaste1"_s ||
                action->objectName() == u"ProjectUndo"_s || action->objectName() == u"ProjectRedo"_s)
                continue;
            for (const QKeySequence &key : action->shortcuts()) {
                QVERIFY2(!editing.contains(key), qPrintable(action->objectName() + u" "_s + KeyText(key)));
                QVERIFY2(!commandKeys.contains(key), qPrintable(u"twice: "_s + KeyText(key)));
                commandKeys.append(key);
            }
        }
    }
    // Every command of "Процедуры" but the pruning has a key of its own.
    for (const QAction *action : project->ProceduresMenu()->actions()) {
        if (!action->isSeparator() && action->objectName() != u"PruneStale"_s)
            QVERIFY2(!action->shortcut().isEmpty(), qPrintable(action->objectName()));
    }
}

void FrameKeysTest::projectUndoLeavesEditors()
{
    TSiteProject *project = F->New();
    QVERIFY(project);
    for (int i = 0; i < 2; ++i)
        project->findChild<QAction *>(u"newpage"_s)->trigger();
    QCOMPARE(project->Generator().Pages().Count(), 2);

    // In the template editor Ctrl+Z takes back the typing, not the project's last operation.
    auto *editor = project->findChild<TSourceEditor *>(u"SynEdit2"_s);
    QVERIFY(editor);
    project->findChild<QTabWidget *>(u"PageControl1"_s)->setCurrentWidget(editor->parentWidget());
    const std::string before = editor->Text();
    editor->setFocus();
    QWidget *surface = QApplication::focusWidget();
    QVERIFY(surface && editor->isAncestorOf(surface));
    QTest::keyClicks(surface, u"xyz"_s);
    QVERIFY(editor->Text() != before);
    QTest::keyClick(surface, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(project->Generator().Pages().Count(), 2);

    // Elsewhere in the window it takes back the last page operation.
    auto *tree = project->findChild<QWidget *>(u"TreeView1"_s);
    project->findChild<QTabWidget *>(u"PageControl1"_s)
        ->setCurrentWidget(tree->parentWidget()->parentWidget());
    tree->setFocus();
    QVERIFY(F->Form->findChild<QAction *>(u"ProjectUndo"_s)->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(project->Generator().Pages().Count(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(project->Generator().Pages().Count(), 2);
}

void FrameKeysTest::helpOpensTheReadmeInTheBrowser()
{
    QVERIFY(!HelpFile().isEmpty());
    QTest::keyClick(F->Form.get(), Qt::Key_F1);
    QCOMPARE(F->Fakes.Browser.Urls.size(), std::size_t(1));
    const QString url = QString::fromStdString(F->Fakes.Browser.Urls.front());
    QVERIFY2(url.startsWith(u"file:///"_s) && url.endsWith(u"/README.md"_s), qPrintable(url));
}

void FrameKeysTest::emptyAreaSaysWhatToDoAndOpensTheExampleAsACopy()
{
    QWidget *hint = F->Form->StartHint();
    QVERIFY(hint && hint->isVisible());
    auto *text = hint->findChild<QLabel *>(u"StartHintText"_s);
    QVERIFY(text);
    QCOMPARE(text->text(), u"Создайте проект (Ctrl+N) или откройте (Ctrl+O)"_s);
    QVERIFY(F->Form->MdiArea()->viewport()->rect().contains(hint->geometry()));

    auto *link = hint->findChild<QLabel *>(u"OpenExampleLink"_s);
    QVERIFY(link);
    QVERIFY(link->text().contains(u"Открыть пример"_s));
    emit link->linkActivated(u"example"_s);
    QCOMPARE(F->Form->Projects().size(), 1);
    TSiteProject *example = F->Form->Projects().front();
    QVERIFY(!hint->isVisible());
    // A copy: named as a new project, unsaved, tied to no file.
    QCOMPARE(F->NodeText(0), u"Untitled0"_s);
    QVERIFY(example->Generator().Changed());
    QVERIFY(example->Generator().Pages().Count() > 1);
    QVERIFY(example->Generator().ProjectFilePath().empty());

    // Closing it offers the save; declining leaves the area empty and the hint back.
    F->Fakes.Prompter.Script(Answer::No);
    F->Trigger(u"CloseProject"_s);
    QCOMPARE(F->Form->Projects().size(), 0);
    QVERIFY(hint->isVisible());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::FrameKeysTest)
#include "FrameKeysTest.moc"
