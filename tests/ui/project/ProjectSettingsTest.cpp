#include "tests/ui/project/ProjectFixture.h"

#include <QPushButton>
#include <QTabWidget>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProjectSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void newWindowHoldsTheInitialSettings();
    void statusBarShowsTheNameOnlyAtTheNextRefresh();
    void leavingAnyFieldPushesAndMarksChanged();
    void lengthFieldsReportInvalidNumbers_data();
    void lengthFieldsReportInvalidNumbers();
    void invalidNumberIsReportedAgainAtEveryPush();
    void linkLimitReachesTheGeneratorOnlyThroughAPush();
    void linkLimitZeroOrInvalidSwitchesTheBoxOff();
    void commandFromTheLimitFieldPushesTwiceWhenTheBoxGoesOff();
    void forcedBreakBoxActsAtOnce();
    void folderButtonPushesEvenWhenCancelled();
    void pullFillsEveryControlAndPushesNothing();

private:
    std::unique_ptr<TProjectFixture> F;
};

void ProjectSettingsTest::newWindowHoldsTheInitialSettings()
{
    QCOMPARE(F->Window->windowTitle(), u"Проект"_s);
    QCOMPARE(F->Panel(0), u"Проект"_s);
    QCOMPARE(F->Panel(1), u"Страниц: 0"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 0"_s);
    QCOMPARE(F->Panel(3), u"Min: 4000"_s);
    QCOMPARE(F->Panel(4), u"Max: 5000"_s);

    auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
    QStringList captions;
    for (int i = 0; i < tabs.count(); ++i)
        captions << tabs.tabText(i);
    QCOMPARE(captions, (QStringList{u"Настройки"_s, u"Шаблон сайта"_s, u"CSS Стиль"_s, u"Рекламный блок"_s,
                                    u"Управление страницами"_s, u"Линки"_s, u"Публикация"_s}));
    QCOMPARE(tabs.currentWidget()->objectName(), u"TabSheet1"_s);

    QVERIFY(F->Find<QLineEdit>(u"Edit4"_s).isReadOnly());
    QVERIFY(F->Find<QLineEdit>(u"LabeledEdit1"_s).isEnabled());
    QVERIFY(!F->Find<QLineEdit>(u"LabeledEdit2"_s).isEnabled());
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit2"_s).text(), u"3"_s);
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit4"_s).text(), u"Раздел"_s);

    // The creation pushed the controls, not the editors.
    const TSiteGenerator &g = F->Window->Generator();
    QCOMPARE(g.MinCharsPerPage(), 4000);
    QCOMPARE(g.MaxCharsPerPage(), 5000);
    QCOMPARE(g.MaxLinksPerPage(), 0);
    QVERIFY(g.UseDigg());
    QCOMPARE(g.DiggValue(), std::string("!-next_page-!"));
    QCOMPARE(g.MenuWord(), Ru("Раздел"));
    QCOMPARE(g.SiteTitle(), std::string());
    QVERIFY(g.Changed());
    QVERIFY(g.SiteTemplate().empty());
    QVERIFY(g.CssCode().empty());
    QVERIFY(g.AdsenseCode().empty());
    QVERIFY(F->Fakes.Prompter.Messages.empty());
}

void ProjectSettingsTest::statusBarShowsTheNameOnlyAtTheNextRefresh()
{
    F->Window->SetProjectName(u"Untitled0"_s);
    QCOMPARE(F->Window->ProjectName(), u"Untitled0"_s);
    QCOMPARE(F->Window->windowTitle(), u"Untitled0"_s);
    QCOMPARE(F->Panel(0), u"Проект"_s);
    F->Leave(u"Edit1"_s);
    QCOMPARE(F->Panel(0), u"Untitled0"_s);
}

void ProjectSettingsTest::leavingAnyFieldPushesAndMarksChanged()
{
    TSiteGenerator &g = F->Window->Generator();
    F->TypeInto(u"Edit1"_s, u"Мой сайт"_s);
    QCOMPARE(g.SiteTitle(), Ru("Мой сайт"));
    F->TypeInto(u"LabeledEdit4"_s, u"Глава"_s);
    QCOMPARE(g.MenuWord(), Ru("Глава"));
    F->TypeInto(u"LabeledEdit1"_s, u"<cut>"_s);
    QCOMPARE(g.DiggValue(), std::string("<cut>"));
    F->TypeInto(u"Edit3"_s, u"-7"_s);
    QCOMPARE(g.MaxCharsPerPage(), -7);
    QCOMPARE(F->Panel(4), u"Max: -7"_s);

    // A push marks the project changed even when nothing differs.
    for (const QString &name : {u"Edit1"_s, u"LabeledEdit4"_s, u"LabeledEdit1"_s, u"Edit2"_s, u"Edit3"_s}) {
        g.SetChanged(false);
        F->Leave(name);
        QVERIFY2(g.Changed(), qPrintable(name));
    }
    // The link-limit field is disabled until its box is checked; leaving it pushes as well.
    F->Find<QCheckBox>(u"CheckBox2"_s).setFocus(Qt::TabFocusReason);
    QTest::keyClick(&F->Find<QCheckBox>(u"CheckBox2"_s), Qt::Key_Space);
    g.SetChanged(false);
    F->Leave(u"LabeledEdit2"_s);
    QVERIFY(g.Changed());
    QCOMPARE(g.MaxLinksPerPage(), 3);
    QVERIFY(F->Fakes.Prompter.Messages.empty());
}

void ProjectSettingsTest::lengthFieldsReportInvalidNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << u"abc"_s << 4000 << u"'abc' is not a valid integer value"_s;
    QTest::newRow("empty") << QString() << 4000 << u"'' is not a valid integer value"_s;
    QTest::newRow("leading blank") << u" 250"_s << 250 << QString();
    QTest::newRow("trailing blank") << u"250 "_s << 4000 << u"'250 ' is not a valid integer value"_s;
    QTest::newRow("Cyrillic") << u"сто"_s << 4000 << u"'сто' is not a valid integer value"_s;
}

void ProjectSettingsTest::lengthFieldsReportInvalidNumbers()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, message);
    F->TypeInto(u"Edit2"_s, typed);
    QCOMPARE(F->Window->Generator().MinCharsPerPage(), stored);
    QCOMPARE(F->Panel(3), u"Min: "_s + QString::number(stored));
    QCOMPARE(F->Find<QLineEdit>(u"Edit2"_s).text(), typed);
    if (message.isEmpty()) {
        QVERIFY(F->Fakes.Prompter.Messages.empty());
    } else {
        QCOMPARE(F->Messages(), QStringList{message});
        QCOMPARE(F->Fakes.Prompter.Messages.front().Kind, MessageKind::Error);
        QCOMPARE(F->Fakes.Prompter.Messages.front().ButtonSet, Buttons::Ok);
    }
}

void ProjectSettingsTest::invalidNumberIsReportedAgainAtEveryPush()
{
    F->TypeInto(u"Edit3"_s, u"1x"_s);
    F->Leave(u"Edit1"_s);
    F->Window->PushSettings();
    QCOMPARE(F->Messages(), QStringList(3, u"'1x' is not a valid integer value"_s));
    QCOMPARE(F->Window->Generator().MaxCharsPerPage(), 5000);
    F->TypeInto(u"Edit3"_s, u"6000"_s);
    QCOMPARE(F->Fakes.Prompter.Messages.size(), std::size_t(3));
    QCOMPARE(F->Panel(4), u"Max: 6000"_s);
}

void ProjectSettingsTest::linkLimitReachesTheGeneratorOnlyThroughAPush()
{
    auto &box = F->Find<QCheckBox>(u"CheckBox2"_s);
    auto &field = F->Find<QLineEdit>(u"LabeledEdit2"_s);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(box.isChecked());
    QVERIFY(field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);

    F->TypeInto(u"LabeledEdit2"_s, u"5"_s);
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 5);

    // Unchecking pushes: the limit is off at once.
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(!field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);
    QCOMPARE(field.text(), u"5"_s);
}

void ProjectSettingsTest::linkLimitZeroOrInvalidSwitchesTheBoxOff()
{
    auto &box = F->Find<QCheckBox>(u"CheckBox2"_s);
    auto &field = F->Find<QLineEdit>(u"LabeledEdit2"_s);
    const auto check = [&] {
        box.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&box, Qt::Key_Space);
    };

    check();
    F->TypeInto(u"LabeledEdit2"_s, u"0"_s);
    QVERIFY(!box.isChecked());
    QVERIFY(!field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);

    check();
    F->TypeInto(u"LabeledEdit2"_s, u"x"_s);
    // One box only: the push that unchecking starts no longer reads the field.
    QCOMPARE(F->Messages(), QStringList{u"'x' is not a valid integer value"_s});
    QCOMPARE(field.text(), u"0"_s);
    QVERIFY(!box.isChecked());
    QVERIFY(!field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);

    // Zero written differently is a limit of 0 that leaves the box on.
    check();
    F->TypeInto(u"LabeledEdit2"_s, u"00"_s);
    QVERIFY(box.isChecked());
    QVERIFY(field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);
    QCOMPARE(F->Fakes.Prompter.Messages.size(), std::size_t(1));
}

void ProjectSettingsTest::commandFromTheLimitFieldPushesTwiceWhenTheBoxGoesOff()
{
    // The minimum field's error box counts the pushes.
    auto &box = F->Find<QCheckBox>(u"CheckBox2"_s);
    auto &field = F->Find<QLineEdit>(u"LabeledEdit2"_s);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    field.setFocus(Qt::TabFocusReason);
    field.setText(u"0"_s);
    F->Find<QLineEdit>(u"Edit2"_s).setText(u"abc"_s);
    QVERIFY(F->Fakes.Prompter.Messages.empty());

    F->Action(u"LinksGener"_s).trigger();
    QCOMPARE(F->Messages().count(u"'abc' is not a valid integer value"_s), 2);
    QVERIFY(!box.isChecked());
    QVERIFY(!field.isEnabled());
    QCOMPARE(F->Window->Generator().MaxLinksPerPage(), 0);
}

void ProjectSettingsTest::forcedBreakBoxActsAtOnce()
{
    auto &box = F->Find<QCheckBox>(u"CheckBox1"_s);
    TSiteGenerator &g = F->Window->Generator();
    g.SetChanged(false);
    box.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(!g.UseDigg());
    QVERIFY(g.Changed());
    QVERIFY(!F->Find<QLineEdit>(u"LabeledEdit1"_s).isEnabled());
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(g.UseDigg());
    QVERIFY(F->Find<QLineEdit>(u"LabeledEdit1"_s).isEnabled());
}

void ProjectSettingsTest::folderButtonPushesEvenWhenCancelled()
{
    TSiteGenerator &g = F->Window->Generator();
    auto &button = F->Find<QPushButton>(u"Button2"_s);
    F->Fakes.Dialogs.FolderAnswers.push_back(u"/tmp/сайт"_s);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(F->Find<QLineEdit>(u"Edit4"_s).text(), u"/tmp/сайт"_s);
    QCOMPARE(g.SavePath(), Ru("/tmp/сайт"));

    g.SetChanged(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(F->Find<QLineEdit>(u"Edit4"_s).text(), u"/tmp/сайт"_s);
    QCOMPARE(g.SavePath(), Ru("/tmp/сайт"));
    QVERIFY(g.Changed());
    QCOMPARE(F->Fakes.Dialogs.Calls.size(), std::size_t(2));
    QCOMPARE(F->Fakes.Dialogs.Calls.back().Kind, u"folder"_s);
}

void ProjectSettingsTest::pullFillsEveryControlAndPushesNothing()
{
    TSiteGenerator &g = F->Window->Generator();
    g.SetMinCharsPerPage(10);
    g.SetMaxCharsPerPage(20);
    g.SetMenuWord(Ru("Часть"));
    g.SetUseDigg(false);
    g.SetDiggValue("##");
    g.SetMaxLinksPerPage(2);
    g.SetSiteTitle("Title");
    g.SetSavePath("/out");
    g.SetSiteTemplate("<p>\r\nSiteGeneratorChange.MainText\r\n");
    g.SetAdsenseCode("ad");
    g.SetCssCode("");
    g.SetSiteUrlsToLink({"http://a/ a", "http://b/ b"});
    g.CreateNewPage("index", "text");
    g.SetChanged(false);

    F->Window->PullSettings();
    QCOMPARE(F->Find<QLineEdit>(u"Edit2"_s).text(), u"10"_s);
    QCOMPARE(F->Find<QLineEdit>(u"Edit3"_s).text(), u"20"_s);
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit4"_s).text(), u"Часть"_s);
    QVERIFY(!F->Find<QCheckBox>(u"CheckBox1"_s).isChecked());
    QVERIFY(!F->Find<QLineEdit>(u"LabeledEdit1"_s).isEnabled());
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit1"_s).text(), u"##"_s);
    QVERIFY(F->Find<QCheckBox>(u"CheckBox2"_s).isChecked());
    QVERIFY(F->Find<QLineEdit>(u"LabeledEdit2"_s).isEnabled());
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit2"_s).text(), u"2"_s);
    QCOMPARE(F->Find<QLineEdit>(u"Edit1"_s).text(), u"Title"_s);
    QCOMPARE(F->Find<QLineEdit>(u"Edit4"_s).text(), u"/out"_s);
    QCOMPARE(F->Panel(1), u"Страниц: 1"_s);
    QCOMPARE(F->Panel(2), u"Ссылок: 2"_s);
    QCOMPARE(F->Panel(3), u"Min: 10"_s);
    QCOMPARE(F->Panel(4), u"Max: 20"_s);
    QVERIFY(!g.Changed());
    QCOMPARE(g.MaxLinksPerPage(), 2);

    // A text ending in a line break comes back from the next push without it.
    F->Window->PushEditors();
    QCOMPARE(g.SiteTemplate(), std::string("<p>\r\nSiteGeneratorChange.MainText"));
    QCOMPARE(g.AdsenseCode(), std::string("ad"));
    QCOMPARE(g.CssCode(), std::string());
    QCOMPARE(g.SiteUrlsToLink(), (TStringList{"http://a/ a", "http://b/ b"}));

    // A limit of 0 shows the box off and the field disabled.
    g.SetMaxLinksPerPage(0);
    F->Window->PullSettings();
    QVERIFY(!F->Find<QCheckBox>(u"CheckBox2"_s).isChecked());
    QVERIFY(!F->Find<QLineEdit>(u"LabeledEdit2"_s).isEnabled());
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit2"_s).text(), u"0"_s);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectSettingsTest)
#include "ProjectSettingsTest.moc"
