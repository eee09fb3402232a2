#include "tests/ui/project/ProjectFixture.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProjectLinksTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TProjectFixture>();
        Memo = &F->Find<QPlainTextEdit>(u"Memo1"_s);
    }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void menusListTheCommandsInOrder();
    void typingCountsLinksButNotAFinalEmptyLine();
    void txtImportReplacesTheList();
    void tsvImportDropsTheHeaderLineOnly();
    void importShowsTheLinksTabEvenWhenCancelled();
    void failedImportKeepsTheList();
    void clearingAsksFirst();
    void savedListKeepsItsLinesAndGetsTheExtension();
    void pushCopiesTheListLineByLine();
    void noBreakSpacesSurviveEveryWayOut();

private:
    QString CurrentTab() const
    {
        return F->Find<QTabWidget>(u"PageControl1"_s).currentWidget()->objectName();
    }

    std::unique_ptr<TProjectFixture> F;
    QPlainTextEdit *Memo = nullptr;
    TTempFolder Folder;
};

void ProjectLinksTest::menusListTheCommandsInOrder()
{
    const auto captions = [](const QMenu &menu) {
        QStringList out;
        for (const QAction *action : menu.actions())
            out << (action->isSeparator() ? u"-"_s : action->text());
        return out;
    };
    QMenu *procedures = F->Window->ProceduresMenu();
    QVERIFY(procedures);
    QCOMPARE(QString(procedures->title()).remove(u'&'), u"Процедуры"_s);
    QCOMPARE(captions(*procedures),
             (QStringList{u"Добавить контент"_s, u"-"_s, u"Импортировать ссылки txt"_s,
                          u"Импортировать ссылки TSV"_s, u"-"_s, u"Распределить ссылки по страницам"_s,
                          u"-"_s, u"Выгрузка готового сайта в папку"_s, u"Просмотр в браузере"_s, u"-"_s,
                          u"Отчёт о ссылках"_s, u"Проверить проект"_s, u"Удалить устаревшие страницы"_s}));
    QCOMPARE(captions(F->Find<QMenu>(u"PopupMenu2"_s)),
             (QStringList{u"Очистка ссылок"_s, u"-"_s, u"Импортировать ссылки txt"_s,
                          u"Импортировать ссылки TSV"_s, u"-"_s, u"Сохранить ссылки в txt"_s, u"-"_s,
                          u"&Copy"_s, u"&Paste"_s, u"-"_s, u"Распределить ссылки по страницам"_s}));
    QCOMPARE(captions(F->Find<QMenu>(u"PopupMenu1"_s)),
             (QStringList{u"Создать страницу"_s, u"Удалить выделенные"_s, u"-"_s, u"Добавить контент"_s}));
    QCOMPARE(Memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(Memo->accessibleName(), u"Список ссылок"_s);
}

void ProjectLinksTest::typingCountsLinksButNotAFinalEmptyLine()
{
    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet3"_s));
    Memo->setFocus();
    F->Type(Memo, u"http://a.example/ якорь"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 1"_s);
    QTest::keyClick(Memo, Qt::Key_Return);
    QCOMPARE(F->Panel(2), u"Ссылок: 1"_s);
    QTest::keyClick(Memo, Qt::Key_Return);
    QCOMPARE(F->Panel(2), u"Ссылок: 2"_s);
    F->Type(Memo, u"b"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 3"_s);
    QTest::keyClick(Memo, Qt::Key_Backspace);
    QCOMPARE(F->Panel(2), u"Ссылок: 2"_s);
}

void ProjectLinksTest::txtImportReplacesTheList()
{
    Memo->setPlainText(u"old1\nold2\nold3"_s);
    Folder.Write(u"links.txt"_s, "http://x/ один\r\nhttp://y/ two\rhttp://z/ three\n");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"links.txt"_s)});
    F->Action(u"ImportLinks"_s).trigger();
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u".txt (*.txt);;Все файлы (*.*)"_s);
    QCOMPARE(Memo->toPlainText(), u"http://x/ один\nhttp://y/ two\nhttp://z/ three"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 3"_s);
    QCOMPARE(CurrentTab(), u"TabSheet3"_s);
}

void ProjectLinksTest::tsvImportDropsTheHeaderLineOnly()
{
    Folder.Write(u"links.tsv"_s, "url\tword\r\na\tb\r\nc\td\r\n");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"links.tsv"_s)});
    F->Action(u"ImportCSV"_s).trigger();
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u".tsv (*.tsv);;Все файлы (*.*)"_s);
    QCOMPARE(Memo->toPlainText(), u"a\tb\nc\td"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 2"_s);

    Folder.Write(u"one.tsv"_s, "header only\r\n");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"one.tsv"_s)});
    F->Action(u"ImportCSV"_s).trigger();
    QCOMPARE(Memo->toPlainText(), QString());
    QCOMPARE(F->Panel(2), u"Ссылок: 0"_s);

    Folder.Write(u"empty.tsv"_s, "");
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"empty.tsv"_s)});
    Memo->setPlainText(u"kept?"_s);
    F->Action(u"ImportCSV"_s).trigger();
    QCOMPARE(Memo->toPlainText(), QString());
}

void ProjectLinksTest::importShowsTheLinksTabEvenWhenCancelled()
{
    Memo->setPlainText(u"keep"_s);
    F->Action(u"ImportLinks"_s).trigger();
    QCOMPARE(CurrentTab(), u"TabSheet3"_s);
    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentIndex(0);
    F->Action(u"ImportCSV"_s).trigger();
    QCOMPARE(CurrentTab(), u"TabSheet3"_s);
    QCOMPARE(Memo->toPlainText(), u"keep"_s);
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), std::size_t(2));
}

void ProjectLinksTest::failedImportKeepsTheList()
{
    Memo->setPlainText(u"keep"_s);
    F->Fakes.Dialogs.OpenAnswers.push_back({Folder.Path(u"none.txt"_s)});
    F->Action(u"ImportLinks"_s).trigger();
    QCOMPARE(Memo->toPlainText(), u"keep"_s);
    QCOMPARE(F->Fakes.Errors.Shown.size(), std::size_t(1));
    QVERIFY(ToQString(F->Fakes.Errors.Shown.front())
                .startsWith(u"Cannot open file \""_s + Folder.Path(u"none.txt"_s)));
    QCOMPARE(CurrentTab(), u"TabSheet3"_s);
}

void ProjectLinksTest::clearingAsksFirst()
{
    Memo->setPlainText(u"a\nb"_s);
    F->Fakes.Prompter.Script(Answer::Cancel);
    F->Action(u"ClearLinks"_s).trigger();
    QCOMPARE(Memo->toPlainText(), u"a\nb"_s);
    QCOMPARE(F->Messages(), QStringList{u"Вы действительно хотите удалить все ссылки?"_s});
    QCOMPARE(F->Fakes.Prompter.Messages.back().Kind, MessageKind::Warning);
    QCOMPARE(F->Fakes.Prompter.Messages.back().ButtonSet, Buttons::OkCancel);

    F->Fakes.Prompter.Script(Answer::Ok);
    F->Action(u"ClearLinks"_s).trigger();
    QCOMPARE(Memo->toPlainText(), QString());
    QCOMPARE(F->Panel(2), u"Ссылок: 0"_s);
}

void ProjectLinksTest::savedListKeepsItsLinesAndGetsTheExtension()
{
    Memo->setPlainText(u"http://a/ слово\nhttp://b/ word"_s);
    F->Fakes.Dialogs.SaveAnswers.push_back(Folder.Path(u"saved"_s));
    F->Action(u"SaveLinks"_s).trigger();
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Filter, u"*.txt (*.txt)"_s);
    QCOMPARE(Folder.Read(u"saved.txt"_s), Bytes(Ru("http://a/ слово\r\nhttp://b/ word")));
    QCOMPARE(CurrentTab(), u"TabSheet1"_s);

    // An existing file is replaced without a question; a final line break is kept.
    Memo->setPlainText(u"c\n"_s);
    F->Fakes.Dialogs.SaveAnswers.push_back(Folder.Path(u"saved.txt"_s));
    F->Action(u"SaveLinks"_s).trigger();
    QCOMPARE(Folder.Read(u"saved.txt"_s), QByteArray("c\r\n"));
    QVERIFY(F->Fakes.Prompter.Messages.empty());
}

void ProjectLinksTest::pushCopiesTheListLineByLine()
{
    Memo->setPlainText(u"one\n\nthree\n"_s);
    TSiteGenerator &g = F->Window->Generator();
    QVERIFY(g.SiteUrlsToLink().empty());
    F->Window->PushEditors();
    QCOMPARE(g.SiteUrlsToLink(), (TStringList{"one", "", "three"}));
    QCOMPARE(F->Panel(2), u"Ссылок: 3"_s);
}

void ProjectLinksTest::noBreakSpacesSurviveEveryWayOut()
{
    // Typed, as a user types it: the widget's plain-text view would give plain spaces.
    Memo->setFocus();
    F->Type(Memo, u"http://a/\u00A0anchor"_s);
    QTest::keyClick(Memo, Qt::Key_Return);
    F->Type(Memo, u"http://b/ b\u00A0c"_s);
    const std::string first = "http://a/\xA0"
                              "anchor";
    const std::string second = "http://b/ b\xA0"
                               "c";
    F->Window->PushEditors();
    QCOMPARE(F->Window->Generator().SiteUrlsToLink(), (TStringList{first, second}));

    F->Fakes.Dialogs.SaveAnswers.push_back(Folder.Path(u"nbsp.txt"_s));
    F->Action(u"SaveLinks"_s).trigger();
    QCOMPARE(Folder.Read(u"nbsp.txt"_s), Bytes(first + "\r\n" + second));

    // A distribution hands the same list to the engine.
    F->Window->Generator().SetSiteUrlsToLink({});
    F->Action(u"LinksGener"_s).trigger();
    F->Fakes.Prompter.Messages.clear();
    QCOMPARE(F->Window->Generator().SiteUrlsToLink(), (TStringList{first, second}));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectLinksTest)
#include "ProjectLinksTest.moc"
