#include "tests/ui/project/ProjectFixture.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

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

    void statusPanelsStartAtTheLeftEdgeInOrder();
    void settingsScrollRatherThanCutOff();

private:
    std::unique_ptr<TProjectFixture> F;
};

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
}

void ProjectLayoutTest::settingsScrollRatherThanCutOff()
{
    auto &tab = F->Find<QScrollArea>(u"TabSheet1"_s);
    // At its own size every setting shows without scrolling; in a small window the page scrolls,
    // and at either size no control is narrower than its text needs.
    for (const QSize size : {QSize(695, 517), QSize(320, 240)}) {
        F->Window->resize(size);
        QTest::qWait(0);
        QCOMPARE(F->Window->size(), size);
        const bool fits = size.width() == 695;
        QCOMPARE(tab.verticalScrollBar()->maximum() == 0 && tab.horizontalScrollBar()->maximum() == 0, fits);
        for (const QString &name : SettingsControls) {
            auto &control = F->Find<QWidget>(name);
            QVERIFY2(control.width() >= std::min(control.minimumSizeHint().width(), control.maximumWidth()),
                     qPrintable(name));
            const QRect at(control.mapTo(tab.widget(), QPoint(0, 0)), control.size());
            QVERIFY2(at.bottom() < tab.verticalScrollBar()->maximum() + tab.viewport()->height(),
                     qPrintable(name));
            QVERIFY2(at.right() < tab.horizontalScrollBar()->maximum() + tab.viewport()->width(),
                     qPrintable(name));
        }
    }
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::ProjectLayoutTest)
#include "ProjectLayoutTest.moc"
