#include "app/ProjectFiles.h"
#include "app/ProjectSettings.h"
#include "tests/ui/project/ProjectFixture.h"

#include <QCheckBox>
#include <QTabWidget>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class PublishingTabTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void tabComesAfterTheOthers();
    void refusedAddressIsReportedAndNotKept();
    void settingsAreEditsSavedBesideTheProjectAndCopiedBySaveAs();
    void brokenSettingsFileIsAWarningAndTheProjectStillOpens();

private:
    void ShowPublishing()
    {
        auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
        tabs.setCurrentWidget(&F->Find<QWidget>(u"PublishingSheet"_s));
    }

    std::unique_ptr<TProjectFixture> F;
    TTempFolder Folder;
};

void PublishingTabTest::tabComesAfterTheOthers()
{
    auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
    QCOMPARE(tabs.count(), 7);
    QCOMPARE(tabs.widget(6)->objectName(), u"PublishingSheet"_s);
    QCOMPARE(tabs.tabText(6), u"Публикация"_s);
    QVERIFY(F->Find<QLineEdit>(u"BaseUrlEdit"_s).text().isEmpty());
    QVERIFY(!F->Find<QCheckBox>(u"SitemapCheck"_s).isChecked());
    QVERIFY(!F->Find<QCheckBox>(u"RobotsCheck"_s).isChecked());
}

void PublishingTabTest::refusedAddressIsReportedAndNotKept()
{
    ShowPublishing();
    F->TypeInto(u"BaseUrlEdit"_s, u"ftp://сад.рф/"_s);
    QCOMPARE(F->Messages(),
             QStringList{
                 u"Неверный адрес сайта \"ftp://сад.рф/\": он должен начинаться с http:// или https://"_s});
    QCOMPARE(F->Find<QLineEdit>(u"BaseUrlEdit"_s).text(), QString());
    QVERIFY(!F->Window->HasUnsavedEdits());
    QCOMPARE(F->Window->PublishingSettings().BaseUrl(), std::string());
}

void PublishingTabTest::settingsAreEditsSavedBesideTheProjectAndCopiedBySaveAs()
{
    ShowPublishing();
    F->TypeInto(u"BaseUrlEdit"_s, u"https://сад.рф/"_s);
    QVERIFY(F->Messages().isEmpty());
    QVERIFY(F->Window->HasUnsavedEdits());
    F->Find<QCheckBox>(u"SitemapCheck"_s).click();

    const QString path = Folder.Path(u"site.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(!F->Window->HasUnsavedEdits());
    QCOMPARE(
        Folder.Read(u"site.zarvik.json"_s),
        u"{\n  \"baseUrl\": \"https://сад.рф/\",\n  \"sitemap\": true,\n  \"robots\": false\n}\n"_s.toUtf8());

    F->Find<QCheckBox>(u"RobotsCheck"_s).click();
    QVERIFY(F->Window->HasUnsavedEdits());
    F->Window->SaveProjectFile(Folder.Path(u"copy.sgp"_s));
    QVERIFY(Folder.Read(u"copy.zarvik.json"_s).contains("\"robots\": true"));
    QVERIFY(Folder.Read(u"site.zarvik.json"_s).contains("\"robots\": false"));

    TSiteProject opened(F->Fakes.Services);
    opened.LoadProjectFile(path);
    QCOMPARE(opened.findChild<QLineEdit *>(u"BaseUrlEdit"_s)->text(), u"https://сад.рф/"_s);
    QVERIFY(opened.findChild<QCheckBox *>(u"SitemapCheck"_s)->isChecked());
    QVERIFY(!opened.findChild<QCheckBox *>(u"RobotsCheck"_s)->isChecked());
    QVERIFY(!opened.HasUnsavedEdits());
}

void PublishingTabTest::brokenSettingsFileIsAWarningAndTheProjectStillOpens()
{
    const QString path = Folder.Path(u"broken.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(Folder.Read(u"broken.zarvik.json"_s).isEmpty());
    Folder.Write(u"broken.zarvik.json"_s, "{\"sitemap\": true, \"robots\": 1}");

    TSiteProject opened(F->Fakes.Services);
    opened.LoadProjectFile(path);
    QCOMPARE(F->Messages(),
             QStringList{u"Файл настроек \""_s + Folder.Path(u"broken.zarvik.json"_s) +
                         u"\" повреждён, строка 1: значение robots должно быть true или false. "
                         u"Настройки публикации выключены"_s});
    QCOMPARE(F->Fakes.Prompter.Messages.front().Kind, MessageKind::Warning);
    QVERIFY(!opened.findChild<QCheckBox *>(u"SitemapCheck"_s)->isChecked());
    QVERIFY(!opened.HasUnsavedEdits());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::PublishingTabTest)
#include "PublishingTabTest.moc"
