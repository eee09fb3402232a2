#include "engine/EXSiteGenerator.h"
#include "engine/SplitPreview.h"
#include "tests/support/Ru.h"
#include "tests/ui/support/Fakes.h"
#include "tests/ui/support/Widgets.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/PContentAddForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

// Some megabytes of Russian text as the clipboard holds it: sentences, marker lines, and line
// breaks of every kind (LF, CR LF, CR), a character outside the code page among them.
QString LargeClipboardText(qsizetype size)
{
    const QString words[] = {u"слово"_s, u"текст"_s, u"страница"_s, u"word"_s, u"é€"_s};
    const QString breaks[] = {u"\n"_s, u"\r\n"_s, u"\r"_s};
    QString text;
    text.reserve(size + 64);
    for (unsigned i = 0; text.size() < size; ++i) {
        text += words[i % 5];
        text += i % 11 == 10 ? u". "_s : u" "_s;
        if (i % 97 == 96)
            text += breaks[(i / 97) % 3];
        if (i % 20011 == 20010)
            text += u"!-next_page-!\r\n"_s;
    }
    return text;
}

} // namespace

class ContentAddFormTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(FDir.isValid());
        FGenerator = std::make_unique<TSiteGenerator>();
        FGenerator->SetDiggValue("!-next_page-!");
        FForm = std::make_unique<TContentAddForm>(FFakes.Errors, FFakes.Dialogs);
        FForm->Prepare(*FGenerator);
    }
    void cleanup()
    {
        FForm.reset();
        QVERIFY(FFakes.Drained());
        FFakes.Dialogs.Calls.clear();
        FFakes.Errors.Shown.clear();
    }

    void threeFilesGetAMarkerLineBetweenEachTwoAfterTheEarlierText();
    void oneFileAddsNoMarkerLine();
    void anUnreadableFileAddsNothingAndIsReported();
    void pageBreakJoinsTheCaretLine();
    void addAndCancelSetTheAcceptedFlag();
    void prepareEmptiesTheEditor();
    void commandsInTheirPlacesWithCaptionsAndShortcuts();
    void previewIsHiddenUntilAskedAndListsThePagesAddWouldMake();
    void previewMarksTheCutsAndWarns();
    void previewFollowsTheTextAfterAPause();
    void clickingAPageMovesTheCaretToItsStart();
    void aLargePasteLeavesExactlyItsTextAndIsSplit();

private:
    QString Write(const QString &name, const std::string &bytes)
    {
        const QString path = QDir(FDir.path()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    void TriggerAction(const QString &name)
    {
        auto *action = FForm->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }

    QTemporaryDir FDir;
    TFakeServices FFakes;
    std::unique_ptr<TSiteGenerator> FGenerator;
    std::unique_ptr<TContentAddForm> FForm;
};

void ContentAddFormTest::threeFilesGetAMarkerLineBetweenEachTwoAfterTheEarlierText()
{
    FForm->Editor().SetText(Ru("уже было"));
    const QString a = Write(u"a.txt"_s, Ru("один\r\nдва\r\n"));
    const QString b = Write(u"b.htm"_s, "<p>three</p>\n");
    // A UTF-8 file is taken over into the code page.
    const QString c = Write(u"c.txt"_s, "четыре");
    FFakes.Dialogs.OpenAnswers.push_back({a, b, c});

    TriggerAction(u"FileOpen1"_s);

    QCOMPARE(FForm->Text(),
             Ru("уже было\r\nодин\r\nдва\r\n!-next_page-!\r\n<p>three</p>\r\n!-next_page-!\r\nчетыре"));
    QCOMPARE(FFakes.Dialogs.Calls.size(), 1u);
    QCOMPARE(FFakes.Dialogs.Calls[0].Kind, u"open"_s);
    QCOMPARE(FFakes.Dialogs.Calls[0].Filter,
             u"Текстовые файлы (*.txt);;веб-страницы (*.htm *.html);;все файлы (*.*)"_s);
    QVERIFY(FFakes.Dialogs.Calls[0].Multiple);
    QVERIFY(FFakes.Errors.Shown.empty());
}

void ContentAddFormTest::oneFileAddsNoMarkerLine()
{
    // The marker is the generator's as it stands when the files are loaded.
    FGenerator->SetDiggValue("##");
    FForm->FileOpen1Accept({Write(u"one.txt"_s, "first\r\nsecond")});
    FForm->FileOpen1Accept({Write(u"two.txt"_s, "third"), Write(u"three.txt"_s, "")});
    QCOMPARE(FForm->Text(), std::string("first\r\nsecond\r\nthird\r\n##"));

    // A cancelled file dialog loads nothing.
    TriggerAction(u"FileOpen1"_s);
    QCOMPARE(FForm->Text(), std::string("first\r\nsecond\r\nthird\r\n##"));
}

void ContentAddFormTest::anUnreadableFileAddsNothingAndIsReported()
{
    FForm->Editor().SetText("kept");
    const QString missing = QDir(FDir.path()).filePath(u"missing.txt"_s);
    FFakes.Dialogs.OpenAnswers.push_back({Write(u"good.txt"_s, "good"), missing});
    TriggerAction(u"FileOpen1"_s);
    QCOMPARE(FForm->Text(), std::string("kept"));
    QCOMPARE(FFakes.Errors.Shown.size(), 1u);
    QCOMPARE(FFakes.Errors.Shown[0],
             "Cannot open file \"" + missing.toStdString() + "\". No such file or directory.");
}

void ContentAddFormTest::pageBreakJoinsTheCaretLine()
{
    TSourceEditor &editor = FForm->Editor();
    TriggerAction(u"SpecDigg"_s);
    QCOMPARE(FForm->Text(), std::string("!-next_page-!"));

    editor.SetText("abcdef\r\nsecond");
    editor.SetCaret(1, 3);
    TriggerAction(u"SpecDigg"_s);
    QCOMPARE(FForm->Text(), std::string("ab!-next_page-!cdef\r\nsecond"));

    editor.SetCaret(2, 1);
    TriggerAction(u"SpecDigg"_s);
    QCOMPARE(editor.Line(2), std::string("!-next_page-!second"));

    editor.SetCaret(2, 40);
    FGenerator->SetDiggValue(Ru("<разрыв>"));
    TriggerAction(u"SpecDigg"_s);
    QCOMPARE(editor.Line(2), "!-next_page-!second" + Ru("<разрыв>"));
    QCOMPARE(editor.LineCount(), 2);
}

void ContentAddFormTest::addAndCancelSetTheAcceptedFlag()
{
    // An empty editor accepted hands over the empty text.
    WhenModal([](QWidget *dialog) { ButtonWithText(dialog, u"Добавить"_s)->click(); });
    QVERIFY(FForm->Execute());
    QVERIFY(FForm->Accepted());
    QCOMPARE(FForm->Text(), std::string());

    FForm->Prepare(*FGenerator);
    FForm->Editor().SetText(Ru("текст"));
    WhenModal([](QWidget *dialog) { ButtonWithText(dialog, u"Отменить"_s)->click(); });
    QVERIFY(!FForm->Execute());
    QVERIFY(!FForm->Accepted());

    // Accepted once, then closed by its frame on the next use without a prepare.
    WhenModal([](QWidget *dialog) { ButtonWithText(dialog, u"Добавить"_s)->click(); });
    QVERIFY(FForm->Execute());
    QCOMPARE(FForm->Text(), Ru("текст"));
    WhenModal([](QWidget *dialog) { dialog->close(); });
    QVERIFY(!FForm->Execute());
    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QVERIFY(!FForm->Execute());
}

void ContentAddFormTest::prepareEmptiesTheEditor()
{
    FForm->Editor().SetText("old");
    WhenModal([](QWidget *dialog) { ButtonWithText(dialog, u"Добавить"_s)->click(); });
    QVERIFY(FForm->Execute());
    TSiteGenerator other;
    other.SetDiggValue("@@");
    FForm->Prepare(other);
    QVERIFY(!FForm->Accepted());
    QCOMPARE(FForm->Text(), std::string());
    TriggerAction(u"SpecDigg"_s);
    QCOMPARE(FForm->Text(), std::string("@@"));
}

void ContentAddFormTest::commandsInTheirPlacesWithCaptionsAndShortcuts()
{
    QCOMPARE(FForm->windowTitle(), u"Добавить контент к сайту"_s);
    const struct
    {
        QString Name;
        QString Caption;
        QString Shortcut;
    } commands[] = {
        {u"FClear"_s, u"Очистить"_s, QString()},
        {u"FileOpen1"_s, u"&Open..."_s, u"Ctrl+O"_s},
        {u"EditCut1"_s, u"Cu&t"_s, u"Ctrl+X"_s},
        {u"EditCopy1"_s, u"&Copy"_s, u"Ctrl+C"_s},
        {u"EditPaste1"_s, u"&Paste"_s, u"Ctrl+V"_s},
        {u"EditDelete1"_s, u"&Delete"_s, u"Del"_s},
        {u"EditUndo1"_s, u"&Undo"_s, u"Ctrl+Z"_s},
        {u"EditSelectAll1"_s, u"Select &All"_s, u"Ctrl+A"_s},
        {u"SpecDigg"_s, u"Вставка Разрыв страницы"_s, QString()},
    };
    for (const auto &command : commands) {
        ZARVIK_FIND(action, QAction, FForm, command.Name);
        QCOMPARE(action->text(), command.Caption);
        QCOMPARE(action->shortcut(), QKeySequence(command.Shortcut));
    }

    ZARVIK_FIND(toolBar, QToolBar, FForm, u"ToolBar1"_s);
    QCOMPARE(ActionNames(toolBar->actions()),
             QStringList({u"FClear"_s, u"-"_s, u"FileOpen1"_s, u"-"_s, u"EditCut1"_s, u"EditCopy1"_s,
                          u"EditPaste1"_s, u"EditDelete1"_s, u"-"_s, u"EditUndo1"_s}));
    ZARVIK_FIND(popup, QMenu, FForm, u"PopupMenu1"_s);
    QCOMPARE(ActionNames(popup->actions()),
             QStringList({u"FClear"_s, u"FileOpen1"_s, u"-"_s, u"EditCopy1"_s, u"EditPaste1"_s,
                          u"EditSelectAll1"_s, u"-"_s, u"SpecDigg"_s}));

    FForm->Editor().SetText("text");
    TriggerAction(u"FClear"_s);
    QCOMPARE(FForm->Text(), std::string());
}

void ContentAddFormTest::previewIsHiddenUntilAskedAndListsThePagesAddWouldMake()
{
    ZARVIK_FIND(pane, QWidget, FForm, u"PreviewPane"_s);
    ZARVIK_FIND(list, QTreeWidget, FForm, u"PreviewList"_s);
    QVERIFY(!FForm->PreviewShown());
    QVERIFY(pane->isHidden());

    FGenerator->SetMenuWord(Ru("Раздел"));
    FGenerator->SetMinCharsPerPage(5);
    FGenerator->SetMaxCharsPerPage(100);
    FGenerator->CreateNewPage("index", "old");
    FForm->Editor().SetText("Hello. World");
    ZARVIK_FIND(button, QPushButton, FForm, u"PreviewButton"_s);
    button->click();
    QVERIFY(FForm->PreviewShown());
    QVERIFY(!pane->isHidden());
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), u"Раздел 1"_s);
    QCOMPARE(list->topLevelItem(0)->text(1), u"page1.html"_s);
    QCOMPARE(list->topLevelItem(0)->text(2), u"6"_s);
    QCOMPARE(list->topLevelItem(0)->text(3), u"конец предложения"_s);
    QCOMPARE(list->topLevelItem(1)->text(0), u"Раздел 2"_s);
    QCOMPARE(list->topLevelItem(1)->text(3), u"конец текста"_s);
    // The preview leaves the generator alone; the text handed over is unchanged.
    QCOMPARE(FGenerator->Pages().Count(), 1);
    QCOMPARE(FForm->Text(), std::string("Hello. World"));

    button->click();
    QVERIFY(pane->isHidden());
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(FForm->Editor().Marks(TSourceEditor::TMark::Cut).empty());
}

void ContentAddFormTest::previewMarksTheCutsAndWarns()
{
    using Marks = std::vector<std::size_t>;
    TSourceEditor &editor = FForm->Editor();
    FGenerator->SetMinCharsPerPage(5);
    FGenerator->SetMaxCharsPerPage(10);
    // Cyrillic letters take two bytes in the editor and a line break two characters in the text:
    // the marks must still land on the cut characters.
    editor.SetText(Ru("абвгдежзийклмнопрстуфхцчш\r\nЭто. Конец!-next_page-!\r\nxyz"));
    FForm->SetPreviewShown(true);
    QCOMPARE(FForm->PreviewPages().size(), 5u);
    QCOMPARE(editor.Marks(TSourceEditor::TMark::MidWordCut), (Marks{10, 20}));
    // A hard cut between a letter and a full stop, then the marker.
    QCOMPARE(editor.Marks(TSourceEditor::TMark::Cut), (Marks{30, 37}));
    QVERIFY(FForm->PreviewWarnings().contains(u"посреди слова: 2"_s));
    QVERIFY(!FForm->PreviewWarnings().contains(u"в самом конце"_s));

    // A marker at the very end does not cut; limits without a window give only hard cuts.
    FGenerator->SetMinCharsPerPage(100);
    FGenerator->SetMaxCharsPerPage(100);
    editor.SetText("tail\r\n!-next_page-!");
    FForm->UpdatePreview();
    QCOMPARE(FForm->PreviewPages().size(), 1u);
    QVERIFY(FForm->PreviewWarnings().contains(u"в самом конце"_s));
    QVERIFY(FForm->PreviewWarnings().contains(u"только по длине"_s));
    QVERIFY(editor.Marks(TSourceEditor::TMark::MidWordCut).empty());
    QVERIFY(editor.Marks(TSourceEditor::TMark::Cut).empty());
}

void ContentAddFormTest::previewFollowsTheTextAfterAPause()
{
    FGenerator->SetMaxCharsPerPage(4);
    FForm->SetPreviewShown(true);
    QCOMPARE(FForm->PreviewPages().size(), 1u);
    FForm->Editor().InsertInLine(1, 1, "abcdefghij");
    // Not at once: the preview waits until typing pauses.
    QCOMPARE(FForm->PreviewPages().size(), 1u);
    QTRY_COMPARE(FForm->PreviewPages().size(), 3u);

    // Loaded files and the clear command are followed too.
    FForm->FileOpen1Accept({Write(u"more.txt"_s, "klmnopqrst")});
    QTRY_COMPARE(FForm->PreviewPages().size(), 6u);
    FForm->FClearExecute();
    QTRY_COMPARE(FForm->PreviewPages().size(), 1u);
}

void ContentAddFormTest::clickingAPageMovesTheCaretToItsStart()
{
    FGenerator->SetMinCharsPerPage(400);
    FGenerator->SetMaxCharsPerPage(500);
    TSourceEditor &editor = FForm->Editor();
    editor.SetText(Ru("первая\r\n!-next_page-!\r\nвторая"));
    FForm->resize(900, 500);
    FForm->show();
    FForm->SetPreviewShown(true);
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    ZARVIK_FIND(list, QTreeWidget, FForm, u"PreviewList"_s);
    QCOMPARE(list->topLevelItemCount(), 2);
    QTRY_VERIFY(list->visualItemRect(list->topLevelItem(1)).isValid());
    const QRect row = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    // The second page begins with the CR LF after the marker: the end of the marker's line.
    QCOMPARE(editor.CaretLine(), 2);
    QCOMPARE(editor.CaretColumn(), 14);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(0)).center());
    QCOMPARE(editor.CaretLine(), 1);
    QCOMPARE(editor.CaretColumn(), 1);
    FForm->hide();
}

void ContentAddFormTest::aLargePasteLeavesExactlyItsTextAndIsSplit()
{
    FGenerator->SetMinCharsPerPage(4000);
    FGenerator->SetMaxCharsPerPage(5000);
    TSourceEditor &editor = FForm->Editor();
    FForm->resize(900, 500);
    FForm->show();
    FForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    FForm->SetPreviewShown(true);

    const QString pasted = LargeClipboardText(3 << 20);
    // Every line break becomes CR LF; the euro sign is in the code page, the accented e becomes a
    // numeric reference.
    QString expected = pasted;
    expected.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
    const std::string text = Ru("до\r\n") + FromQString(expected);

    // By the key and by the menu's command, with word wrap on as the dialog has it.
    for (const bool byKey : {true, false}) {
        // A text before, and the caret on the empty line after it.
        editor.SetText(Ru("до\r\n\r\n"));
        editor.SetCaret(2, 1);
        QVERIFY(editor.WordWrap());
        QApplication::clipboard()->setText(pasted);
        if (byKey) {
            editor.setFocus();
            QVERIFY(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
        } else {
            TriggerAction(u"EditPaste1"_s);
        }
        QCOMPARE(editor.Text().size(), text.size());
        QVERIFY(editor.Text() == text);
        // The wrap mode is back and the caret stands after the text.
        QVERIFY(editor.WordWrap());
        QCOMPARE(editor.CaretLine(), editor.LineCount());

        const std::size_t pages = PreviewContent(*FGenerator, text).size();
        QVERIFY(pages > 100);
        QTRY_COMPARE_WITH_TIMEOUT(FForm->PreviewPages().size(), pages, 20000);

        // One undo takes the whole paste back.
        editor.Undo();
        QCOMPARE(editor.Text(), Ru("до\r\n"));
        QTRY_COMPARE(FForm->PreviewPages().size(), 1u);
    }
    FForm->hide();
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ContentAddFormTest)
#include "ContentAddFormTest.moc"
