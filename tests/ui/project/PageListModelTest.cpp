#include "ui/project/PageListModel.h"

#include "engine/EXSiteGenerator.h"
#include "tests/support/Ru.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class PageListModelTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FGenerator = std::make_unique<TSiteGenerator>();
        FModel = std::make_unique<TPageListModel>(FGenerator->Pages());
        FTester = std::make_unique<QAbstractItemModelTester>(
            FModel.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        FTester.reset();
        FModel.reset();
        FGenerator.reset();
    }

    void rowsAreThePagesAsLastListed();
    void appendedPagesBecomeRowsAtTheEnd();
    void aRowWhosePageWentOrMovedStandsForNothing();
    void editingARowSetsTheUrlAndReportsOnlyARename();
    void rowsDragAsMovesOfTheirNumbers();

private:
    QStringList Rows() const
    {
        QStringList rows;
        for (int row = 0; row < FModel->rowCount(); ++row)
            rows << FModel->index(row, 0).data().toString();
        return rows;
    }
    void AddPages(int count)
    {
        for (int i = 0; i < count; ++i)
            FGenerator->CreateNewPage(FGenerator->NewPageTitle(FGenerator->Pages().Count()), "");
    }

    std::unique_ptr<TSiteGenerator> FGenerator;
    std::unique_ptr<TPageListModel> FModel;
    std::unique_ptr<QAbstractItemModelTester> FTester;
};

void PageListModelTest::rowsAreThePagesAsLastListed()
{
    AddPages(3);
    // Pages made behind the model's back are no rows until it lists them.
    QCOMPARE(FModel->rowCount(), 0);
    FModel->Reset();
    QCOMPARE(Rows(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s}));
    const TSitePages &pages = FGenerator->Pages();
    for (int row = 0; row < 3; ++row)
        QCOMPARE(FModel->PageAt(FModel->index(row, 0)), &pages[row]);
    QCOMPARE(FModel->PageAt(QModelIndex()), nullptr);
    QCOMPARE(FModel->rowCount(FModel->index(0, 0)), 0);

    // An index of another model never finds a page here.
    TPageListModel other(FGenerator->Pages());
    other.Reset();
    QCOMPARE(FModel->PageAt(other.index(0, 0)), nullptr);

    FGenerator->Pages().Clear();
    FModel->Reset();
    QCOMPARE(FModel->rowCount(), 0);
}

void PageListModelTest::appendedPagesBecomeRowsAtTheEnd()
{
    AddPages(2);
    FModel->Reset();
    QSignalSpy inserted(FModel.get(), &QAbstractItemModel::rowsInserted);
    AddPages(2);
    FModel->ListAppendedPages();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0][1].toInt(), 2);
    QCOMPARE(inserted[0][2].toInt(), 3);
    QCOMPARE(Rows(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"page3.html"_s}));
    QCOMPARE(FModel->PageAt(FModel->index(3, 0)), &FGenerator->Pages()[3]);

    // Nothing new, nothing inserted.
    FModel->ListAppendedPages();
    QCOMPARE(inserted.size(), 1);
}

void PageListModelTest::aRowWhosePageWentOrMovedStandsForNothing()
{
    AddPages(4);
    FModel->Reset();
    TSitePages &pages = FGenerator->Pages();
    TSitePage &last = pages[3];

    // The third page goes: its row and the rows after it no longer match their pages, the rows
    // before it still do.
    pages.Delete(2);
    QCOMPARE(FModel->rowCount(), 4);
    QCOMPARE(FModel->PageAt(FModel->index(1, 0)), &pages[1]);
    QCOMPARE(FModel->PageAt(FModel->index(2, 0)), nullptr);
    QCOMPARE(FModel->PageAt(FModel->index(3, 0)), nullptr);
    QVERIFY(!FModel->index(3, 0).data().isValid());
    QVERIFY(!FModel->setData(FModel->index(2, 0), u"x.html"_s));
    QCOMPARE(last.PageUrl(), std::string("page3.html"));

    // A move is caught the same way.
    FModel->Reset();
    pages.Move(0, 1);
    QCOMPARE(FModel->PageAt(FModel->index(0, 0)), nullptr);
    QCOMPARE(FModel->PageAt(FModel->index(1, 0)), nullptr);
    QCOMPARE(FModel->PageAt(FModel->index(2, 0)), &last);
    FModel->Reset();
    QCOMPARE(Rows(), (QStringList{u"page1.html"_s, u"index.html"_s, u"page3.html"_s}));
}

void PageListModelTest::editingARowSetsTheUrlAndReportsOnlyARename()
{
    AddPages(2);
    FModel->Reset();
    QSignalSpy renamed(FModel.get(), &TPageListModel::UrlEdited);
    QSignalSpy changed(FModel.get(), &QAbstractItemModel::dataChanged);
    const QModelIndex second = FModel->index(1, 0);
    const std::string title = FGenerator->Pages()[1].PageTitle();

    QVERIFY(FModel->setData(second, u"о нас.html"_s));
    QCOMPARE(FGenerator->Pages()[1].PageUrl(), Ru("о нас.html"));
    QCOMPARE(FGenerator->Pages()[1].PageTitle(), title);
    QCOMPARE(second.data(Qt::EditRole).toString(), u"о нас.html"_s);
    QCOMPARE(renamed.size(), 1);
    QCOMPARE(renamed[0][0].toModelIndex(), second);
    QCOMPARE(changed.size(), 1);

    // The same URL again is written but is no rename; other roles are refused.
    QVERIFY(FModel->setData(second, u"о нас.html"_s));
    QCOMPARE(renamed.size(), 1);
    QVERIFY(!FModel->setData(second, u"y.html"_s, Qt::ToolTipRole));
    QCOMPARE(FGenerator->Pages()[1].PageUrl(), Ru("о нас.html"));

    QVERIFY(FModel->flags(second) & Qt::ItemIsEditable);
    QVERIFY(FModel->flags(second) & Qt::ItemIsDragEnabled);
    QVERIFY(FModel->flags(QModelIndex()) & Qt::ItemIsDropEnabled);
    QVERIFY(!(FModel->flags(QModelIndex()) & Qt::ItemIsDragEnabled));
}

void PageListModelTest::rowsDragAsMovesOfTheirNumbers()
{
    AddPages(3);
    FModel->Reset();
    QCOMPARE(FModel->supportedDragActions(), Qt::MoveAction);
    QCOMPARE(FModel->supportedDropActions(), Qt::MoveAction);
    const std::unique_ptr<QMimeData> data(FModel->mimeData({FModel->index(2, 0), FModel->index(0, 0)}));
    QVERIFY(data);
    QCOMPARE(FModel->mimeTypes(), QStringList{u"application/x-zarvik-page-rows"_s});
    QCOMPARE(data->data(u"application/x-zarvik-page-rows"_s), QByteArray("2 0"));
    // The view accepts the drag only because the model takes what it gives.
    QVERIFY(FModel->canDropMimeData(data.get(), Qt::MoveAction, -1, -1, QModelIndex()));
    QVERIFY(!FModel->canDropMimeData(data.get(), Qt::CopyAction, -1, -1, QModelIndex()));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::PageListModelTest)
#include "PageListModelTest.moc"
