#include "app/ProjectDefaults.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace zarvik::test {

using namespace Qt::StringLiterals;

namespace {

QStringList Captions(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *action : actions)
        out << (action->isSeparator() ? u"-"_s : action->text());
    return out;
}

} // namespace

class ProjectTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TProjectFixture>();
        Template = &F->Find<TSourceEditor>(u"SynEdit2"_s);
        Css = &F->Find<TSourceEditor>(u"SynEdit3"_s);
        Ad = &F->Find<TSourceEditor>(u"SynEdit4"_s);
    }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void editorsStartWithTheDefaultTexts();
    void menusAndToolBarsListTheirCommandsInOrder();
    void insertGoesIntoTheCaretLineWithoutSplittingIt();
    void insertAlwaysTargetsTheTemplate();
    void loadTemplateReplacesTheEditorOnly();
    void loadStyleUsesItsOwnFilter();
    void failedLoadKeepsTheEditorAndReportsTheFile();
    void copyAndPasteActOnTheFocusedControl();
    void pasteGoesOnlyWhereTheUserIs();

private:
    std::unique_ptr<TProjectFixture> F;
    TSourceEditor *Template = nullptr;
    TSourceEditor *Css = nullptr;
    TSourceEditor *Ad = nullptr;
    TTempFolder Folder;
};

void ProjectTextsTest::editorsStartWithTheDefaultTexts()
{
    // The texts themselves are checked line by line with the defaults; here they must reach the
    // editors whole, the style sheet's final empty line included.
    QCOMPARE(Template->Text(), DefaultTemplate());
    QCOMPARE(Template->LineCount(), 32);
    QCOMPARE(Css->Text(), DefaultCss());
    QCOMPARE(Css->LineCount(), 148);
    QCOMPARE(Css->Line(148), std::string());
    QCOMPARE(Ad->Text(), DefaultAdBlock());
    QCOMPARE(Ad->LineCount(), 11);

    QCOMPARE(Template->Syntax(), TSyntax::Html);
    QCOMPARE(Css->Syntax(), TSyntax::Css);
    QCOMPARE(Ad->Syntax(), TSyntax::Html);
    for (const TSourceEditor *editor : {Template, Css, Ad}) {
        QVERIFY(!editor->WordWrap());
        QVERIFY(!editor->ReadOnly());
    }
    QCOMPARE(Template->accessibleName(), u"Шаблон сайта"_s);
}

void ProjectTextsTest::menusAndToolBarsListTheirCommandsInOrder()
{
    const QStringList inserts{u"Вставить титл"_s,          u"Вставить меню"_s,
                              u"Вставить главный текст"_s, u"Вставить постраничное меню"_s,
                              u"Вставить CSS"_s,           u"Вставить рекламный блок"_s};
    QCOMPARE(Captions(F->Find<QMenu>(u"PopupMenu3"_s).actions()), inserts);
    QCOMPARE(Captions(F->Find<QMenu>(u"PopupMenu5"_s).actions()),
             inserts + QStringList({u"-"_s, u"&Copy"_s, u"&Paste"_s}));
    QCOMPARE(Captions(F->Find<QMenu>(u"PopupMenu4"_s).actions()),
             (QStringList{u"Загрузить стиль"_s, u"-"_s, u"&Copy"_s, u"&Paste"_s}));
    QCOMPARE(Captions(F->Find<QMenu>(u"PopupMenu6"_s).actions()), (QStringList{u"&Copy"_s, u"&Paste"_s}));

    const QToolBar *templateBar = F->Find<QWidget>(u"TabSheet4"_s).findChild<QToolBar *>();
    QVERIFY(templateBar);
    QStringList bar = Captions(templateBar->actions());
    bar.replace(3, u"insert"_s); // the drop-down button's own action
    QCOMPARE(bar, (QStringList{u"-"_s, u"Загрузка шаблона"_s, u"-"_s, u"insert"_s, u"-"_s, u"&Copy"_s,
                               u"&Paste"_s}));
    QCOMPARE(Captions(F->Find<QWidget>(u"TabSheet5"_s).findChild<QToolBar *>()->actions()),
             (QStringList{u"-"_s, u"Загрузить стиль"_s, u"-"_s, u"&Copy"_s, u"&Paste"_s}));
    QCOMPARE(Captions(F->Find<QWidget>(u"TabSheet7"_s).findChild<QToolBar *>()->actions()),
             (QStringList{u"-"_s, u"&Copy"_s, u"&Paste"_s}));

    QAction &copy = F->Action(u"EditCopy1"_s);
    QCOMPARE(copy.shortcut(), QKeySequence(u"Ctrl+C"_s));
    QCOMPARE(copy.toolTip(), u"Copy"_s);
    QCOMPARE(copy.statusTip(), u"Copies the selection and puts it on the Clipboard"_s);
    QCOMPARE(F->Action(u"EditPaste1"_s).shortcut(), QKeySequence(u"Ctrl+V"_s));
    QCOMPARE(F->Action(u"EditPaste1"_s).statusTip(), u"Inserts Clipboard contents"_s);
}

void ProjectTextsTest::insertGoesIntoTheCaretLineWithoutSplittingIt()
{
    Template->SetText("abcdef\r\nshort\r\n\r\nend");
    Template->SetCaret(1, 3);
    F->Action(u"InsertTitle"_s).trigger();
    QCOMPARE(Template->Line(1), std::string("abSiteGeneratorChange.Titlecdef"));
    QCOMPARE(Template->CaretLine(), 1);
    QCOMPARE(Template->CaretColumn(), 3);

    Template->SetCaret(2, 20);
    F->Action(u"InsertMenu"_s).trigger();
    QCOMPARE(Template->Line(2), std::string("shortSiteGeneratorChange.Menu"));

    Template->SetCaret(3, 1);
    F->Action(u"InsertCss"_s).trigger();
    QCOMPARE(Template->Line(3), std::string(R"(<link rel="stylesheet" href="style.css" />)"));
    QCOMPARE(Template->LineCount(), 4);

    // A selection stays and is not replaced.
    Template->SetSelection(4, 4, 4, 1);
    F->Action(u"InsertAdsense"_s).trigger();
    QCOMPARE(Template->Line(4), std::string("SiteGeneratorChange.Adsenseend"));
    QCOMPARE(Template->SelectedText(), std::string("Sit"));

    Template->Clear();
    F->Action(u"InsertMainText"_s).trigger();
    QCOMPARE(Template->Text(), std::string("SiteGeneratorChange.MainText"));
    Template->SetCaret(1, 1);
    F->Action(u"InsertPagination"_s).trigger();
    QCOMPARE(Template->Text(), std::string("SiteGeneratorChange.PaginationSiteGeneratorChange.MainText"));

    // The generator sees none of it until the next push.
    QVERIFY(F->Window->Generator().SiteTemplate().empty());
}

void ProjectTextsTest::insertAlwaysTargetsTheTemplate()
{
    const std::string css = Css->Text();
    const std::string ad = Ad->Text();
    Template->SetText("x");
    Template->SetCaret(1, 2);
    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet5"_s));
    Css->setFocus();
    F->Action(u"InsertCss"_s).trigger();
    QCOMPARE(Template->Text(), std::string(R"(x<link rel="stylesheet" href="style.css" />)"));
    QCOMPARE(Css->Text(), css);
    QCOMPARE(Ad->Text(), ad);
}

void ProjectTextsTest::loadTemplateReplacesTheEditorOnly()
{
    Folder.Write(u"page.html"_s, "<html>\r\n<body>Привет</body>\n</html>\n");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"page.html"_s)});
    F->Action(u"LoadTemplate"_s).trigger();
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u".htm, .html (*.htm *.html);;Все файлы (*.*)"_s);
    // UTF-8 arrives as the code page's text; the final break gives a final empty line.
    QCOMPARE(Template->Lines(), (TStringList{"<html>", Ru("<body>Привет</body>"), "</html>", ""}));
    QVERIFY(F->Window->Generator().SiteTemplate().empty());

    // Cancelling the dialog changes nothing.
    F->Action(u"LoadTemplate"_s).trigger();
    QCOMPARE(Template->LineCount(), 4);

    F->Window->PushEditors();
    QCOMPARE(F->Window->Generator().SiteTemplate(), Ru("<html>\r\n<body>Привет</body>\r\n</html>\r\n"));
}

void ProjectTextsTest::loadStyleUsesItsOwnFilter()
{
    const std::string tmpl = Template->Text();
    Folder.Write(u"s.css"_s, "p { color: red; }");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"s.css"_s)});
    F->Action(u"LoadCss"_s).trigger();
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u".css (*.css);;Все файлы (*.*)"_s);
    QCOMPARE(Css->Text(), std::string("p { color: red; }"));
    QCOMPARE(Template->Text(), tmpl);
}

void ProjectTextsTest::failedLoadKeepsTheEditorAndReportsTheFile()
{
    const std::string before = Template->Text();
    const QString missing = Folder.Path(u"missing.html"_s);
    F->Fakes.Dialogs.OpenAnswers.push_back({missing});
    F->Action(u"LoadTemplate"_s).trigger();
    QCOMPARE(Template->Text(), before);
    QCOMPARE(F->Fakes.Errors.Shown.size(), std::size_t(1));
    const QString shown = ToQString(F->Fakes.Errors.Shown.front());
    QVERIFY2(shown.startsWith(u"Cannot open file \""_s + missing + u"\". "_s), qPrintable(shown));
    QVERIFY(shown.endsWith(u'.'));
}

void ProjectTextsTest::copyAndPasteActOnTheFocusedControl()
{
    auto &title = F->Find<QLineEdit>(u"Edit1"_s);
    title.setText(u"Заголовок"_s);
    title.setFocus();
    title.setSelection(0, 4);
    QGuiApplication::clipboard()->clear();
    F->Action(u"EditCopy1"_s).trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"Заго"_s);

    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet7"_s));
    Ad->SetText("ad");
    Ad->setFocus();
    Ad->SetCaret(1, 3);
    F->Action(u"EditPaste1"_s).trigger();
    QCOMPARE(Ad->Text(), Ru("adЗаго"));

    Ad->SetSelection(1, 1, 1, 3);
    F->Action(u"EditCopy1"_s).trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"ad"_s);
    QCOMPARE(title.text(), u"Заголовок"_s);

    // With the focus on a control that holds no text, the text control focused last is meant.
    auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
    tabs.tabBar()->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), tabs.tabBar());
    Ad->SetCaret(1, 1);
    F->Action(u"EditPaste1"_s).trigger();
    QCOMPARE(Ad->Text(), Ru("adadЗаго"));
}

void ProjectTextsTest::pasteGoesOnlyWhereTheUserIs()
{
    auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
    auto &title = F->Find<QLineEdit>(u"Edit1"_s);
    auto &box = F->Find<QCheckBox>(u"CheckBox1"_s);
    QGuiApplication::clipboard()->setText(u"X"_s);

    // Ctrl+V on a check box: nothing, though a field was focused just before.
    title.setFocus(Qt::TabFocusReason);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(title.text(), QString());
    QVERIFY(box.isChecked());
    F->Action(u"EditPaste1"_s).trigger();
    QCOMPARE(title.text(), QString());

    // The tab bar took the focus from the field and showed another tab: the field is hidden.
    title.setFocus(Qt::TabFocusReason);
    tabs.tabBar()->setFocus(Qt::TabFocusReason);
    tabs.setCurrentWidget(&F->Find<QWidget>(u"TabSheet5"_s));
    QCOMPARE(QApplication::focusWidget(), tabs.tabBar());
    const std::string css = Css->Text();
    F->Action(u"EditPaste1"_s).trigger();
    QCOMPARE(title.text(), QString());
    QCOMPARE(Css->Text(), css);

    // A tool button leaves the focus in the editor, which takes the text.
    Css->setFocus();
    Css->SetCaret(1, 1);
    QTest::mouseClick(F->Find<QToolBar>(u"ToolBarTabSheet5"_s).widgetForAction(&F->Action(u"EditPaste1"_s)),
                      Qt::LeftButton);
    QCOMPARE(Css->Text(), "X" + css);
    QCOMPARE(title.text(), QString());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectTextsTest)
#include "ProjectTextsTest.moc"
