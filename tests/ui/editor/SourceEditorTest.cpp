#include "ui/editor/SourceEditor.h"

#include "tests/support/Ru.h"
#include "ui/editor/EditorEnvironment.h"
#include "ui/editor/IdleWorkHold.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <Qsci/qsciscintillabase.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace zarvik::test {

using namespace Qt::StringLiterals;

namespace {

// QTest's key helpers know Latin-1 only; this types any text as the keyboard would.
void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class SourceEditorTest : public QObject
{
    Q_OBJECT

private slots:
    // Editors as the program builds them, in an environment.
    void init()
    {
        FEnvironment = std::make_unique<TEditorEnvironment>();
        FEditor = std::make_unique<TSourceEditor>(FEnvironment.get());
        FEditor->resize(400, 300);
    }
    void cleanup()
    {
        FEditor.reset();
        FEnvironment.reset();
    }

    void textSplitsAtEveryLineBreakAndJoinsWithCrLf();
    void emptyEditorHasNoLinesAndEmptyText();
    void everyByteButLineBreaksSurvivesTheWidget();
    void fileTextKeepsAFinalEmptyLine();
    void linesAreAddressedFromOne();
    void appendedLinesFollowTheLastLine();
    void insertInLineNeverSplitsTheLine();
    void insertInLineKeepsCaretAndSelection();
    void caretCountsCharactersAndMayPassTheLineEnd();
    void typingIsAnEditButLoadingIsNot();
    void typedCharactersOutsideTheCodePageBecomeReferences();
    void marksAndCaretFindCharactersThatAreReferencesInTheText();
    void wrappingIsVisualOnly();
    void clipboardCommandsMoveText();
    void everyEditIsReportedOnceItIsComplete();
    void gettersNeverReportAndAReplacementReportsThePendingEditFirst();
    void insertionAtATextOffsetIsOneUndoableEdit();
    void assistiveTechnologyGetsTheTextOnceItListens();
    void wrappingInIdleTimeWaitsWhileKeysCome();

private:
    void ShowFocused()
    {
        FEditor->show();
        FEditor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FEditor.get()));
        FEditor->setFocus();
    }
    QWidget *Surface() const { return FEditor->focusProxy(); }

    std::unique_ptr<TEditorEnvironment> FEnvironment;
    std::unique_ptr<TSourceEditor> FEditor;
};

void SourceEditorTest::textSplitsAtEveryLineBreakAndJoinsWithCrLf()
{
    FEditor->SetText("one\r\ntwo\rthree\nfour\r\n");
    QCOMPARE(FEditor->LineCount(), 4);
    QCOMPARE(FEditor->Lines(), (TStringList{"one", "two", "three", "four"}));
    // The final break added no empty line, so it does not come back.
    QCOMPARE(FEditor->Text(), std::string("one\r\ntwo\r\nthree\r\nfour"));

    FEditor->SetLines({"a", "", "b", ""});
    QCOMPARE(FEditor->LineCount(), 4);
    QCOMPARE(FEditor->Text(), std::string("a\r\n\r\nb\r\n"));

    FEditor->SetText("\n\n");
    QCOMPARE(FEditor->Lines(), (TStringList{"", ""}));
    QCOMPARE(FEditor->Text(), std::string("\r\n"));
}

void SourceEditorTest::emptyEditorHasNoLinesAndEmptyText()
{
    QCOMPARE(FEditor->LineCount(), 0);
    QCOMPARE(FEditor->Text(), std::string());
    FEditor->SetText("x");
    FEditor->Clear();
    QCOMPARE(FEditor->LineCount(), 0);
    QVERIFY(FEditor->Lines().empty());
    FEditor->SetText("");
    QCOMPARE(FEditor->Text(), std::string());
}

void SourceEditorTest::everyByteButLineBreaksSurvivesTheWidget()
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    all += '\0';
    all += "tail";
    FEditor->SetText(all);
    QCOMPARE(FEditor->Text(), all);
    QCOMPARE(FEditor->Line(1), all);

    const std::string russian = Ru("Раздел 1\r\nТекст с \x98 внутри");
    FEditor->SetText(russian);
    QCOMPARE(FEditor->Text(), russian);
    QCOMPARE(FEditor->Line(1), Ru("Раздел 1"));
}

void SourceEditorTest::fileTextKeepsAFinalEmptyLine()
{
    FEditor->SetFileText("<html>\r\n</html>\n");
    QCOMPARE(FEditor->Lines(), (TStringList{"<html>", "</html>", ""}));
    QCOMPARE(FEditor->Text(), std::string("<html>\r\n</html>\r\n"));
    FEditor->SetFileText("a\rb");
    QCOMPARE(FEditor->Lines(), (TStringList{"a", "b"}));
    FEditor->SetFileText("");
    QCOMPARE(FEditor->LineCount(), 0);
}

void SourceEditorTest::linesAreAddressedFromOne()
{
    FEditor->SetText("first\r\nsecond\r\nthird");
    QCOMPARE(FEditor->Line(1), std::string("first"));
    QCOMPARE(FEditor->Line(3), std::string("third"));
    QCOMPARE(FEditor->Line(0), std::string());
    QCOMPARE(FEditor->Line(4), std::string());

    FEditor->SetLine(2, "middle");
    QCOMPARE(FEditor->Text(), std::string("first\r\nmiddle\r\nthird"));
    FEditor->SetLine(5, "fifth");
    QCOMPARE(FEditor->Lines(), (TStringList{"first", "middle", "third", "", "fifth"}));

    FEditor->Clear();
    FEditor->SetLine(1, "only");
    QCOMPARE(FEditor->Lines(), (TStringList{"only"}));
    FEditor->Clear();
    FEditor->SetLine(2, "second");
    QCOMPARE(FEditor->Lines(), (TStringList{"", "second"}));
}

void SourceEditorTest::appendedLinesFollowTheLastLine()
{
    FEditor->AppendLines({"a", "b"});
    QCOMPARE(FEditor->Text(), std::string("a\r\nb"));
    FEditor->AppendLines({"c"});
    QCOMPARE(FEditor->Lines(), (TStringList{"a", "b", "c"}));
    FEditor->SetLines({"x", ""});
    FEditor->AppendLines({"y"});
    QCOMPARE(FEditor->Lines(), (TStringList{"x", "", "y"}));
    FEditor->AppendLines({});
    QCOMPARE(FEditor->LineCount(), 3);
}

void SourceEditorTest::insertInLineNeverSplitsTheLine()
{
    FEditor->SetText("abcdef\r\nsecond");
    FEditor->InsertInLine(1, 3, "XY");
    QCOMPARE(FEditor->Lines(), (TStringList{"abXYcdef", "second"}));

    FEditor->InsertInLine(2, 20, "!");
    QCOMPARE(FEditor->Line(2), std::string("second!"));
    FEditor->InsertInLine(2, 1, "<");
    QCOMPARE(FEditor->Line(2), std::string("<second!"));

    // A tab is one character.
    FEditor->SetText("\tab");
    FEditor->InsertInLine(1, 2, "|");
    QCOMPARE(FEditor->Text(), std::string("\t|ab"));

    // Columns count characters, also where a character is not one byte in the widget.
    FEditor->SetText(Ru("ёжик"));
    FEditor->InsertInLine(1, 3, "-");
    QCOMPARE(FEditor->Text(), Ru("ёж-ик"));

    FEditor->Clear();
    FEditor->InsertInLine(1, 1, "only");
    QCOMPARE(FEditor->Lines(), (TStringList{"only"}));

    FEditor->SetText("a\r\nb");
    FEditor->InsertInLine(1, 2, "line\r\nbreak");
    QCOMPARE(FEditor->LineCount(), 3);
}

void SourceEditorTest::insertInLineKeepsCaretAndSelection()
{
    FEditor->SetText("abcdef\r\nxyz");
    FEditor->SetCaret(1, 3);
    FEditor->InsertInLine(1, 3, "TITLE");
    QCOMPARE(FEditor->CaretLine(), 1);
    QCOMPARE(FEditor->CaretColumn(), 3);

    FEditor->SetSelection(2, 1, 2, 3);
    FEditor->InsertInLine(2, 2, "++");
    QCOMPARE(FEditor->Line(2), std::string("x++yz"));
    QCOMPARE(FEditor->CaretLine(), 2);
    QCOMPARE(FEditor->CaretColumn(), 3);
    QCOMPARE(FEditor->SelectedText(), std::string("x+"));

    // Past the end of a short line the caret keeps its column as well.
    FEditor->SetText("short");
    FEditor->SetCaret(1, 20);
    FEditor->InsertInLine(1, 20, "123");
    QCOMPARE(FEditor->Text(), std::string("short123"));
    QCOMPARE(FEditor->CaretColumn(), 20);
}

void SourceEditorTest::caretCountsCharactersAndMayPassTheLineEnd()
{
    ShowFocused();
    FEditor->SetText("abc\r\n\tq");
    QCOMPARE(FEditor->CaretLine(), 1);
    QCOMPARE(FEditor->CaretColumn(), 1);
    QTest::keyClick(Surface(), Qt::Key_End);
    QCOMPARE(FEditor->CaretColumn(), 4);
    QTest::keyClick(Surface(), Qt::Key_Right);
    QTest::keyClick(Surface(), Qt::Key_Right);
    QCOMPARE(FEditor->CaretLine(), 1);
    QCOMPARE(FEditor->CaretColumn(), 6);
    // Typing there pads nothing into the text of other lines; the editor fills the gap itself.
    QTest::keyClick(Surface(), Qt::Key_Down);
    QCOMPARE(FEditor->CaretLine(), 2);
    QTest::keyClick(Surface(), Qt::Key_Home);
    QTest::keyClick(Surface(), Qt::Key_Right);
    QCOMPARE(FEditor->CaretColumn(), 2);

    FEditor->SetCaret(2, 9);
    QCOMPARE(FEditor->CaretLine(), 2);
    QCOMPARE(FEditor->CaretColumn(), 9);
    FEditor->SetCaret(7, 1);
    QCOMPARE(FEditor->CaretLine(), 2);
}

void SourceEditorTest::typingIsAnEditButLoadingIsNot()
{
    ShowFocused();
    QSignalSpy edits(FEditor.get(), &TSourceEditor::TextEdited);
    FEditor->SetText("loaded");
    FEditor->SetFileText("file\n");
    FEditor->SetLines({"lines"});
    FEditor->Clear();
    QCOMPARE(edits.count(), 0);
    QVERIFY(!FEditor->CanUndo());

    QTest::keyClicks(Surface(), u"hi"_s);
    QCOMPARE(edits.count(), 2);
    QCOMPARE(FEditor->Text(), std::string("hi"));
    QTest::keyClick(Surface(), Qt::Key_Return);
    QCOMPARE(FEditor->Text(), std::string("hi\r\n"));
    QCOMPARE(FEditor->LineCount(), 2);

    QCOMPARE(edits.count(), 3);

    while (FEditor->CanUndo())
        FEditor->Undo();
    QCOMPARE(FEditor->Text(), std::string());
    QVERIFY(edits.count() > 3);
    FEditor->SetLine(1, "set");
    FEditor->Undo();
    QCOMPARE(FEditor->Text(), std::string());

    // Loading a new text forgets what could be undone, so undo never brings back old content.
    FEditor->SetText("other page");
    FEditor->Undo();
    QCOMPARE(FEditor->Text(), std::string("other page"));
}

void SourceEditorTest::typedCharactersOutsideTheCodePageBecomeReferences()
{
    ShowFocused();
    TypeText(Surface(), u"Я\u4E2D"_s);
    QCOMPARE(FEditor->Text(), Ru("Я") + "&#20013;");
    QCOMPARE(FEditor->CaretColumn(), 3);
}

void SourceEditorTest::marksAndCaretFindCharactersThatAreReferencesInTheText()
{
    ShowFocused();
    // A surrogate pair and a character of the BMP, neither in the code page.
    QApplication::clipboard()->setText(u"a\U0001F600\u4E2Db"_s);
    FEditor->Paste();
    const std::string text = "a&#128512;&#20013;b";
    QCOMPARE(FEditor->Text(), text);
    QCOMPARE(FEditor->CaretColumn(), 5);

    // A mark inside a reference covers the character it stands for and reads back at its start.
    FEditor->SetMarks(TSourceEditor::TMark::Cut, {5, text.size() - 1});
    QCOMPARE(FEditor->Marks(TSourceEditor::TMark::Cut), (std::vector<std::size_t>{1, text.size() - 1}));
    FEditor->SetMarks(TSourceEditor::TMark::MidWordCut, {text.find("&#20013;")});
    QCOMPARE(FEditor->Marks(TSourceEditor::TMark::MidWordCut),
             (std::vector<std::size_t>{text.find("&#20013;")}));

    FEditor->SetCaretToTextOffset(text.find("&#20013;") + 3);
    QCOMPARE(FEditor->CaretColumn(), 3);
    FEditor->SetCaretToTextOffset(text.size());
    QCOMPARE(FEditor->CaretColumn(), 5);
}

void SourceEditorTest::wrappingIsVisualOnly()
{
    FEditor->SetWordWrap(true);
    ShowFocused();
    std::string longLine;
    for (int i = 0; i < 200; ++i)
        longLine += "word ";
    FEditor->SetText(longLine);
    QCOMPARE(FEditor->LineCount(), 1);
    QCOMPARE(FEditor->Text(), longLine);
    QTest::keyClick(Surface(), Qt::Key_End);
    QTest::keyClicks(Surface(), u"x"_s);
    QCOMPARE(FEditor->LineCount(), 1);
}

void SourceEditorTest::clipboardCommandsMoveText()
{
    ShowFocused();
    FEditor->SetText(Ru("строка\r\nline"));
    FEditor->SelectAll();
    QCOMPARE(FEditor->SelectedText(), Ru("строка\r\nline"));
    FEditor->Cut();
    QCOMPARE(FEditor->Text(), std::string());
    FEditor->Paste();
    FEditor->Paste();
    QCOMPARE(FEditor->Text(), Ru("строка\r\nlineстрока\r\nline"));

    FEditor->SetSelection(1, 1, 1, 3);
    FEditor->Copy();
    FEditor->Delete();
    QCOMPARE(FEditor->Line(1), Ru("рока"));
    FEditor->SetCaret(2, 5);
    FEditor->Paste();
    QCOMPARE(FEditor->Line(2), Ru("lineстстрока"));
}

void SourceEditorTest::everyEditIsReportedOnceItIsComplete()
{
    ShowFocused();
    // What a listener reads when it is told of an edit.
    std::vector<std::string> seen;
    connect(FEditor.get(), &TSourceEditor::TextEdited, [&] { seen.push_back(FEditor->Text()); });
    const auto reportedOnceAs = [&](const std::string &text) {
        const bool ok = seen.size() == 1 && seen.front() == text && FEditor->Text() == text;
        seen.clear();
        return ok;
    };

    QTest::keyClick(Surface(), Qt::Key_A);
    QVERIFY(reportedOnceAs("a"));
    QTest::keyClick(Surface(), Qt::Key_Return);
    QVERIFY(reportedOnceAs("a\r\n"));
    QTest::keyClick(Surface(), Qt::Key_Backspace);
    QVERIFY(reportedOnceAs("a"));
    QApplication::clipboard()->setText(u"bc"_s);
    QTest::keyClick(Surface(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(reportedOnceAs("abc"));
    QTest::keyClick(Surface(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(reportedOnceAs("a"));

    FEditor->SetLine(2, "two");
    QVERIFY(reportedOnceAs("a\r\ntwo"));
    FEditor->InsertInLine(1, 1, "<");
    QVERIFY(reportedOnceAs("<a\r\ntwo"));
    FEditor->AppendLines({"three"});
    QVERIFY(reportedOnceAs("<a\r\ntwo\r\nthree"));
    FEditor->SetSelection(1, 1, 1, 2);
    FEditor->Cut();
    QVERIFY(reportedOnceAs("a\r\ntwo\r\nthree"));
    FEditor->Paste();
    QVERIFY(reportedOnceAs("<a\r\ntwo\r\nthree"));
    FEditor->SelectAll();
    FEditor->Delete();
    QVERIFY(reportedOnceAs(""));
    FEditor->Undo();
    QVERIFY(reportedOnceAs("<a\r\ntwo\r\nthree"));

    // Moving the caret and replacing the whole content are no edits.
    QTest::keyClick(Surface(), Qt::Key_Home);
    FEditor->SetText("whole");
    FEditor->Clear();
    QVERIFY(seen.empty());
}

void SourceEditorTest::gettersNeverReportAndAReplacementReportsThePendingEditFirst()
{
    FEditor->SetText(Ru("старый\r\nтекст"));
    FEditor->SetMarks(TSourceEditor::TMark::Cut, {2});
    std::vector<std::string> seen;
    connect(FEditor.get(), &TSourceEditor::TextEdited, [&] { seen.push_back(FEditor->Text()); });
    // A change the control made on its own, as in the middle of a key event: reported only once
    // that event ends, which a listener asking about the text meanwhile must not bring forward.
    auto *sci = FEditor->findChild<QsciScintillaBase *>();
    QVERIFY(sci);
    sci->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, 0UL, "x");

    QCOMPARE(FEditor->Text(), Ru("xстарый\r\nтекст"));
    QCOMPARE(FEditor->Lines(), (TStringList{Ru("xстарый"), Ru("текст")}));
    QCOMPARE(FEditor->LineCount(), 2);
    QCOMPARE(FEditor->Line(2), Ru("текст"));
    FEditor->CaretLine();
    FEditor->CaretColumn();
    FEditor->SelectedText();
    FEditor->Marks(TSourceEditor::TMark::Cut);
    QVERIFY(seen.empty());

    // Replacing the whole text reports the edit first, with the text it made still there.
    FEditor->SetText("new");
    QCOMPARE(seen, (std::vector<std::string>{Ru("xстарый\r\nтекст")}));
    FEditor->Clear();
    QCOMPARE(seen.size(), std::size_t{1});
}

void SourceEditorTest::insertionAtATextOffsetIsOneUndoableEdit()
{
    const std::string before = Ru("<голова>\r\n  <title>") + "&#8364;" + Ru("</title>");
    FEditor->SetText(before);
    QSignalSpy edits(FEditor.get(), &TSourceEditor::TextEdited);
    // After the Cyrillic tag and before a character the code page lacks, the text offset and
    // the document position part ways.
    const std::size_t offset = Ru("<голова>").size();
    FEditor->InsertAtTextOffset(offset, Ru("\r\n  <мета>"));
    const std::string after = Ru("<голова>\r\n  <мета>\r\n  <title>") + "&#8364;" + Ru("</title>");
    QCOMPARE(FEditor->Text(), after);
    QCOMPARE(edits.count(), 1);
    QCOMPARE(FEditor->CaretLine(), 2);
    QCOMPARE(FEditor->CaretColumn(), 9);

    FEditor->InsertAtTextOffset(after.size() + 10, "!");
    QCOMPARE(FEditor->Text(), after + "!");
    FEditor->Undo();
    QCOMPARE(FEditor->Text(), after);
    FEditor->Undo();
    QCOMPARE(FEditor->Text(), before);
    QVERIFY(!FEditor->CanUndo());
    QCOMPARE(edits.count(), 4);
}

void SourceEditorTest::assistiveTechnologyGetsTheTextOnceItListens()
{
    FEditor->SetText(Ru("Привет\r\nмир"));
    FEditor->SetAccessibleName(u"Текст"_s);
    QAccessibleInterface *quiet = QAccessible::queryAccessibleInterface(Surface());
    QVERIFY(quiet);
    QCOMPARE(quiet->text(QAccessible::Name), u"Текст"_s);
    // Nobody listens: no text interface, so nothing counts characters on every caret move.
    QVERIFY(!quiet->textInterface());

    QAccessible::setActive(true);
    QAccessibleInterface *full = QAccessible::queryAccessibleInterface(Surface());
    QVERIFY(full && full->textInterface());
    QCOMPARE(full->textInterface()->characterCount(), 11);
    QCOMPARE(full->text(QAccessible::Name), u"Текст"_s);
    // While it listens, typing still reaches the text and is reported.
    ShowFocused();
    QSignalSpy edits(FEditor.get(), &TSourceEditor::TextEdited);
    QTest::keyClick(Surface(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(Surface(), Qt::Key_A);
    QCOMPARE(edits.count(), 1);
    QCOMPARE(FEditor->Text(), Ru("Привет\r\nмирa"));
    QCOMPARE(QAccessible::queryAccessibleInterface(Surface())->textInterface()->characterCount(), 12);

    QAccessible::setActive(false);
    QVERIFY(!QAccessible::queryAccessibleInterface(Surface())->textInterface());
    QTest::keyClick(Surface(), Qt::Key_B);
    QCOMPARE(edits.count(), 2);
}

void SourceEditorTest::wrappingInIdleTimeWaitsWhileKeysCome()
{
    // Here typing pauses only when the test says so. The check on construction found the timer
    // the hold stops.
    TEditorEnvironment environment(std::numeric_limits<int>::max());
    QVERIFY(environment.IdleWorkFound());
    TIdleWorkHold &hold = environment.IdleWorkHold();
    FEditor = std::make_unique<TSourceEditor>(&environment);
    const std::vector<QTimer *> timers =
        TIdleWorkHold::IdleWorkTimersMadeBy([this] { FEditor->SetWordWrap(true); });
    QCOMPARE(timers.size(), std::size_t{1});
    QTimer *idle = timers.front();

    // Long lines in a narrow editor: wrapping them all takes many slices of idle time.
    TStringList lines;
    for (int i = 0; i < 1500; ++i)
        lines.push_back(std::string(2000, i % 2 ? 'a' : ' ') + "word");
    FEditor->resize(200, 150);
    ShowFocused();
    FEditor->SetLines(lines);
    FEditor->SetCaret(FEditor->LineCount(), 1);
    auto *sci = FEditor->findChild<QsciScintillaBase *>();
    QVERIFY(sci);
    const auto displayLines = [sci] {
        return sci->SendScintilla(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE,
                                  sci->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
    };
    QApplication::processEvents();
    QVERIFY(idle->isActive());

    QTest::keyClick(Surface(), Qt::Key_X);
    QVERIFY(hold.Holding());
    FEditor->grab();
    QApplication::processEvents();
    const long typed = displayLines();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QCOMPARE(displayLines(), typed);
    QVERIFY(!idle->isActive());

    // The filter itself: a tick of the idle timer is swallowed and the timer stopped; a tick of
    // any other timer passes.
    idle->start(0);
    QTimerEvent tick(idle->timerId());
    QVERIFY(hold.eventFilter(idle, &tick));
    QVERIFY(!idle->isActive());
    QTimer other;
    other.start(0);
    QTimerEvent otherTick(other.timerId());
    QVERIFY(!hold.eventFilter(&other, &otherTick));
    QVERIFY(other.isActive());

    // Once typing pauses the wrapping goes on, and the filter holds nothing back.
    hold.Resume();
    QVERIFY(!hold.Holding());
    QVERIFY(idle->isActive());
    QVERIFY(!hold.eventFilter(idle, &tick));
    QTRY_VERIFY_WITH_TIMEOUT(displayLines() > typed, 5000);
    FEditor.reset();

    // With the program's pause the hold ends by itself once no key comes.
    FEditor = std::make_unique<TSourceEditor>(FEnvironment.get());
    ShowFocused();
    QTest::keyClick(Surface(), Qt::Key_Y);
    QVERIFY(FEnvironment->IdleWorkHold().Holding());
    QTRY_VERIFY_WITH_TIMEOUT(!FEnvironment->IdleWorkHold().Holding(), 5000);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::SourceEditorTest)
#include "SourceEditorTest.moc"
