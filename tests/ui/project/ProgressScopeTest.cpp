#include "ui/project/ProgressScope.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"
#include "tests/support/ScriptedPrompter.h"

#include <QGuiApplication>
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
    void busyScopesNestOnTheirOwnCounter();
    void reportsOfTheCallbackDriveTheDialogAfterTheCountersDelay();

private:
    TBusyCounter FBusy;
    std::unique_ptr<QWidget> FParent;
    std::unique_ptr<TSiteGenerator> FGenerator;
    TScriptedPrompter FPrompter;
};

void ProgressScopeTest::quickWorkShowsNothing()
{
    {
        TProgressScope scope(FParent.get(), FBusy, *FGenerator, u"Распределение ссылок..."_s, 3'600'000);
        FGenerator->SetLinks(FPrompter);
        QVERIFY(!scope.Shown());
    }
    // The scope has gone: a later run must not report into it.
    FGenerator->SetLinks(FPrompter);
    QVERIFY(FGenerator->LinksWasSetted());
}

void ProgressScopeTest::longWorkFollowsTheEngineReports()
{
    TProgressScope scope(FParent.get(), FBusy, *FGenerator, u"Распределение ссылок..."_s, 0);
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

void ProgressScopeTest::busyScopesNestOnTheirOwnCounter()
{
    const TBusyCounter other;
    {
        const TBusyScope outer(FBusy);
        {
            const TProgressScope inner(FParent.get(), FBusy, *FGenerator, u"Выгрузка сайта..."_s, 3'600'000);
            QVERIFY(FBusy.Active());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        // The inner scope's end leaves the outer work under way, and the pointer busy.
        QVERIFY(FBusy.Active());
        QVERIFY(QGuiApplication::overrideCursor());
        QVERIFY(!other.Active());
    }
    QVERIFY(!FBusy.Active());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void ProgressScopeTest::reportsOfTheCallbackDriveTheDialogAfterTheCountersDelay()
{
    TBusyCounter busy;
    QCOMPARE(busy.ProgressDelayMs(), 500);
    {
        // With the usual delay a quick operation shows nothing, while the counter is busy.
        TProgressScope scope(FParent.get(), busy, u"Проверка проекта..."_s);
        const auto report = scope.Callback();
        report(0, 4);
        report(2, 4);
        QVERIFY(!scope.Shown());
        QVERIFY(busy.Active());
    }
    QVERIFY(!busy.Active());

    // The counter's shorter delay wins over a long one asked for.
    busy.SetProgressDelayMs(0);
    TProgressScope scope(FParent.get(), busy, u"Открытие проекта..."_s, 3'600'000);
    const auto report = scope.Callback();
    report(0, 4);
    QVERIFY(scope.Shown());
    QProgressDialog *dialog = scope.Dialog();
    QCOMPARE(dialog->labelText(), u"Открытие проекта..."_s);
    QCOMPARE(dialog->maximum(), 4);
    QCOMPARE(dialog->value(), 0);
    // The same step again keeps the dialog where it stands; the end shows it full.
    report(0, 4);
    report(3, 4);
    QCOMPARE(dialog->value(), 3);
    report(4, 4);
    QCOMPARE(dialog->value(), 4);
    // The generator's own callback is not touched by a scope without a generator.
    QVERIFY(!FGenerator->LinksWasSetted());
    FGenerator->SetLinks(FPrompter);
    QCOMPARE(dialog->value(), 4);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProgressScopeTest)
#include "ProgressScopeTest.moc"
