#include "tests/ui/project/ProjectFixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

// The narrowest a control can be laid out without cutting its text.
int SmallestWidth(const QWidget &control)
{
    return std::min(control.minimumSizeHint().width(), control.maximumWidth());
}

const QStringList SettingsControls{u"Edit1"_s,        u"Edit4"_s,        u"Button2"_s, u"LabeledEdit4"_s,
                                   u"CheckBox1"_s,    u"LabeledEdit1"_s, u"Edit2"_s,   u"Edit3"_s,
                                   u"LabeledEdit2"_s, u"CheckBox2"_s};

} // namespace

class ProjectLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void opensAtItsOwnSize();
    void statusPanelsStartAtTheLeftEdgeInOrder();
    void settingsFitTheWindowWithoutScrolling();
    void aSmallWindowScrollsItsSettingsInsteadOfCuttingThem();

private:
    std::unique_ptr<TProjectFixture> F;
};

void ProjectLayoutTest::opensAtItsOwnSize()
{
    QCOMPARE(F->Window->size(), QSize(695, 517));
    // Its smallest size is far below it, so a small frame can hold it whole.
    const QSize smallest = F->Window->minimumSizeHint();
    QVERIFY2(smallest.width() <= 400 && smallest.height() <= 300,
             qPrintable(u"%1x%2"_s.arg(smallest.width()).arg(smallest.height())));
}

void ProjectLayoutTest::statusPanelsStartAtTheLeftEdgeInOrder()
{
    auto &bar = F->Find<QStatusBar>(u"StatusBar1"_s);
    const int widths[5] = {200, 100, 100, 100, 100};
    for (const int windowWidth : {695, 1100}) {
        F->Window->resize(windowWidth, 517);
        QTest::qWait(0);
        int left = -1;
        for (int i = 0; i < 5; ++i) {
            const auto &panel = F->Find<QLabel>(u"StatusPanel"_s + QString::number(i));
            const QRect at(panel.mapTo(&bar, QPoint(0, 0)), panel.size());
            QCOMPARE(at.width(), widths[i]);
            if (i == 0)
                QVERIFY2(at.left() <= 4, qPrintable(QString::number(at.left())));
            else
                QCOMPARE(at.left(), left);
            left = at.left() + at.width();
        }
    }
    QCOMPARE(F->Find<QLabel>(u"StatusPanel0"_s).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(F->Find<QLabel>(u"StatusPanel4"_s).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

void ProjectLayoutTest::settingsFitTheWindowWithoutScrolling()
{
    auto &tab = F->Find<QScrollArea>(u"TabSheet1"_s);
    QTest::qWait(0);
    QVERIFY(!tab.horizontalScrollBar()->isVisible());
    QVERIFY(!tab.verticalScrollBar()->isVisible());
    const QRect visible = tab.viewport()->rect();
    for (const QString &name : SettingsControls) {
        auto &control = F->Find<QWidget>(name);
        const QRect at(control.mapTo(tab.viewport(), QPoint(0, 0)), control.size());
        QVERIFY2(visible.contains(at), qPrintable(name));
        QVERIFY2(control.width() >= SmallestWidth(control), qPrintable(name));
    }
    // The long captions keep their words, on more lines where needed.
    QCOMPARE(F->Find<QLabel>(u"Label4"_s).text(), u"Комбинация символов принудительного разрыва"_s);
    QVERIFY(F->Find<QLabel>(u"Label4"_s).wordWrap());
}

void ProjectLayoutTest::aSmallWindowScrollsItsSettingsInsteadOfCuttingThem()
{
    F->Window->resize(320, 240);
    QTest::qWait(0);
    QCOMPARE(F->Window->size(), QSize(320, 240));
    auto &tab = F->Find<QScrollArea>(u"TabSheet1"_s);
    QVERIFY(tab.verticalScrollBar()->maximum() > 0);
    for (const QString &name : SettingsControls) {
        auto &control = F->Find<QWidget>(name);
        QVERIFY2(control.width() >= SmallestWidth(control), qPrintable(name));
        // Scrolling reaches the whole control.
        const QRect at(control.mapTo(tab.widget(), QPoint(0, 0)), control.size());
        QVERIFY2(at.bottom() < tab.verticalScrollBar()->maximum() + tab.viewport()->height(),
                 qPrintable(name));
        QVERIFY2(at.right() < tab.horizontalScrollBar()->maximum() + tab.viewport()->width(),
                 qPrintable(name));
    }
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectLayoutTest)
#include "ProjectLayoutTest.moc"
