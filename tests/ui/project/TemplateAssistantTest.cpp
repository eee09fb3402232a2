#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/TextsTab.h"

#include <QTabWidget>

namespace zarvik::test {

using namespace Qt::StringLiterals;

// The template editor's help with placeholders: completion after the prefix, remarks on slips
// and on a missing or repeated main text placeholder.
class TemplateAssistantTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TProjectFixture>();
        Editor = &F->Find<TSourceEditor>(u"SynEdit2"_s);
        F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet4"_s));
    }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void slipsAndTheMainTextAreRemarkedOn();
    void thePrefixOffersTheSevenNames();

private:
    std::unique_ptr<TProjectFixture> F;
    TSourceEditor *Editor = nullptr;
};

void TemplateAssistantTest::slipsAndTheMainTextAreRemarkedOn()
{
    // The default template has every placeholder once: nothing to say.
    QTest::qWait(400);
    for (int line = 0; line < Editor->LineCount(); ++line)
        QCOMPARE(Editor->NoteAt(line), QString());

    Editor->SetText("<title>SiteGeneratorChange.Titel</title>\r\n<p>SiteGeneratorChange.Sidebar</p>\r\n"
                    "<div>sitegeneratorchange.menu</div>");
    // Typing reports the edit; the remarks follow a moment later.
    Editor->InsertInLine(3, 1, " ");
    QTRY_VERIFY(!Editor->NoteAt(0).isEmpty());
    QVERIFY(Editor->NoteAt(0).contains(u"может быть, SiteGeneratorChange.Title?"_s));
    QVERIFY(Editor->NoteAt(0).contains(u"нет SiteGeneratorChange.MainText"_s));
    QCOMPARE(Editor->NoteAt(1), u"не заполнитель: такого нет среди семи"_s);
    QCOMPARE(Editor->NoteAt(2), u"может быть, SiteGeneratorChange.Menu?"_s);

    Editor->SetText("SiteGeneratorChange.MainText\r\nSiteGeneratorChange.MainText");
    Editor->InsertInLine(1, 1, " ");
    QTRY_VERIFY(!Editor->NoteAt(1).isEmpty());
    QVERIFY(Editor->NoteAt(1).contains(u"ещё раз"_s));
    QCOMPARE(Editor->NoteAt(0), QString());
}

void TemplateAssistantTest::thePrefixOffersTheSevenNames()
{
    Editor->SetText("<p>SiteGeneratorChange.</p>");
    Editor->SetCaret(1, 24);
    QVERIFY(Editor->OfferCompletion());
    Editor->CompleteWith(u"Pagination"_s);
    QCOMPARE(Editor->Text(), std::string("<p>SiteGeneratorChange.Pagination</p>"));
    // Elsewhere nothing is offered.
    Editor->SetCaret(1, 3);
    QVERIFY(!Editor->OfferCompletion());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::TemplateAssistantTest)
#include "TemplateAssistantTest.moc"
