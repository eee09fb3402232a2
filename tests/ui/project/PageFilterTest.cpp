#include "app/ProjectCheck.h"
#include "engine/EXSiteGenerator.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/CheckDialog.h"
#include "ui/project/PageTree.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

// The page list of a big site: titles beside the URLs, a filter box, and the check's road to a
// page and to the pruning of stale ones.
class PageFilterTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TProjectFixture>();
        Tree = &F->Find<TPageTree>(u"TreeView1"_s);
        Filter = &F->Find<QLineEdit>(u"PageFilter"_s);
        F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet6"_s));
        // index, Раздел 1 .. Раздел 4; the third page retitled "Огурцы".
        for (int i = 0; i < 5; ++i)
            F->Action(u"newpage"_s).trigger();
        F->Window->Generator().Pages()[2].SetPageTitle(FromQString(u"Огурцы"_s));
    }
    void cleanup() { F.reset(); }

    void rowsShowTitleBesideUrl();
    void filterNarrowsByTitleOrUrlAsTheUserTypes();
    void hiddenRowsLeaveTheSelectionAndTreeBehaviourStays();
    void checkDialogLeadsToPagesAndToPruning();

private:
    // The URLs of the rows in view.
    QStringList Shown() const
    {
        QStringList urls;
        for (int row = 0; row < Tree->model()->rowCount(); ++row) {
            if (!Tree->isRowHidden(row, QModelIndex()))
                urls << Tree->model()->index(row, 0).data().toString();
        }
        return urls;
    }

    std::unique_ptr<TProjectFixture> F;
    TPageTree *Tree = nullptr;
    QLineEdit *Filter = nullptr;
};

void PageFilterTest::rowsShowTitleBesideUrl()
{
    const QAbstractItemModel *model = Tree->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), u"index.html"_s);
    QCOMPARE(model->index(0, 1).data().toString(), u"index"_s);
    QCOMPARE(model->index(1, 1).data().toString(), u"Раздел 1"_s);
    // The title column is not edited in place; the URL column is.
    QVERIFY(model->flags(model->index(1, 0)) & Qt::ItemIsEditable);
    QVERIFY(!(model->flags(model->index(1, 1)) & Qt::ItemIsEditable));

    // Retitling the selected page in its field shows at once in the list.
    Tree->setCurrentIndex(model->index(1, 0));
    F->Find<QLineEdit>(u"LabeledEdit5"_s).setText(u"Помидоры"_s);
    QCOMPARE(model->index(1, 1).data().toString(), u"Помидоры"_s);
}

void PageFilterTest::filterNarrowsByTitleOrUrlAsTheUserTypes()
{
    Filter->setFocus();
    // By title, in any letter case, narrowing with each key.
    TProjectFixture::Type(Filter, u"р"_s);
    QCOMPARE(Shown(), (QStringList{u"page1.html"_s, u"page2.html"_s, u"page3.html"_s, u"page4.html"_s}));
    TProjectFixture::Type(Filter, u"аздел 3"_s);
    QCOMPARE(Shown(), QStringList{u"page3.html"_s});
    Filter->setText(u"ОГУР"_s);
    QCOMPARE(Shown(), QStringList{u"page2.html"_s});
    // By URL.
    Filter->setText(u"INDEX"_s);
    QCOMPARE(Shown(), QStringList{u"index.html"_s});
    Filter->setText(u"нет такой"_s);
    QCOMPARE(Shown(), QStringList());
    // Emptied: every page again, and a new page that does not match stays out while filtered.
    Filter->clear();
    QCOMPARE(Shown().size(), 5);
    Filter->setText(u"page"_s);
    F->Action(u"newpage"_s).trigger();
    QCOMPARE(Shown().size(), 5);
    QVERIFY(Shown().contains(u"page5.html"_s));
    Filter->setText(u"index"_s);
    F->Action(u"newpage"_s).trigger();
    QCOMPARE(Shown(), QStringList{u"index.html"_s});
}

void PageFilterTest::hiddenRowsLeaveTheSelectionAndTreeBehaviourStays()
{
    const QAbstractItemModel *model = Tree->model();
    for (const int row : {1, 3})
        Tree->selectionModel()->select(model->index(row, 0), QItemSelectionModel::Select);
    Filter->setText(u"page1"_s);
    // Deleting now removes only what is still seen.
    F->Action(u"DeletePages"_s).trigger();
    QCOMPARE(F->Window->Generator().Pages().Count(), 4);
    QCOMPARE(ToQString(F->Window->Generator().Pages()[2].PageUrl()), u"page3.html"_s);
    // The rebuild keeps the filter.
    QCOMPARE(Shown(), QStringList());
    Filter->clear();

    // A rename in place still sets the URL, and a drag-drop move still moves the page.
    Tree->model()->setData(model->index(0, 0), u"start.html"_s);
    QCOMPARE(ToQString(F->Window->Generator().Pages()[0].PageUrl()), u"start.html"_s);
    Tree->setCurrentIndex(model->index(0, 0));
    F->Window->TreeView1DragDrop(model->index(2, 0));
    QCOMPARE(ToQString(F->Window->Generator().Pages()[2].PageUrl()), u"start.html"_s);
}

void PageFilterTest::checkDialogLeadsToPagesAndToPruning()
{
    TCheckResult result;
    result.Findings.push_back({TFindingKind::DuplicateUrl, 3, {}, FromQString(u"Адрес повторяется"_s), {}});
    result.Findings.push_back({TFindingKind::NoExportFolder, -1, {}, FromQString(u"Нет папки"_s), {}});
    {
        TCheckDialog dialog(result, F->Window.get());
        QVERIFY(!dialog.PruneStaleButton());
        QSignalSpy pages(&dialog, &TCheckDialog::PageRequested);
        emit dialog.List()->itemActivated(dialog.List()->item(1));
        QCOMPARE(pages.size(), 0);
        emit dialog.List()->itemActivated(dialog.List()->item(0));
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages.front().front().toInt(), 3);
    }
    result.Findings.push_back({TFindingKind::StalePage, -1, "old.html", FromQString(u"Устаревшая"_s), {}});
    TCheckDialog dialog(result, F->Window.get());
    QVERIFY(dialog.PruneStaleButton());
    QCOMPARE(dialog.PruneStaleButton()->text(), u"Удалить устаревшие страницы"_s);
    QSignalSpy prune(&dialog, &TCheckDialog::PruneStaleRequested);
    dialog.PruneStaleButton()->click();
    QCOMPARE(prune.size(), 1);

    // The window opens the page asked for, even when the filter hides it.
    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentIndex(0);
    Filter->setText(u"index"_s);
    F->Window->ShowPageAt(3);
    QCOMPARE(F->Find<QTabWidget>(u"PageControl1"_s).currentWidget(), &F->Find<QWidget>(u"TabSheet6"_s));
    QCOMPARE(Tree->currentIndex().row(), 3);
    QCOMPARE(F->Find<QLineEdit>(u"LabeledEdit5"_s).text(), u"Раздел 3"_s);
    QVERIFY(Filter->text().isEmpty());
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::PageFilterTest)
#include "PageFilterTest.moc"
