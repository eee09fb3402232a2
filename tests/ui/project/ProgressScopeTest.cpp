#include "ui/project/ProgressScope.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <QProgressDialog>
#include <QTest>
#include <QWidget>

#include <memory>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProgressScopeTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FParent = std::make_unique<QWidget>();
        FGenerator = std::make_unique<TSiteGenerator>();
        for (int i = 0; i < 3; ++i)
            FGenerator->CreateNewPage("page", "Some words of sufficient length here.");
        FGenerator->SetSiteUrlsToLink({"a.html", "b.html", "c.html"});
        FPrompter = TScriptedPrompter();
    }
    void cleanup()
    {
        FGenerator.reset();
        FParent.reset();
    }

    void quickWorkShowsNothing();
    void longWorkFollowsTheEngineReports();

private:
    std::unique_ptr<QWidget> FParent;
    std::unique_ptr<TSiteGenerator> FGenerator;
    TScriptedPrompter FPrompter;
};

void ProgressScopeTest::quickWorkShowsNothing()
{
    {
        TProgressScope scope(FParent.get(), *FGenerator, u"Распределение ссылок..."_s, 3'600'000);
        FGenerator->SetLinks(FPrompter);
        QVERIFY(!scope.Shown());
    }
    // The scope has gone: a later run must not report into it.
    FGenerator->SetLinks(FPrompter);
    QVERIFY(FGenerator->LinksWasSetted());
}

void ProgressScopeTest::longWorkFollowsTheEngineReports()
{
    TProgressScope scope(FParent.get(), *FGenerator, u"Распределение ссылок..."_s, 0);
    FGenerator->SetLinks(FPrompter);
    QVERIFY(scope.Shown());
    QProgressDialog *dialog = scope.Dialog();
    QCOMPARE(dialog->labelText(), u"Распределение ссылок..."_s);
    QCOMPARE(dialog->maximum(), 3);
    QCOMPARE(dialog->value(), 3);
    QCOMPARE(dialog->parentWidget(), FParent.get());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    // The engine's own messages are untouched by the dialog.
    QCOMPARE(FPrompter.Texts().size(), std::size_t(1));
    QVERIFY(FPrompter.Texts().front().starts_with(Ru("Операция")));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProgressScopeTest)
#include "ProgressScopeTest.moc"
