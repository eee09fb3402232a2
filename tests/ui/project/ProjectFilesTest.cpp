#include "app/ProjectFiles.h"

#include "app/ProjectDefaults.h"
#include "engine/Error.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeView>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProjectFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void newProjectSavedAtOnceStoresTheDefaultTexts();
    void savedProjectOpensWithEveryControlFilled();
    void emptyMarkerAndMenuWordOpenAsTheDefaults();
    void saveReportsInvalidNumbersAndStillSaves();
    void failedOpenLeavesTheControlsAlone();
    void failedSaveKeepsTheProjectChanged();
    void longTitlesAndNoBreakSpacesComeBackWhole();

private:
    // A second window, as the main window creates one for Open.
    std::unique_ptr<TSiteProject> Reopen(const QString &path)
    {
        auto window = std::make_unique<TSiteProject>(F->Fakes.Services);
        window->LoadProjectFile(path);
        return window;
    }
    template <typename T> static T &In(const TSiteProject &window, const QString &name)
    {
        T *found = window.findChild<T *>(name);
        if (!found)
            throw std::runtime_error("no widget " + name.toStdString());
        return *found;
    }

    std::unique_ptr<TProjectFixture> F;
    TTempFolder Folder;
};

void ProjectFilesTest::newProjectSavedAtOnceStoresTheDefaultTexts()
{
    const QString path = Folder.Path(u"new.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(!F->Window->Generator().Changed());

    TSiteGenerator stored;
    LoadProject(FileName(path), stored);
    QCOMPARE(stored.SiteTemplate(), DefaultTemplate());
    QCOMPARE(stored.CssCode(), DefaultCss());
    QCOMPARE(stored.AdsenseCode(), DefaultAdBlock());
    QCOMPARE(stored.MinCharsPerPage(), 4000);
    QCOMPARE(stored.MaxCharsPerPage(), 5000);
    QCOMPARE(stored.MenuWord(), Ru("Раздел"));
    QVERIFY(stored.SiteUrlsToLink().empty());
}

void ProjectFilesTest::savedProjectOpensWithEveryControlFilled()
{
    F->TypeInto(u"Edit1"_s, u"Сад и огород"_s);
    F->TypeInto(u"Edit2"_s, u"100"_s);
    F->TypeInto(u"Edit3"_s, u"900"_s);
    F->TypeInto(u"LabeledEdit4"_s, u"Глава"_s);
    auto &limitBox = F->Find<QCheckBox>(u"CheckBox2"_s);
    limitBox.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&limitBox, Qt::Key_Space);
    F->TypeInto(u"LabeledEdit2"_s, u"2"_s);
    F->Find<QPlainTextEdit>(u"Memo1"_s).setPlainText(u"http://a/\nhttp://b/"_s);
    F->Find<TSourceEditor>(u"SynEdit2"_s).SetText("<html>SiteGeneratorChange.MainText</html>");
    F->Find<TSourceEditor>(u"SynEdit4"_s).SetText("");
    F->Find<TSourceEditor>(u"SynEdit3"_s).SetText("p {}");
    TSiteGenerator &g = F->Window->Generator();
    g.CreateNewPage("index", Ru("Первая страница"));
    g.CreateNewPage(Ru("Глава 1"), "second\r\npage");

    const QString path = Folder.Path(u"garden.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(!g.Changed());

    std::unique_ptr<TSiteProject> opened = Reopen(path);
    const TSiteGenerator &o = opened->Generator();
    QVERIFY(!o.Changed());
    QCOMPARE(In<QLineEdit>(*opened, u"Edit1"_s).text(), u"Сад и огород"_s);
    QCOMPARE(In<QLineEdit>(*opened, u"Edit2"_s).text(), u"100"_s);
    QCOMPARE(In<QLineEdit>(*opened, u"Edit3"_s).text(), u"900"_s);
    QCOMPARE(In<QLineEdit>(*opened, u"LabeledEdit4"_s).text(), u"Глава"_s);
    QVERIFY(In<QCheckBox>(*opened, u"CheckBox2"_s).isChecked());
    QCOMPARE(In<QLineEdit>(*opened, u"LabeledEdit2"_s).text(), u"2"_s);
    QCOMPARE(In<QPlainTextEdit>(*opened, u"Memo1"_s).toPlainText(), u"http://a/\nhttp://b/"_s);
    QCOMPARE(In<TSourceEditor>(*opened, u"SynEdit2"_s).Text(),
             std::string("<html>SiteGeneratorChange.MainText</html>"));
    QCOMPARE(In<TSourceEditor>(*opened, u"SynEdit4"_s).Text(), std::string());
    QCOMPARE(In<TSourceEditor>(*opened, u"SynEdit3"_s).Text(), std::string("p {}"));
    QCOMPARE(In<QLabel>(*opened, u"StatusPanel1"_s).text(), u"Страниц: 2"_s);
    QCOMPARE(In<QLabel>(*opened, u"StatusPanel2"_s).text(), u"Ссылок: 2"_s);
    QCOMPARE(In<QLabel>(*opened, u"StatusPanel3"_s).text(), u"Min: 100"_s);
    QCOMPARE(o.Pages().Count(), 2);
    QCOMPARE(o.Pages()[1].PageText(), std::string("second\r\npage"));
    QCOMPARE(o.Pages()[1].PageTitle(), Ru("Глава 1"));

    // Saved again, the opened project gives the same file.
    opened->SaveProjectFile(Folder.Path(u"again.sgp"_s));
    QCOMPARE(Folder.Read(u"again.sgp"_s), Folder.Read(u"garden.sgp"_s));
}

void ProjectFilesTest::emptyMarkerAndMenuWordOpenAsTheDefaults()
{
    F->TypeInto(u"LabeledEdit1"_s, QString());
    F->TypeInto(u"LabeledEdit4"_s, QString());
    F->Find<TSourceEditor>(u"SynEdit2"_s).Clear();
    F->Find<TSourceEditor>(u"SynEdit3"_s).Clear();
    QCOMPARE(F->Window->Generator().DiggValue(), std::string());
    const QString path = Folder.Path(u"empty.sgp"_s);
    F->Window->SaveProjectFile(path);

    std::unique_ptr<TSiteProject> opened = Reopen(path);
    QCOMPARE(In<QLineEdit>(*opened, u"LabeledEdit1"_s).text(), u"!-next_page-!"_s);
    QCOMPARE(In<QLineEdit>(*opened, u"LabeledEdit4"_s).text(), u"Раздел"_s);
    QCOMPARE(In<TSourceEditor>(*opened, u"SynEdit2"_s).Text(), std::string());
    QCOMPARE(In<TSourceEditor>(*opened, u"SynEdit3"_s).Text(), std::string());
    QCOMPARE(In<QLineEdit>(*opened, u"Edit1"_s).text(), QString());
}

void ProjectFilesTest::saveReportsInvalidNumbersAndStillSaves()
{
    F->TypeInto(u"Edit2"_s, u"12"_s);
    F->Find<QLineEdit>(u"Edit2"_s).setText(u"много"_s);
    const QString path = Folder.Path(u"numbers.sgp"_s);
    F->Window->SaveProjectFile(path);
    QCOMPARE(F->Messages(), QStringList{u"'много' is not a valid integer value"_s});
    TSiteGenerator stored;
    LoadProject(FileName(path), stored);
    QCOMPARE(stored.MinCharsPerPage(), 12);
}

void ProjectFilesTest::failedOpenLeavesTheControlsAlone()
{
    Folder.Write(u"empty.sgp"_s, QByteArray());
    Folder.Write(u"text.sgp"_s, "hello world\r\n");
    for (const QString &name : {u"empty.sgp"_s, u"text.sgp"_s}) {
        TSiteProject window(F->Fakes.Services);
        window.Generator().SetChanged(true);
        try {
            window.LoadProjectFile(Folder.Path(name));
            QFAIL("the open did not fail");
        } catch (const EError &e) {
            QCOMPARE(QString::fromLatin1(e.what()), u"OBJECT expected on line 1"_s);
        }
        QCOMPARE(In<QLineEdit>(window, u"Edit2"_s).text(), u"4000"_s);
        QCOMPARE(In<TSourceEditor>(window, u"SynEdit2"_s).LineCount(), 32);
        QVERIFY(window.Generator().Changed());
    }
}

void ProjectFilesTest::failedSaveKeepsTheProjectChanged()
{
    const QString path = Folder.Path(u"no/such/folder/p.sgp"_s);
    try {
        F->Window->SaveProjectFile(path);
        QFAIL("the save did not fail");
    } catch (const EError &e) {
        QVERIFY(QString::fromLatin1(e.what()).startsWith(u"Cannot create file \""_s + path + u"\". "_s));
    }
    QVERIFY(F->Window->Generator().Changed());
    // The push before the write took effect all the same.
    QVERIFY(!F->Window->Generator().SiteTemplate().empty());
}

void ProjectFilesTest::longTitlesAndNoBreakSpacesComeBackWhole()
{
    const std::string siteTitle(40000, 's');
    const std::string pageTitle = std::string(39999, 'p') + Ru("ё");
    TSiteGenerator g;
    g.SetSiteTitle(siteTitle);
    g.SetMenuWord(Ru("Раздел"));
    g.SetDiggValue("!-next_page-!");
    g.SetUseDigg(true);
    g.SetSiteUrlsToLink({"http://a/\xA0"
                         "anchor",
                         "http://b/ b"});
    g.CreateNewPage(pageTitle, "text");
    const QString original = Folder.Path(u"long.sgp"_s);
    SaveProject(FileName(original), g);

    std::unique_ptr<TSiteProject> opened = Reopen(original);
    opened->show();
    // Showing the page fills the title field, which writes it back; leaving a field pushes.
    auto &tabs = In<QTabWidget>(*opened, u"PageControl1"_s);
    tabs.setCurrentWidget(&In<QWidget>(*opened, u"TabSheet6"_s));
    auto &tree = In<QTreeView>(*opened, u"TreeView1"_s);
    tree.setCurrentIndex(tree.model()->index(0, 0));
    QCOMPARE(In<QLineEdit>(*opened, u"LabeledEdit5"_s).text().size(), 40000);
    opened->PushSettings();
    QCOMPARE(opened->Generator().SiteTitle(), siteTitle);
    QCOMPARE(opened->Generator().Pages()[0].PageTitle(), pageTitle);

    opened->SaveProjectFile(Folder.Path(u"again.sgp"_s));
    QCOMPARE(Folder.Read(u"again.sgp"_s), Folder.Read(u"long.sgp"_s));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectFilesTest)
#include "ProjectFilesTest.moc"
