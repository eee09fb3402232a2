#include "tests/ui/support/FrameFixture.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/PContentAddForm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

// English the program may show: the specified captions and hints of the standard edit commands
// (menus keep them), names of formats, encodings and keys, and the program's own name.
const std::set<QString> AllowedWords = {
    // specified captions and hints
    u"Open"_s,
    u"Cut"_s,
    u"Copy"_s,
    u"Paste"_s,
    u"Delete"_s,
    u"Undo"_s,
    u"Select"_s,
    u"All"_s,
    u"Copies"_s,
    u"the"_s,
    u"selection"_s,
    u"and"_s,
    u"puts"_s,
    u"it"_s,
    u"on"_s,
    u"Clipboard"_s,
    u"Inserts"_s,
    u"contents"_s,
    u"Min"_s,
    u"Max"_s,
    u"min"_s,
    u"max"_s,
    u"Untitled"_s,
    u"Zarvik"_s,
    // formats, encodings, keys
    u"CSS"_s,
    u"HTML"_s,
    u"TSV"_s,
    u"txt"_s,
    u"tsv"_s,
    u"htm"_s,
    u"html"_s,
    u"sgp"_s,
    u"Windows"_s,
    u"UTF"_s,
    u"KOI"_s,
    u"CP"_s,
    u"ISO"_s,
    u"Ctrl"_s,
    u"Shift"_s,
    u"Alt"_s,
    u"Del"_s,
    u"head"_s,
    u"meta"_s,
    u"http"_s,
    u"equiv"_s,
    u"Content"_s,
    u"Type"_s,
    u"content"_s,
    u"text"_s,
    u"charset"_s,
    u"windows"_s,
    u"README"_s,
    u"md"_s,
    u"robots"_s,
    u"sitemap"_s,
    u"xml"_s,
    u"URL"_s,
    u"FTP"_s,
    u"SFTP"_s,
    u"SSH"_s,
    u"example"_s,
    u"href"_s,
    u"https"_s,
    u"ru"_s,
    u"zarvik"_s,
    u"json"_s,
    u"ftps"_s,
    u"ftp"_s,
    u"sftp"_s,
    u"FTPS"_s,
    u"TLS"_s,
    u"SHA"_s,
};

// The Latin words of a text that are not allowed, mnemonic markers and tags aside.
QStringList EnglishWords(QString text)
{
    text.remove(u'&');
    static const QRegularExpression word(u"[A-Za-z]{2,}"_s);
    QStringList found;
    for (auto match = word.globalMatch(text); match.hasNext();) {
        const QString w = match.next().captured();
        if (!AllowedWords.count(w))
            found.append(w);
    }
    return found;
}

// Every text a person can see in the widget and its children: captions, labels, tool tips,
// tab titles, header titles, the entries of their menus.
QStringList ShownTexts(const QWidget &root)
{
    QStringList texts;
    const auto addAction = [&texts](const QAction *action) {
        texts << action->text() << action->toolTip() << action->iconText();
    };
    QList<const QWidget *> widgets{&root};
    for (const QWidget *child : root.findChildren<QWidget *>())
        widgets.append(child);
    for (const QWidget *widget : widgets) {
        texts << widget->toolTip() << widget->windowTitle();
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            texts << label->text();
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            texts << button->text();
        if (const auto *group = qobject_cast<const QGroupBox *>(widget))
            texts << group->title();
        if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
            texts << edit->placeholderText();
        if (const auto *box = qobject_cast<const QComboBox *>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
        }
        if (const auto *tabs = qobject_cast<const QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i) << tabs->tabToolTip(i);
        }
        if (const auto *view = qobject_cast<const QAbstractItemView *>(widget); view && view->model()) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                texts << view->model()->headerData(c, Qt::Horizontal).toString();
        }
        if (const auto *menu = qobject_cast<const QMenu *>(widget))
            texts << menu->title();
        for (const QAction *action : widget->actions())
            addAction(action);
    }
    texts.removeAll(QString());
    return texts;
}

void VerifyRussian(const QWidget &root, const QString &where, int atLeast = 5)
{
    int seen = 0;
    for (const QString &text : ShownTexts(root)) {
        ++seen;
        const QStringList english = EnglishWords(text);
        QVERIFY2(english.isEmpty(),
                 qPrintable(where + u": \""_s + text + u"\" has "_s + english.join(u", "_s)));
    }
    QVERIFY2(seen >= atLeast, qPrintable(where));
}

} // namespace

// Everything the program shows is Russian, but for the English texts it is specified to show.
class RussianTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void theWordCheckCatchesEnglish();
    void frameAndProjectWindowShowNoEnglish();
    void contentDialogShowsNoEnglish();
    void editorsHaveARussianMenuOfTheirOwn();
};

void RussianTextsTest::theWordCheckCatchesEnglish()
{
    QCOMPARE(EnglishWords(u"&Copy"_s), QStringList());
    QCOMPARE(EnglishWords(u"Открыть проект (Ctrl+O)"_s), QStringList());
    QCOMPARE(EnglishWords(u"Undo typing"_s), QStringList{u"typing"_s});
    QCOMPARE(EnglishWords(u"Redo"_s), QStringList{u"Redo"_s});
}

void RussianTextsTest::frameAndProjectWindowShowNoEnglish()
{
    auto fixture = std::make_unique<TFrameFixture>();
    VerifyRussian(*fixture->Form, u"empty frame"_s);
    TSiteProject *project = fixture->New();
    QVERIFY(project);
    VerifyRussian(*fixture->Form, u"frame with a project"_s);
    // The pop-up menus belong to the project window, not all of them shown yet.
    for (const QMenu *menu : project->findChildren<QMenu *>())
        VerifyRussian(*menu, menu->objectName(), menu->actions().isEmpty() ? 0 : 1);
    QVERIFY(CloseFixture(fixture));
}

void RussianTextsTest::contentDialogShowsNoEnglish()
{
    TFakeServices fakes;
    TContentAddForm form(fakes.Errors, fakes.Dialogs);
    VerifyRussian(form, u"content dialog"_s);
}

void RussianTextsTest::editorsHaveARussianMenuOfTheirOwn()
{
    TSourceEditor editor;
    editor.SetText("one two");
    QMenu *menu = editor.EditMenu();
    QVERIFY(menu);
    QStringList captions;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            captions << action->text().section(u'\t', 0, 0);
    }
    QCOMPARE(captions, (QStringList{u"Отменить"_s, u"Повторить"_s, u"Вырезать"_s, u"Копировать"_s,
                                    u"Вставить"_s, u"Удалить"_s, u"Выделить всё"_s}));
    VerifyRussian(*menu, u"editor menu"_s);

    // The entries follow the editor's state: nothing selected, nothing to cut or copy.
    const auto enabled = [menu](const QString &name) {
        return menu->findChild<QAction *>(name)->isEnabled();
    };
    QVERIFY(!enabled(u"EditorCopy"_s));
    QVERIFY(!enabled(u"EditorUndo"_s));
    editor.SetSelection(1, 1, 1, 5);
    editor.EditMenu();
    QVERIFY(enabled(u"EditorCopy"_s));
    QVERIFY(enabled(u"EditorCut"_s));

    // The commands act on the editor.
    menu->findChild<QAction *>(u"EditorDelete"_s)->trigger();
    QCOMPARE(editor.Text(), std::string("two"));
    editor.EditMenu();
    QVERIFY(enabled(u"EditorUndo"_s));
    menu->findChild<QAction *>(u"EditorUndo"_s)->trigger();
    QCOMPARE(editor.Text(), std::string("one two"));
    editor.SetReadOnly(true);
    editor.SelectAll();
    editor.EditMenu();
    QVERIFY(!enabled(u"EditorCut"_s));
    QVERIFY(enabled(u"EditorCopy"_s));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::RussianTextsTest)
#include "RussianTextsTest.moc"
