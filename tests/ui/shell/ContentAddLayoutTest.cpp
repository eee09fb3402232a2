#include "engine/EXSiteGenerator.h"
#include "engine/SplitPreview.h"
#include "tests/ui/support/Fakes.h"
#include "ui/editor/SourceEditor.h"
#include "ui/shell/PContentAddForm.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

// The content dialog's split preview after a change of encoding, and the encoding note's room.
class ContentAddLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(FDir.isValid());
        FGenerator = std::make_unique<TSiteGenerator>();
        FGenerator->SetDiggValue("!-next_page-!");
        FGenerator->SetMinCharsPerPage(40);
        FGenerator->SetMaxCharsPerPage(60);
        FForm = std::make_unique<TContentAddForm>(FFakes.Errors, FFakes.Dialogs);
        FForm->Prepare(*FGenerator);
        FForm->resize(640, 480);
        FForm->show();
    }
    void cleanup() { FForm.reset(); }

    void previewFollowsAChangeOfEncoding();
    void encodingNoteWrapsUnderTheEditorAndLeavesItHalfTheDialog();
    void previewColumnsFitAsFarAsTheScreenAllows();

private:
    // A Windows-1251 file of Cyrillic sentences.
    QString Cp1251File(const QString &name, int sentences)
    {
        const QString path = QDir(FDir.path()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        // "Огурцы любят тепло и воду. " in Windows-1251.
        const QByteArray sentence("\xCE\xE3\xF3\xF0\xF6\xFB \xEB\xFE\xE1\xFF\xF2 \xF2\xE5\xEF\xEB\xEE "
                                  "\xE8 \xE2\xEE\xE4\xF3. ");
        for (int i = 0; i < sentences; ++i)
            file.write(sentence);
        return path;
    }
    void ChooseEncoding(const QString &caption)
    {
        auto *box = FForm->findChild<QComboBox *>(u"EncodingBox"_s);
        QVERIFY(box);
        const int index = box->findText(caption);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QTemporaryDir FDir;
    TFakeServices FFakes;
    std::unique_ptr<TSiteGenerator> FGenerator;
    std::unique_ptr<TContentAddForm> FForm;
};

void ContentAddLayoutTest::previewFollowsAChangeOfEncoding()
{
    const QString file = Cp1251File(u"ogurcy.txt"_s, 8);
    QVERIFY(!file.isEmpty());
    ChooseEncoding(u"Windows-1251"_s);
    FForm->FileOpen1Accept({file});
    FForm->SetPreviewShown(true);
    const std::size_t before = FForm->PreviewPages().size();
    QCOMPARE(before, PreviewContent(*FGenerator, FForm->Text()).size());

    // Read as UTF-16, each two letters become one character the code page lacks, written as a
    // longer reference: another text, other pages, shown at once.
    ChooseEncoding(u"UTF-16"_s);
    const std::vector<TPreviewPage> expected = PreviewContent(*FGenerator, FForm->Text());
    QVERIFY(expected.size() != before);
    QCOMPARE(FForm->PreviewPages().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        QCOMPARE(FForm->PreviewPages()[i].Piece.Length, expected[i].Piece.Length);

    // And back.
    ChooseEncoding(u"Windows-1251"_s);
    QCOMPARE(FForm->PreviewPages().size(), before);
}

void ContentAddLayoutTest::encodingNoteWrapsUnderTheEditorAndLeavesItHalfTheDialog()
{
    auto *note = FForm->findChild<QLabel *>(u"EncodingLabel"_s);
    QVERIFY(note);
    QVERIFY(!note->isVisible());
    QStringList files;
    for (int i = 0; i < 30; ++i)
        files << Cp1251File(u"a-rather-long-file-name-number-%1.txt"_s.arg(i), 1);
    FForm->FileOpen1Accept(files);
    QTest::qWait(20);
    QVERIFY(note->isVisible());
    QVERIFY(note->wordWrap());
    const QWidget &editor = FForm->Editor();
    const QRect editorRect(editor.mapTo(FForm.get(), QPoint()), editor.size());
    const QRect noteRect(note->mapTo(FForm.get(), QPoint()), note->size());
    // Under the editor, as wide as it.
    QVERIFY(noteRect.top() >= editorRect.bottom());
    QVERIFY(noteRect.width() >= editorRect.width());
    QVERIFY2(editor.height() >= FForm->height() / 2,
             qPrintable(u"editor %1 of %2"_s.arg(editor.height()).arg(FForm->height())));
    // All of it is in the tool tip.
    QVERIFY(note->toolTip().contains(u"a-rather-long-file-name-number-29.txt"_s));
}

void ContentAddLayoutTest::previewColumnsFitAsFarAsTheScreenAllows()
{
    const QRect available = FForm->screen()->availableGeometry();
    // Near the screen's right edge, so that a wider dialog has to move left to stay on it.
    FForm->move(available.right() - FForm->frameGeometry().width() - 20, available.top() + 40);
    const QString file = Cp1251File(u"ogurcy.txt"_s, 12);
    ChooseEncoding(u"Windows-1251"_s);
    FForm->FileOpen1Accept({file});
    FForm->SetPreviewShown(true);
    QTest::qWait(20);

    auto *list = FForm->findChild<QTreeWidget *>(u"PreviewList"_s);
    auto *splitter = FForm->findChild<QSplitter *>(u"Splitter"_s);
    QVERIFY(list && splitter);
    QVERIFY(list->topLevelItemCount() > 1);
    QCOMPARE(list->topLevelItem(0)->text(3), u"конец предложения"_s);
    const auto columnsShown = [list] { return list->header()->length() <= list->viewport()->width(); };
    const auto verifyLayout = [&] {
        QVERIFY2(available.contains(FForm->frameGeometry()),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(FForm->frameGeometry().x())
                                .arg(FForm->frameGeometry().y())
                                .arg(FForm->frameGeometry().width())
                                .arg(FForm->frameGeometry().height())));
        QVERIFY(2 * FForm->Editor().width() >= splitter->width() - splitter->handleWidth());
        // All the columns are in sight, or the dialog is as wide as the screen lets it be.
        QVERIFY2(columnsShown() || FForm->frameGeometry().width() == available.width(),
                 qPrintable(u"%1 in %2, dialog %3 of %4"_s.arg(list->header()->length())
                                .arg(list->viewport()->width())
                                .arg(FForm->frameGeometry().width())
                                .arg(available.width())));
    };
    verifyLayout();
    // On the usual desktops there is room for them all.
    if (available.width() >= 1280)
        QVERIFY(columnsShown());

    // A split the user moved stays as the text changes, as long as the columns need no more.
    const QList<int> moved{splitter->sizes()[0] - 10, splitter->sizes()[1] + 10};
    splitter->setSizes(moved);
    FForm->UpdatePreview();
    QCOMPARE(splitter->sizes(), moved);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ContentAddLayoutTest)
#include "ContentAddLayoutTest.moc"
