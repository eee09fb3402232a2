#include "ui/project/ProjectHistory.h"

#include "persistence/ProjectFileWriter.h"
#include "tests/ui/project/ProjectFixture.h"
#include "ui/editor/SourceEditor.h"
#include "ui/project/FindReplaceDialog.h"
#include "ui/project/GalleryDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class ProjectHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void pageOperationsUndoToTheSavedBytes();
    void replaceAllIsOneStepAndSkipsUntickedHits();
    void aGalleryTemplateReplacesBothEditorsUndoably();

private:
    std::string Saved() const
    {
        F->Window->PushEditors();
        return TProjectFileWriter(F->Window->Generator()).Text();
    }
    QStringList Nodes() const
    {
        auto &tree = F->Find<QTreeView>(u"TreeView1"_s);
        QStringList out;
        for (int i = 0; i < tree.model()->rowCount(); ++i)
            out << tree.model()->index(i, 0).data().toString();
        return out;
    }
    // Runs `work` on the modal dialog of the given class once it is shown.
    template <typename T> void OnModal(std::function<void(T &)> work)
    {
        QTimer::singleShot(0, this, [work] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            work(*dialog);
        });
    }

    std::unique_ptr<TProjectFixture> F;
};

void ProjectHistoryTest::pageOperationsUndoToTheSavedBytes()
{
    F->Find<QTabWidget>(u"PageControl1"_s).setCurrentWidget(&F->Find<QWidget>(u"TabSheet6"_s));
    for (int i = 0; i < 4; ++i)
        F->Action(u"newpage"_s).trigger();
    TTempFolder folder;
    F->Window->SaveProjectFile(folder.Path(u"p.sgp"_s));
    QVERIFY(!F->Window->HasUnsavedEdits());
    const std::string saved = Saved();
    QAction &undo = *F->Window->History().UndoAction();

    auto &tree = F->Find<QTreeView>(u"TreeView1"_s);
    tree.selectionModel()->select(tree.model()->index(1, 0), QItemSelectionModel::Select);
    tree.selectionModel()->select(tree.model()->index(3, 0), QItemSelectionModel::Select);
    F->Action(u"DeletePages"_s).trigger();
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page2.html"_s}));
    QVERIFY(F->Window->HasUnsavedEdits());
    QCOMPARE(undo.text(), u"Отменить: Удаление страниц"_s);
    const std::string deleted = Saved();

    // Renaming a node and moving a page, then taking all three back.
    tree.model()->setData(tree.model()->index(1, 0), u"two.html"_s);
    tree.setCurrentIndex(tree.model()->index(1, 0));
    F->Window->TreeView1DragDrop(tree.model()->index(0, 0));
    QCOMPARE(Nodes(), (QStringList{u"two.html"_s, u"index.html"_s}));
    F->Window->UndoProjectEdit();
    F->Window->UndoProjectEdit();
    QCOMPARE(Saved(), deleted);
    F->Window->UndoProjectEdit();
    QCOMPARE(Saved(), saved);
    QCOMPARE(Nodes(), (QStringList{u"index.html"_s, u"page1.html"_s, u"page2.html"_s, u"page3.html"_s}));
    QVERIFY(!F->Window->HasUnsavedEdits());
    // The pages created before the save can still be taken back.
    QCOMPARE(undo.text(), u"Отменить: Создание страницы"_s);

    F->Window->RedoProjectEdit();
    QCOMPARE(Saved(), deleted);
    QVERIFY(F->Window->HasUnsavedEdits());

    // Content added is one step too.
    F->Fakes.ContentAdd.Answers.push_back({true, "Some text for a new page."});
    F->Action(u"AddContent"_s).trigger();
    QCOMPARE(F->Window->Generator().Pages().Count(), 3);
    F->Window->UndoProjectEdit();
    QCOMPARE(Saved(), deleted);
}

void ProjectHistoryTest::replaceAllIsOneStepAndSkipsUntickedHits()
{
    TSiteGenerator &generator = F->Window->Generator();
    generator.CreateNewPage("index", Ru("Лед на реке. Гололед на дороге."));
    generator.CreateNewPage(Ru("Лед"), Ru("Тонкий лед.\r\nЛЕД весной."));
    F->Window->RebuildPageTree();
    const std::string before = Saved();

    OnModal<TFindReplaceDialog>([](TFindReplaceDialog &dialog) {
        dialog.findChild<QLineEdit *>(u"FindPattern"_s)->setText(u"лед"_s);
        dialog.findChild<QLineEdit *>(u"FindReplacement"_s)->setText(u"лёд"_s);
        dialog.findChild<QCheckBox *>(u"FindWholeWord"_s)->setChecked(true);
        dialog.findChild<QCheckBox *>(u"FindTitles"_s)->setChecked(true);
        dialog.Find();
        QCOMPARE(dialog.Hits().size(), 4u); // "Гололед" is no whole word
        QTreeWidget *results = dialog.Results();
        QCOMPARE(results->topLevelItemCount(), 2);
        // Untick the title's hit, which follows the page's text hits.
        QTreeWidgetItem *second = results->topLevelItem(1);
        QCOMPARE(second->childCount(), 3);
        QCOMPARE(second->child(2)->text(0), u"заголовок"_s);
        second->child(2)->setCheckState(0, Qt::Unchecked);
        // A picture of the dialog for a person to look at, where asked for.
        if (const QString shots = qEnvironmentVariable("ZARVIK_SHOT_DIR"); !shots.isEmpty())
            QVERIFY(dialog.grab().save(shots + u"/find-replace.png"_s));
        dialog.ReplaceTicked();
        QCOMPARE(dialog.Hits().size(), 1u); // the unticked one is left
        dialog.reject();
    });
    F->Window->FindReplaceExecute();

    QCOMPARE(generator.Pages()[0].PageText(), Ru("лёд на реке. Гололед на дороге."));
    QCOMPARE(generator.Pages()[1].PageTitle(), Ru("Лед"));
    QCOMPARE(generator.Pages()[1].PageText(), Ru("Тонкий лёд.\r\nлёд весной."));
    QCOMPARE(F->Window->History().UndoAction()->text(), u"Отменить: Замена"_s);
    F->Window->UndoProjectEdit();
    QCOMPARE(Saved(), before);
}

void ProjectHistoryTest::aGalleryTemplateReplacesBothEditorsUndoably()
{
    auto &templateEditor = F->Find<TSourceEditor>(u"SynEdit2"_s);
    auto &css = F->Find<TSourceEditor>(u"SynEdit3"_s);
    const std::string oldTemplate = templateEditor.Text();
    const std::string oldCss = css.Text();

    OnModal<TGalleryDialog>([](TGalleryDialog &dialog) {
        QVERIFY(dialog.List()->count() >= 4);
        dialog.List()->setCurrentRow(0);
        if (const QString shots = qEnvironmentVariable("ZARVIK_SHOT_DIR"); !shots.isEmpty())
            QVERIFY(dialog.grab().save(shots + u"/gallery.png"_s));
        dialog.accept();
    });
    F->Window->ChooseTemplateExecute();
    QVERIFY(templateEditor.Text() != oldTemplate);
    QVERIFY(templateEditor.Text().find("SiteGeneratorChange.MainText") != std::string::npos);
    QVERIFY(css.Text() != oldCss);
    QCOMPARE(F->Window->Generator().SiteTemplate(), templateEditor.Text());

    F->Window->UndoProjectEdit();
    QCOMPARE(templateEditor.Text(), oldTemplate);
    QCOMPARE(css.Text(), oldCss);
    F->Window->RedoProjectEdit();
    QCOMPARE(F->Window->Generator().SiteTemplate(), templateEditor.Text());
    QVERIFY(templateEditor.Text() != oldTemplate);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectHistoryTest)
#include "ProjectHistoryTest.moc"
