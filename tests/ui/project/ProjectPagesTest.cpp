#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTreeView>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProjectPagesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TProjectFixture>();
        Tree = &F->Find<QTreeView>(u"TreeView1"_s);
        Title = &F->Find<QLineEdit>(u"LabeledEdit5"_s);
        Text = &F->Find<TSourceEditor>(u"SynEdit1"_s);
    }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void newPagesAreNamedByTheirIndex();
    void newPageUsesTheMenuWordLastPushed();
    void showingTheTabListsThePagesByUrl();
    void deleteRemovesExactlyTheSelectedPages();
    void dropMovesThePageBeforeOrAfterTheTarget();
    void dropBelowTheLastNodeMovesNothing();
    void renamingANodeSetsOnlyTheUrl();
    void editorsFollowTheCurrentPage();
    void editorsAreEmptyAndDisabledWithoutAPage();
    void acceptedContentBecomesPages();
    void cancelledContentStillShowsThePages();
    void bothColumnsReadAtTheWindowsUsualSize();

private:
    void ShowPagesTab()
    {
        F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet6"_s));
    }
    void AddPages(int count)
    {
        for (int i = 0; i < count; ++i)
            F->Action(u"newpage"_s).trigger();
    }
    QStringList Nodes() const
    {
        QStringList out;
        for (int i = 0; i < Tree->model()->rowCount(); ++i)
            out << Node(i).data().toString();
        return out;
    }
    QModelIndex Node(int row) const { return Tree->model()->index(row, 0); }
    QStringList Titles() const
    {
        QStringList out;
        const TSitePages &pages = F->Window->Generator().Pages();
        for (int i = 0; i < pages.Count(); ++i)
            out << ToQString(pages[i].PageTitle());
        return out;
    }
    void Select(std::initializer_list<int> rows)
    {
        Tree->clearSelection();
        for (int row : rows)
            Tree->selectionModel()->select(Node(row), QItemSelectionModel::Select);
    }
    // Clicks a node, as the user does to select it or to start dragging it.
    void Click(int row)
    {
        QTest::mouseClick(Tree->viewport(), Qt::LeftButton, {}, Tree->visualRect(Node(row)).center());
    }

    std::unique_ptr<TProjectFixture> F;
    QTreeView *Tree = nullptr;
    QLineEdit *Title = nullptr;
    TSourceEditor *Text = nullptr;
};

void ProjectPagesTest::newPagesAreNamedByTheirIndex()
{
    F->Window->Generator().SetChanged(false);
    AddPages(3);
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s}));
    QCOMPARE(Titles(), (QStringList{u"index"_s, u"Раздел 1"_s, u"Раздел 2"_s}));
    QCOMPARE(F->Panel(1), u"Страниц: 3"_s);
    QVERIFY(!Tree->currentIndex().isValid());
    QCOMPARE(F->Find<QTabWidget>(u"PageControl1"_s).currentWidget()->objectName(), u"TabSheet1"_s);
    QVERIFY(!F->Window->Generator().Changed());

    // The URL follows the page count, so a deletion can make two pages share one.
    ShowPagesTab();
    Select({1});
    F->Action(u"DeletePages"_s).trigger();
    AddPages(1);
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page2.html"_s, u"page2.html"_s}));
    QCOMPARE(Titles().last(), u"Раздел 2"_s);
}

void ProjectPagesTest::newPageUsesTheMenuWordLastPushed()
{
    AddPages(1);
    auto &word = F->Find<QLineEdit>(u"LabeledEdit4"_s);
    word.setText(u"Глава"_s);
    AddPages(1);
    QCOMPARE(Titles().last(), u"Раздел 1"_s);
    F->Leave(u"LabeledEdit4"_s);
    AddPages(1);
    QCOMPARE(Titles().last(), u"Глава 2"_s);
}

void ProjectPagesTest::showingTheTabListsThePagesByUrl()
{
    TSiteGenerator &g = F->Window->Generator();
    g.CreateNewPage("index", "a");
    g.CreateNewPage("two", "b");
    QCOMPARE(Tree->model()->rowCount(), 0);
    ShowPagesTab();
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s}));
    QVERIFY(!Tree->currentIndex().isValid());
    QCOMPARE(Tree->accessibleName(), u"Страницы сайта"_s);
}

void ProjectPagesTest::deleteRemovesExactlyTheSelectedPages()
{
    AddPages(5);
    ShowPagesTab();
    Select({0, 2});
    F->Action(u"DeletePages"_s).trigger();
    QCOMPARE(Nodes(), (QStringList{u"page1.html"_s, u"page3.html"_s, u"page4.html"_s}));
    QCOMPARE(Titles(), (QStringList{u"Раздел 1"_s, u"Раздел 3"_s, u"Раздел 4"_s}));
    QCOMPARE(F->Panel(1), u"Страниц: 3"_s);

    // The selection order does not matter either.
    Tree->clearSelection();
    Tree->selectionModel()->select(Node(2), QItemSelectionModel::Select);
    Tree->selectionModel()->select(Node(0), QItemSelectionModel::Select);
    F->Action(u"DeletePages"_s).trigger();
    QCOMPARE(Nodes(), (QStringList{u"page3.html"_s}));

    Tree->clearSelection();
    F->Action(u"DeletePages"_s).trigger();
    QCOMPARE(Nodes(), (QStringList{u"page3.html"_s}));
}

void ProjectPagesTest::dropMovesThePageBeforeOrAfterTheTarget()
{
    AddPages(4);
    ShowPagesTab();
    Click(0);
    F->Window->TreeView1DragDrop(Node(2));
    QCOMPARE(Nodes(), (QStringList{u"page1.html"_s, u"page2.html"_s, u"index.html"_s, u"page3.html"_s}));
    QCOMPARE(Titles(), (QStringList{u"Раздел 1"_s, u"Раздел 2"_s, u"index"_s, u"Раздел 3"_s}));

    // Back to 1, 2, 3, 4, then the fourth onto the second.
    Click(2);
    F->Window->TreeView1DragDrop(Node(0));
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"page3.html"_s}));
    Click(3);
    F->Window->TreeView1DragDrop(Node(1));
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page3.html"_s, u"page1.html"_s, u"page2.html"_s}));

    Click(1);
    F->Window->TreeView1DragDrop(Node(1));
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page3.html"_s, u"page1.html"_s, u"page2.html"_s}));
}

void ProjectPagesTest::dropBelowTheLastNodeMovesNothing()
{
    AddPages(3);
    ShowPagesTab();
    Click(0);
    F->Window->TreeView1DragDrop(QModelIndex());
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s}));
    QCOMPARE(F->Window->Generator().Pages().Count(), 3);
}

void ProjectPagesTest::renamingANodeSetsOnlyTheUrl()
{
    AddPages(2);
    ShowPagesTab();
    Click(1);
    QTest::keyClick(Tree, Qt::Key_F2);
    auto *editor = Tree->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, u"about.html"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    const TSitePage &page = F->Window->Generator().Pages()[1];
    // The view commits an in-place edit through a queued call.
    QTRY_COMPARE(page.PageUrl(), std::string("about.html"));
    QCOMPARE(page.PageTitle(), Ru("Раздел 1"));
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"about.html"_s}));

    // A cancelled edit changes nothing.
    QTest::keyClick(Tree, Qt::Key_F2);
    editor = Tree->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    QTest::keyClicks(editor, u"zzz"_s);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTRY_VERIFY(!Tree->viewport()->findChild<QLineEdit *>() ||
                !Tree->viewport()->findChild<QLineEdit *>()->isVisible());
    QCOMPARE(page.PageUrl(), std::string("about.html"));
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"about.html"_s}));
}

void ProjectPagesTest::editorsFollowTheCurrentPage()
{
    TSiteGenerator &g = F->Window->Generator();
    g.CreateNewPage("index", "first\r\ntext");
    g.CreateNewPage(Ru("Второй"), "second");
    ShowPagesTab();
    g.SetChanged(false);

    Click(0);
    QCOMPARE(Title->text(), u"index"_s);
    QCOMPARE(Text->Text(), std::string("first\r\ntext"));

    Title->setFocus();
    Title->selectAll();
    F->Type(Title, u"Главная"_s);
    QCOMPARE(g.Pages()[0].PageTitle(), Ru("Главная"));

    Text->setFocus();
    QTest::keyClick(Text->focusProxy(), Qt::Key_End);
    F->Type(Text->focusProxy(), u"!"_s);
    QCOMPARE(g.Pages()[0].PageText(), std::string("first!\r\ntext"));

    // The keyboard selects as a click does; the other page keeps its own data.
    Tree->setFocus();
    QTest::keyClick(Tree, Qt::Key_Down);
    QCOMPARE(Title->text(), u"Второй"_s);
    QCOMPARE(Text->Text(), std::string("second"));
    QCOMPARE(g.Pages()[1].PageText(), std::string("second"));
    QTest::keyClick(Tree, Qt::Key_Up);
    QCOMPARE(Title->text(), u"Главная"_s);
    QCOMPARE(Text->Text(), std::string("first!\r\ntext"));

    // Page edits do not mark the project changed.
    QVERIFY(!g.Changed());
}

void ProjectPagesTest::editorsAreEmptyAndDisabledWithoutAPage()
{
    AddPages(3);
    ShowPagesTab();
    QVERIFY(!Title->isEnabled());
    QVERIFY(!Text->isEnabled());
    Click(1);
    QVERIFY(Title->isEnabled());
    QVERIFY(Text->isEnabled());
    QCOMPARE(Title->text(), u"Раздел 1"_s);

    // After the shown page is deleted nothing can be typed into it any more.
    F->Action(u"DeletePages"_s).trigger();
    QVERIFY(!Title->isEnabled());
    QVERIFY(!Text->isEnabled());
    QCOMPARE(Title->text(), QString());
    QCOMPARE(Text->Text(), std::string());
    QCOMPARE(Titles(), (QStringList{u"index"_s, u"Раздел 2"_s}));
}

void ProjectPagesTest::acceptedContentBecomesPages()
{
    F->Fakes.ContentAdd.Answers.push_back({true, "first!-next_page-!second!-next_page-!third"});
    F->Action(u"AddContent"_s).trigger();
    QCOMPARE(F->Fakes.ContentAdd.Prepared, &F->Window->Generator());
    QCOMPARE(F->Find<QTabWidget>(u"PageControl1"_s).currentWidget()->objectName(), u"TabSheet6"_s);
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s}));
    QCOMPARE(F->Panel(1), u"Страниц: 3"_s);
    Click(2);
    QCOMPARE(Text->Text(), std::string("third"));
}

void ProjectPagesTest::cancelledContentStillShowsThePages()
{
    F->Window->Generator().CreateNewPage("index", "");
    F->Fakes.ContentAdd.Answers.push_back({false, "ignored"});
    F->Action(u"AddContent"_s).trigger();
    QCOMPARE(F->Fakes.ContentAdd.Executions, 1);
    QCOMPARE(F->Find<QTabWidget>(u"PageControl1"_s).currentWidget()->objectName(), u"TabSheet6"_s);
    QCOMPARE(Nodes(), QStringList{u"index.html"_s});
    QCOMPARE(F->Panel(1), u"Страниц: 1"_s);
    QCOMPARE(F->Window->Generator().Pages().Count(), 1);
}

void ProjectPagesTest::bothColumnsReadAtTheWindowsUsualSize()
{
    // A project window's usual size inside the frame.
    F->Window->resize(695, 517);
    ShowPagesTab();
    AddPages(30);
    QHeaderView &header = *Tree->header();
    const QFontMetrics metrics = Tree->fontMetrics();
    // A heading shows whole when its section has room for it between the style's margins, and
    // a cell's text when the cell has room for it and the focus frame's margins.
    const int headingMargins = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    const int cellMargins = 2 * (Tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Tree) + 1);
    const auto shownWhole = [&](int row, int column) {
        const QModelIndex cell = Tree->model()->index(row, column);
        const QRect rect = Tree->visualRect(cell);
        return rect.left() >= 0 && rect.right() < Tree->viewport()->width() &&
               rect.width() >= metrics.horizontalAdvance(cell.data().toString()) + cellMargins;
    };
    const auto titleHeadingWhole = [&] {
        return header.sectionSize(1) >=
               header.fontMetrics().horizontalAdvance(u"Заголовок"_s) + headingMargins;
    };
    const auto verifyReadable = [&](int row) {
        QVERIFY(titleHeadingWhole());
        QVERIFY(header.sectionSize(0) + header.sectionSize(1) <= Tree->viewport()->width());
        QVERIFY2(shownWhole(row, 0), qPrintable(Tree->model()->index(row, 0).data().toString()));
        QVERIFY2(shownWhole(row, 1), qPrintable(Tree->model()->index(row, 1).data().toString()));
    };

    Tree->scrollToBottom();
    verifyReadable(29);
    QCOMPARE(Tree->model()->index(29, 1).data().toString(), u"Раздел 29"_s);

    // A URL too long for the tree leaves the titles their room.
    QVERIFY(Tree->model()->setData(Node(29), u"a-page-address-far-too-long-for-the-list.html"_s));
    QVERIFY(titleHeadingWhole());
    QVERIFY(header.sectionSize(0) + header.sectionSize(1) <= Tree->viewport()->width());
    QVERIFY(!shownWhole(29, 0));
    // Once it is renamed back, the column fits it again.
    QVERIFY(Tree->model()->setData(Node(29), u"page29.html"_s));
    verifyReadable(29);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectPagesTest)
#include "ProjectPagesTest.moc"
