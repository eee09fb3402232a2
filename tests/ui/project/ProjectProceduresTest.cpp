#include "app/BrowserLauncher.h"
#include "app/CharsetDeclaration.h"
#include "app/LinkReport.h"
#include "app/ProjectDefaults.h"
#include "persistence/ProjectFileWriter.h"
#include "tests/support/HttpExchange.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/CheckDialog.h"
#include "ui/project/LinkReportDialog.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>

namespace zarvik::test {

using namespace Qt::StringLiterals;

namespace {

const QString Content = u"Помидоры любят тёплую почву и солнечную погоду.\r\n\r\nПоливайте их каждый день."
                        u"!-next_page-!Огурцы растут быстро, если теплица закрыта.!-next_page-!"
                        u"Морковь сеют весной прямо в открытый грунт, рядами."_s;

// The labels of the progress dialogs shown while it lives.
class TProgressDialogs : public QObject
{
public:
    TProgressDialogs() { qApp->installEventFilter(this); }
    ~TProgressDialogs() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *dialog = qobject_cast<QProgressDialog *>(watched))
                Shown.push_back(dialog->labelText());
        return false;
    }
    QStringList Shown;
};

QStringList Rows(const QTableWidget &table)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells.push_back(table.item(row, column)->text());
        rows.push_back(cells.join(u'|'));
    }
    return rows;
}

QStringList Items(const QListWidget &list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items.push_back(list.item(i)->text());
    return items;
}

} // namespace

class ProjectProceduresTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void distributionReportsTheLinkLimitFirst();
    void exportUsesWhatTheEditorsShow();
    void previewShowsTheSelectedPageAsTheExportWrites();
    void previewRendersEveryRequestAnewAndStopsWithTheWindow();
    void exportNeverOverwritesTheProjectFile();
    void linkReportShowsWhereTheLinksWentAndSavesThemAsTsv();
    void checkListsStalePagesAndPruneRemovesOnlyItsOwn();
    void lookingAtTheProjectChangesNothing();
    void lookingAtTheProjectKeepsTheEditsThatWereWaiting();
    void checkAddsTheCharsetDeclarationAsAnEditCtrlZUndoes();
    void rewriteAllCheckBoxWritesEveryFileAndIsNoEdit();
    void exportAsksBeforeReplacingFilesItDidNotWrite();
    void slowOperationsShowTheirProgressAndGiveTheSameResult();

private:
    void AddContent()
    {
        F->Fakes.ContentAdd.Answers.push_back({true, FromQString(Content)});
        F->Action(u"AddContent"_s).trigger();
    }
    void ChooseExportFolder(const QString &path)
    {
        F->Fakes.Dialogs.FolderAnswers.push_back(path);
        QTest::mouseClick(&F->Find<QPushButton>(u"Button2"_s), Qt::LeftButton);
    }

    // Preview, check and pruning of an export folder without stale pages; none of them asks.
    void LookAtTheProject()
    {
        F->Action(u"PreviewInBrowser"_s).trigger();
        F->Action(u"CheckProject"_s).trigger();
        delete F->Window->findChild<TCheckDialog *>();
        F->Action(u"PruneStale"_s).trigger();
        QVERIFY(F->Fakes.Errors.Shown.empty());
    }

    // Runs the check; its dialog, which deletes itself on closing.
    TCheckDialog *Check()
    {
        F->Action(u"CheckProject"_s).trigger();
        const QList<TCheckDialog *> dialogs = F->Window->findChildren<TCheckDialog *>();
        return dialogs.isEmpty() ? nullptr : dialogs.back();
    }

    std::unique_ptr<TProjectFixture> F;
    TTempFolder Folder;
};

void ProjectProceduresTest::distributionReportsTheLinkLimitFirst()
{
    AddContent();
    F->Find<QPlainTextEdit>(u"Memo1"_s).setPlainText(u"a.html\nb.html"_s);
    auto &box = F->Find<QCheckBox>(u"CheckBox2"_s);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    F->Find<QLineEdit>(u"LabeledEdit2"_s).setText(u"x"_s);
    F->Window->Generator().SetRandomSource(std::make_unique<TSeededRandom>(3));

    F->Action(u"LinksGener"_s).trigger();
    QCOMPARE(F->Messages(), (QStringList{u"'x' is not a valid integer value"_s,
                                         u"Операция успешно завершена.\rПроставлено 2 ссылок из 2"_s}));
    QVERIFY(!box.isChecked());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);
    QVERIFY(F->Window->Generator().LinksWasSetted());
    const TSitePages &pages = F->Window->Generator().Pages();
    QVERIFY(QByteArray::fromStdString(pages[0].PageHTML()).startsWith("<p>"));
}

void ProjectProceduresTest::exportUsesWhatTheEditorsShow()
{
    const QString out = Folder.Path(u"site"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    F->Find<TSourceEditor>(u"SynEdit2"_s)
        .SetText("<title>SiteGeneratorChange.Title</title>SiteGeneratorChange.Adsense");
    F->Window->Generator().CreateNewPage("index", "text");
    F->Fakes.Prompter.Script(Answer::No);

    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(F->Messages(),
             (QStringList{u"Ссылки не расставлены!\rРасставить?"_s, u"Сайт успешно выгружен!"_s}));
    QCOMPARE(F->Fakes.Prompter.Messages.front().ButtonSet, Buttons::YesNo);
    // The style sheet is the default one shown in its editor, though nothing was pushed before.
    const QByteArray css = Folder.Read(u"site/style.css"_s);
    QVERIFY(css.startsWith("body {\r\nbackground-image: url(images/bg.gif);"));
    QCOMPARE(css, Bytes(F->Find<TSourceEditor>(u"SynEdit3"_s).Text()));
    const QByteArray index = Folder.Read(u"site/index.html"_s);
    QVERIFY(index.startsWith("<title> - index</title><script type=\"text/javascript\"><!--"));
}

void ProjectProceduresTest::previewShowsTheSelectedPageAsTheExportWrites()
{
    const QString out = Folder.Path(u"preview-site"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    AddContent();
    const TRecordingBrowser &browser = F->Fakes.Browser;
    auto &tree = F->Find<QTreeView>(u"TreeView1"_s);
    tree.setCurrentIndex(tree.model()->index(1, 0));
    const bool changedBefore = F->Window->Generator().Changed();

    F->Action(u"PreviewInBrowser"_s).trigger();
    QCOMPARE(browser.Urls.size(), std::size_t{1});
    const QUrl url(QString::fromStdString(browser.Urls.front()));
    QCOMPARE(url.scheme(), u"http"_s);
    QCOMPARE(url.host(), u"127.0.0.1"_s);
    QCOMPARE(url.fileName(), u"page1.html"_s);
    QVERIFY(F->Messages().isEmpty());
    QVERIFY(QDir(out).isEmpty());
    QCOMPARE(F->Window->Generator().Changed(), changedBefore);
    QCOMPARE(F->Window->Generator().SavePath(), FromQString(out));

    const THttpReply shown = HttpGet(browser.Urls.front());
    QCOMPARE(shown.Status, 200);
    QCOMPARE(F->Window->Generator().Changed(), changedBefore);
    F->Fakes.Prompter.Script(Answer::No);
    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(shown.Body, Folder.Read(u"preview-site/page1.html"_s));
}

void ProjectProceduresTest::previewRendersEveryRequestAnewAndStopsWithTheWindow()
{
    AddContent();
    F->Window->SaveProjectFile(Folder.Path(u"served.sgp"_s));
    F->Action(u"PreviewInBrowser"_s).trigger();
    F->Action(u"PreviewInBrowser"_s).trigger();
    const std::vector<std::string> &urls = F->Fakes.Browser.Urls;
    QCOMPARE(urls.size(), std::size_t{2});
    // Nothing selected: the first page; the second press reuses the server.
    QVERIFY(QByteArray::fromStdString(urls[0]).endsWith("/index.html"));
    QCOMPARE(urls[1], urls[0]);
    const std::string page2 = urls[0].substr(0, urls[0].rfind('/') + 1) + "page2.html";
    const THttpReply before = HttpGet(page2);
    QCOMPARE(before.Status, 200);
    QVERIFY(before.Body.contains("<title> - " + Bytes(F->Window->Generator().Pages()[2].PageTitle()) +
                                 "</title>"));
    QVERIFY(!F->Window->Generator().Changed());

    // An edit waiting in the template editor shows on the next request, without a new F5.
    auto &templateEditor = F->Find<TSourceEditor>(u"SynEdit2"_s);
    templateEditor.setFocus();
    TProjectFixture::Type(templateEditor.focusProxy(), u"Грядка"_s);
    const THttpReply after = HttpGet(page2);
    QCOMPARE(after.Status, 200);
    QVERIFY(after.Body.startsWith(Bytes(Ru("Грядка"))));
    QVERIFY(F->Window->HasUnsavedEdits());
    QCOMPARE(HttpGet(page2, "POST").Status, 405);

    const quint16 port = static_cast<quint16>(QUrl(QString::fromStdString(page2)).port());
    QVERIFY(CloseFixture(F));
    QVERIFY(HttpExchange(port, "GET / HTTP/1.1\r\n\r\n").Refused);
    F = std::make_unique<TProjectFixture>();
}

void ProjectProceduresTest::exportNeverOverwritesTheProjectFile()
{
    const QString out = Folder.Path(u"own-folder"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    AddContent();
    const QString project = Folder.Path(u"own-folder/garden.sgp"_s);
    F->Window->SaveProjectFile(project);
    const QByteArray saved = Folder.Read(u"own-folder/garden.sgp"_s);
    F->Window->Generator().Pages()[1].SetPageUrl("garden.sgp");
    F->Fakes.Prompter.Script(Answer::No);

    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(F->Fakes.Errors.Shown.size(), std::size_t{1});
    QCOMPARE(ToQString(F->Fakes.Errors.Shown.front()),
             u"Адрес страницы \"garden.sgp\" совпадает с файлом выгружаемого проекта."_s);
    QCOMPARE(Folder.Read(u"own-folder/garden.sgp"_s), saved);
}

void ProjectProceduresTest::linkReportShowsWhereTheLinksWentAndSavesThemAsTsv()
{
    AddContent();
    F->Find<QPlainTextEdit>(u"Memo1"_s).setPlainText(u"a.html\nb.html\nc.html\nd.html"_s);
    F->Window->Generator().SetRandomSource(std::make_unique<TSeededRandom>(5));
    F->Action(u"LinksGener"_s).trigger();

    F->Action(u"LinkReport"_s).trigger();
    auto *dialog = F->Window->findChild<TLinkReportDialog *>();
    QVERIFY(dialog);
    const QTableWidget &table = *dialog->Table();
    QCOMPARE(table.rowCount(), 4);
    const TSitePages &pages = F->Window->Generator().Pages();
    QStringList links;
    for (int row = 0; row < table.rowCount(); ++row) {
        const int page = table.item(row, 0)->text().toInt();
        QCOMPARE(table.item(row, 1)->text(), ToQString(pages[page].PageUrl()));
        // The word shown is the one the body carries inside that link's anchor.
        const QString anchor =
            u"<a href=\""_s + table.item(row, 3)->text() + u"\">"_s + table.item(row, 2)->text() + u"</a>"_s;
        QVERIFY2(ToQString(pages[page].PageHTML()).contains(anchor), qPrintable(anchor));
        links.push_back(table.item(row, 3)->text());
    }
    links.sort();
    QCOMPARE(links, (QStringList{u"a.html"_s, u"b.html"_s, u"c.html"_s, u"d.html"_s}));

    F->Fakes.Dialogs.SaveAnswers.push_back(Folder.Path(u"links"_s));
    QTest::mouseClick(dialog->findChild<QPushButton *>(u"SaveTsv"_s), Qt::LeftButton);
    QCOMPARE(Folder.Read(u"links.tsv"_s), Bytes(LinkReportTsv(BuildLinkReport(F->Window->Generator()))));
    dialog->close();
}

void ProjectProceduresTest::checkListsStalePagesAndPruneRemovesOnlyItsOwn()
{
    const QString out = Folder.Path(u"stale-site"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    AddContent();
    F->Fakes.Prompter.Script(Answer::No);
    F->Action(u"SiteExport"_s).trigger();
    // A shorter site now, and a page of the user's own beside the export.
    F->Window->Generator().Pages().Delete(2);
    F->Window->RebuildPageTree();
    Folder.Write(u"stale-site/notes.html"_s, "<html>mine</html>");

    F->Action(u"CheckProject"_s).trigger();
    auto *dialog = F->Window->findChild<TCheckDialog *>();
    QVERIFY(dialog);
    QStringList lines;
    for (int row = 0; row < dialog->List()->count(); ++row)
        lines.push_back(dialog->List()->item(row)->text());
    QVERIFY2(lines.contains(u"В папке выгрузки лишний файл \"page2.html\": это не страница проекта"_s),
             qPrintable(lines.join(u'\n')));
    QVERIFY(lines.contains(u"В папке выгрузки лишний файл \"notes.html\": это не страница проекта"_s));
    dialog->close();

    F->Fakes.Prompter.Script(Answer::Yes);
    F->Action(u"PruneStale"_s).trigger();
    QCOMPARE(F->Messages().back(), u"Удалено страниц: 1"_s);
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
             (QStringList{u"index.html"_s, u"notes.html"_s, u"page1.html"_s, u"style.css"_s}));
}

void ProjectProceduresTest::lookingAtTheProjectChangesNothing()
{
    const QString out = Folder.Path(u"look"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    // A window as it is made: the project file it would write stays what it was.
    const std::string made = TProjectFileWriter(F->Window->Generator()).Text();
    LookAtTheProject();
    QCOMPARE(TProjectFileWriter(F->Window->Generator()).Text(), made);
    QVERIFY(!F->Window->HasUnsavedEdits());

    // A saved project stays unchanged.
    AddContent();
    F->Window->SaveProjectFile(Folder.Path(u"look.sgp"_s));
    LookAtTheProject();
    QCOMPARE(F->Fakes.Browser.Urls.size(), std::size_t{2});
    QVERIFY(!F->Window->Generator().Changed());
    QVERIFY(!F->Window->HasUnsavedEdits());
}

void ProjectProceduresTest::lookingAtTheProjectKeepsTheEditsThatWereWaiting()
{
    const QString out = Folder.Path(u"waiting"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    F->Window->SaveProjectFile(Folder.Path(u"waiting.sgp"_s));

    // A title typed but not yet pushed (the caret is still in the field): the look takes it, and
    // the project is changed.
    F->Find<QLineEdit>(u"Edit1"_s).setText(u"Огород"_s);
    QVERIFY(F->Window->HasUnsavedEdits());
    F->Action(u"CheckProject"_s).trigger();
    delete F->Window->findChild<TCheckDialog *>();
    QCOMPARE(F->Window->Generator().SiteTitle(), FromQString(u"Огород"_s));
    QVERIFY(F->Window->Generator().Changed());

    // An edit of the template stays an unsaved edit after every look.
    F->Window->SaveProjectFile(Folder.Path(u"waiting.sgp"_s));
    auto &templateEditor = F->Find<TSourceEditor>(u"SynEdit2"_s);
    templateEditor.setFocus();
    TProjectFixture::Type(templateEditor.focusProxy(), u"x"_s);
    QVERIFY(F->Window->HasUnsavedEdits());
    LookAtTheProject();
    QVERIFY(F->Window->HasUnsavedEdits());
    QCOMPARE(F->Window->Generator().SiteTemplate(), templateEditor.Text());
}

void ProjectProceduresTest::checkAddsTheCharsetDeclarationAsAnEditCtrlZUndoes()
{
    AddContent();
    F->Window->SaveProjectFile(Folder.Path(u"charset.sgp"_s));
    auto &templateEditor = F->Find<TSourceEditor>(u"SynEdit2"_s);
    const std::string fixed = WithCharsetDeclaration(DefaultTemplate());

    TCheckDialog *dialog = Check();
    QVERIFY(dialog && dialog->AddCharsetButton());
    QVERIFY(!F->Window->HasUnsavedEdits());
    QTest::mouseClick(dialog->AddCharsetButton(), Qt::LeftButton);
    QCOMPARE(templateEditor.Text(), fixed);
    QCOMPARE(F->Window->Generator().SiteTemplate(), fixed);
    QVERIFY(templateEditor.isVisible());
    QVERIFY(F->Window->HasUnsavedEdits());
    QVERIFY(dialog->AddCharsetButton()->isHidden());
    delete dialog;
    // Nothing is left to fix, so the next check offers nothing.
    dialog = Check();
    QVERIFY(dialog && !dialog->AddCharsetButton());
    delete dialog;

    templateEditor.setFocus();
    QTest::keyClick(templateEditor.focusProxy(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(templateEditor.Text(), DefaultTemplate());
    dialog = Check();
    QVERIFY(dialog && dialog->AddCharsetButton());
    QCOMPARE(F->Window->Generator().SiteTemplate(), DefaultTemplate());

    // A template without <head>: the user is told and the template stays.
    templateEditor.SetText("<body>SiteGeneratorChange.MainText</body>");
    QTest::mouseClick(dialog->AddCharsetButton(), Qt::LeftButton);
    QCOMPARE(F->Fakes.Errors.Shown.size(), std::size_t{1});
    QCOMPARE(ToQString(F->Fakes.Errors.Shown.front()),
             u"В шаблоне нет тега <head>: объявление кодировки некуда добавить."_s);
    QCOMPARE(templateEditor.Text(), std::string("<body>SiteGeneratorChange.MainText</body>"));
    QVERIFY(!dialog->AddCharsetButton()->isHidden());
    delete dialog;
}

void ProjectProceduresTest::rewriteAllCheckBoxWritesEveryFileAndIsNoEdit()
{
    const QString out = Folder.Path(u"record-site"_s);
    QVERIFY(QDir().mkpath(out));
    ChooseExportFolder(out);
    F->Window->Generator().CreateNewPage("index", "text");
    const auto inode = [&] {
        struct stat info;
        return ::stat(QFile::encodeName(out + u"/index.html"_s).constData(), &info) == 0 ? info.st_ino : 0;
    };
    const auto exportOnce = [&] {
        F->Fakes.Prompter.Script(Answer::No);
        F->Action(u"SiteExport"_s).trigger();
        return F->Window->statusBar()->currentMessage();
    };
    QCOMPARE(exportOnce(), u"Сайт выгружен. Записано файлов: 2, без изменений: 0"_s);
    const ino_t first = inode();
    QCOMPARE(exportOnce(), u"Сайт выгружен. Записано файлов: 0, без изменений: 2"_s);
    QCOMPARE(inode(), first);

    auto &box = F->Find<QCheckBox>(u"RewriteAllCheck"_s);
    QVERIFY(!box.isChecked());
    const bool edited = F->Window->HasUnsavedEdits();
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(box.isChecked());
    QCOMPARE(F->Window->HasUnsavedEdits(), edited);
    QCOMPARE(exportOnce(), u"Сайт выгружен. Записано файлов: 2, без изменений: 0"_s);
    QVERIFY(inode() != first);
    // The specified messages stay as they were.
    QCOMPARE(F->Messages().back(), u"Сайт успешно выгружен!"_s);

    // Each window starts with it off.
    auto other = std::make_unique<TProjectFixture>();
    QVERIFY(!other->Find<QCheckBox>(u"RewriteAllCheck"_s).isChecked());
    QVERIFY(CloseFixture(other));
}

void ProjectProceduresTest::exportAsksBeforeReplacingFilesItDidNotWrite()
{
    const QString out = Folder.Path(u"foreign"_s);
    QVERIFY(QDir().mkpath(out));
    Folder.Write(u"foreign/index.html"_s, "the user's own page");
    ChooseExportFolder(out);
    F->Window->Generator().CreateNewPage("index", "text");

    F->Fakes.Prompter.Script(Answer::No);
    F->Action(u"SiteExport"_s).trigger();
    const auto &question = F->Fakes.Prompter.Messages.back();
    QCOMPARE(question.ButtonSet, Buttons::YesNoDefaultNo);
    QCOMPARE(ToQString(question.Text), u"В папке \"%1\" уже есть файл, который Zarvik не создавал:\n"
                                       u"index.html\nЗаменить его?"_s.arg(QDir(out).canonicalPath())
                                           .replace(u'\n', u'\r'));
    QCOMPARE(Folder.Read(u"foreign/index.html"_s), QByteArray("the user's own page"));
    QVERIFY(!QFile::exists(out + u"/style.css"_s));
    QCOMPARE(F->Window->statusBar()->currentMessage(), u"Сайт не выгружен: файлы в папке не заменены"_s);

    F->Fakes.Prompter.Script(Answer::No);
    F->Fakes.Prompter.Script(Answer::Yes);
    F->Action(u"SiteExport"_s).trigger();
    QCOMPARE(F->Messages().back(), u"Сайт успешно выгружен!"_s);
    QCOMPARE(ToQString(F->Fakes.Prompter.Messages.back().Details), u"Папка: "_s + QDir(out).canonicalPath());
    QVERIFY(Folder.Read(u"foreign/index.html"_s) != QByteArray("the user's own page"));
}

void ProjectProceduresTest::slowOperationsShowTheirProgressAndGiveTheSameResult()
{
    AddContent();
    F->Find<QPlainTextEdit>(u"Memo1"_s).setPlainText(u"a.html\nb.html\nc.html"_s);
    F->Window->Generator().SetRandomSource(std::make_unique<TSeededRandom>(5));
    F->Action(u"LinksGener"_s).trigger();
    const auto checkFindings = [this] {
        TCheckDialog *dialog = Check();
        const QStringList items = dialog ? Items(*dialog->List()) : QStringList{u"no dialog"_s};
        delete dialog;
        return items;
    };
    const auto reportRows = [this] {
        F->Action(u"LinkReport"_s).trigger();
        auto *dialog = F->Window->findChild<TLinkReportDialog *>();
        const QStringList rows = dialog ? Rows(*dialog->Table()) : QStringList{u"no dialog"_s};
        delete dialog;
        return rows;
    };

    // Quick as they are here, the operations show no dialog with the usual delay.
    TProgressDialogs dialogs;
    F->Window->SaveProjectFile(Folder.Path(u"quick.sgp"_s));
    const QStringList findings = checkFindings();
    const QStringList rows = reportRows();
    QVERIFY(dialogs.Shown.isEmpty());
    QCOMPARE(rows.size(), 3);

    // Made slow by a delay of nothing, each shows its own dialog, which goes with the operation.
    F->Fakes.Busy.SetProgressDelayMs(0);
    F->Window->SaveProjectFile(Folder.Path(u"slow.sgp"_s));
    QCOMPARE(checkFindings(), findings);
    QCOMPARE(reportRows(), rows);
    TSiteProject reopened(F->Fakes.Services);
    reopened.LoadProjectFile(Folder.Path(u"slow.sgp"_s));
    QCOMPARE(dialogs.Shown, (QStringList{u"Сохранение проекта..."_s, u"Проверка проекта..."_s,
                                         u"Отчёт о ссылках..."_s, u"Открытие проекта..."_s}));
    QVERIFY(F->Window->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(reopened.findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(!F->Fakes.Busy.Active());

    QCOMPARE(Folder.Read(u"slow.sgp"_s), Folder.Read(u"quick.sgp"_s));
    QCOMPARE(TProjectFileWriter(reopened.Generator()).Text(),
             TProjectFileWriter(F->Window->Generator()).Text());
    QCOMPARE(reopened.Generator().Pages().Count(), 3);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectProceduresTest)
#include "ProjectProceduresTest.moc"
