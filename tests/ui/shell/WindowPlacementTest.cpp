#include "ui/shell/WindowPlacement.h"

#include "tests/ui/support/FrameFixture.h"
#include "ui/project/FProject.h"
#include "ui/shell/MainFrame.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

// The run's screen has room for the frame at its own rect.
bool BigScreen()
{
    return QGuiApplication::primaryScreen()->availableGeometry().contains(TForm1::FrameRect);
}

} // namespace

// Runs twice: on the offscreen platform's own small screen, and on a big one.
class WindowPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void rectsAreMovedThenShrunk_data();
    void rectsAreMovedThenShrunk();
    void frameKeepsItsRectOrIsFittedToTheScreen();
    void projectWindowOpensAtItsSizeAndCanShrinkToTheArea();
    void cascadedProjectWindowsStayInsideTheArea();
};

void WindowPlacementTest::rectsAreMovedThenShrunk_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("fitted");
    const QRect frame(217, 210, 870, 640);
    QTest::newRow("room enough") << frame << QRect(0, 0, 1920, 1080) << frame;

    QTest::newRow("off the bottom: moved up") << frame << QRect(0, 0, 1280, 800) << QRect(217, 160, 870, 640);
    QTest::newRow("off the right: moved left")
        << frame << QRect(0, 0, 1000, 900) << QRect(130, 210, 870, 640);
    QTest::newRow("too big: shrunk at the corner") << frame << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);

    QTest::newRow("second screen") << frame << QRect(1280, 0, 1024, 768) << QRect(1280, 128, 870, 640);
}

void WindowPlacementTest::rectsAreMovedThenShrunk()
{
    QFETCH(QRect, wanted);
    QFETCH(QRect, area);
    QFETCH(QRect, fitted);
    QCOMPARE(FitIntoArea(wanted, area), fitted);
}

void WindowPlacementTest::frameKeepsItsRectOrIsFittedToTheScreen()
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    auto fixture = std::make_unique<TFrameFixture>();
    if (BigScreen()) {
        QCOMPARE(fixture->Form->frameGeometry().topLeft(), QPoint(217, 210));
        QCOMPARE(fixture->Form->size(), QSize(870, 640));
    } else {
        // Moved into the screen, and shrunk only where the screen is smaller than the frame,
        // its window frame included.
        const QRect placed = fixture->Form->frameGeometry();
        QVERIFY(available.contains(placed));
        const QSize margins = placed.size() - fixture->Form->size();
        QCOMPARE(placed.width(), std::min(870 + margins.width(), available.width()));
        QCOMPARE(placed.height(), std::min(640 + margins.height(), available.height()));
    }
    QVERIFY(CloseFixture(fixture));
}

void WindowPlacementTest::projectWindowOpensAtItsSizeAndCanShrinkToTheArea()
{
    auto fixture = std::make_unique<TFrameFixture>();
    TSiteProject *project = fixture->New();
    QVERIFY(project);
    QMdiSubWindow *sub = fixture->Form->SubWindowOf(project);
    const QSize area = fixture->Form->MdiArea()->viewport()->size();
    QCOMPARE(sub->size(), QSize(695, 517).boundedTo(area));
    // Whatever the area, the window's smallest size fits it, so nothing needs cutting off.
    const QSize smallest = sub->minimumSizeHint().expandedTo(sub->minimumSize());
    QVERIFY2(smallest.width() <= area.width() && smallest.height() <= area.height(),
             qPrintable(u"%1x%2 in %3x%4"_s.arg(smallest.width())
                            .arg(smallest.height())
                            .arg(area.width())
                            .arg(area.height())));
    QVERIFY(CloseFixture(fixture));
}

void WindowPlacementTest::cascadedProjectWindowsStayInsideTheArea()
{
    auto fixture = std::make_unique<TFrameFixture>();
    // The frame as a user leaves it: maximised on the screen, or at its own size.
    fixture->Form->showMaximized();
    QTest::qWait(50);
    for (int i = 0; i < 3; ++i) {
        TSiteProject *project = fixture->New();
        QVERIFY(project);
        QMdiSubWindow *sub = fixture->Form->SubWindowOf(project);
        const QRect area = fixture->Form->MdiArea()->viewport()->rect();
        QCOMPARE(sub->size(), QSize(695, 517).boundedTo(area.size()));
        QVERIFY2(area.contains(sub->geometry()), qPrintable(u"window %1: %2,%3 %4x%5 in %6x%7"_s.arg(i)
                                                                .arg(sub->x())
                                                                .arg(sub->y())
                                                                .arg(sub->width())
                                                                .arg(sub->height())
                                                                .arg(area.width())
                                                                .arg(area.height())));
    }
    // Pictures of the frame for a person to look at, where asked for.
    const QString shots = qEnvironmentVariable("ZARVIK_SHOT_DIR");
    if (!shots.isEmpty()) {
        const QSize screen = QGuiApplication::primaryScreen()->size();
        const QString name = u"%1/project-window-%2x%3-scale%4.png"_s.arg(shots)
                                 .arg(screen.width())
                                 .arg(screen.height())
                                 .arg(fixture->Form->devicePixelRatio());
        QVERIFY(fixture->Form->grab().save(name));
    }
    QVERIFY(CloseFixture(fixture));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::WindowPlacementTest)
#include "WindowPlacementTest.moc"
