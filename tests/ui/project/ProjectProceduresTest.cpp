#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace zarvik::test {

using namespace Qt::StringLiterals;

namespace {

const QString Content = u"Помидоры любят тёплую почву и солнечную погоду.\r\n\r\nПоливайте их каждый день."
                        u"!-next_page-!Огурцы растут быстро, если теплица закрыта.!-next_page-!"
                        u"Морковь сеют весной прямо в открытый грунт, рядами."_s;

} // namespace

class ProjectProceduresTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void distributionReportsTheLinkLimitFirst();
    void exportUsesWhatTheEditorsShow();

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

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectProceduresTest)
#include "ProjectProceduresTest.moc"
