#include "ui/editor/EditorEnvironment.h"

#include "tests/support/Ru.h"
#include "ui/editor/IdleWorkHold.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/Startup.h"

#include <QAccessible>
#include <QAction>
#include <QTest>

#include <memory>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class EditorEnvironmentTest : public QObject
{
    Q_OBJECT

private slots:
    void everyEditorOfTheProgramIsInItsEnvironment();
    void anEditorOnItsOwnWorksAsTheStockControlUntilItJoins();
};

void EditorEnvironmentTest::everyEditorOfTheProgramIsInItsEnvironment()
{
    TApplicationWindows windows;
    TEditorEnvironment *shared = &windows.EditorEnvironment();
    QCOMPARE(windows.ContentAddForm().Editor().Environment(), shared);

    TForm1 &frame = windows.MainWindow();
    frame.findChild<QAction *>(u"NewProject"_s)->trigger();
    QCOMPARE(frame.Projects().size(), 1);
    const QList<TSourceEditor *> editors = frame.Projects().front()->findChildren<TSourceEditor *>();
    // The page text, the template, the style sheet and the ad block.
    QCOMPARE(editors.size(), 4);
    for (const TSourceEditor *editor : editors)
        QCOMPARE(editor->Environment(), shared);
}

void EditorEnvironmentTest::anEditorOnItsOwnWorksAsTheStockControlUntilItJoins()
{
    QVERIFY(!QAccessible::isActive());
    auto editor = std::make_unique<TSourceEditor>();
    editor->SetText(Ru("Привет"));
    QWidget *surface = editor->focusProxy();
    const auto textInterface = [surface] {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(surface);
        return iface ? iface->textInterface() : nullptr;
    };
    // The stock interface, although nobody listens.
    QVERIFY(textInterface());
    QCOMPARE(textInterface()->characterCount(), 6);

    auto environment = std::make_unique<TEditorEnvironment>();
    QTest::keyClick(surface, Qt::Key_End);
    QVERIFY(!environment->IdleWorkHold().Holding());

    // The content-add dialog's editor joins after it is built: the interface built before goes.
    editor->SetEnvironment(environment.get());
    QCOMPARE(editor->Environment(), environment.get());
    QVERIFY(!textInterface());
    QTest::keyClick(surface, Qt::Key_A);
    QVERIFY(environment->IdleWorkHold().Holding());
    QCOMPARE(editor->Text(), Ru("Приветa"));

    // An environment that goes first leaves the editor on its own, working.
    environment.reset();
    QVERIFY(!editor->Environment());
    QVERIFY(textInterface());
    QTest::keyClick(surface, Qt::Key_B);
    QCOMPARE(editor->Text(), Ru("Приветab"));
    QCOMPARE(textInterface()->characterCount(), 8);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::EditorEnvironmentTest)
#include "EditorEnvironmentTest.moc"
