// The main window's chrome on a real (offscreen) frameless window, with monitors the test sets.

#include "kivora/app/MainWindowChrome.h"
#include "kivora/app/MainLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kivora::app;

namespace {

// A frameless window with its frame and a record of what the frame told its owner.
struct Harness {
    explicit Harness(std::vector<MainWindowChrome::Monitor> screens, double sx = 1.0, double sy = 1.0)
        : monitors(std::move(screens))
    {
        MainWindowChrome::Hooks hooks;
        hooks.relayout = [this] { ++relayouts; };
        hooks.scaleChanged = [this](double x, double y) { stored.push_back({ x, y }); };
        hooks.uiScaleChanged = [this](double s) { uiScales.push_back(s); };
        hooks.stateChanged = [this](const WindowChromeState::Actions& a) { actions.push_back(a); };
        hooks.chromeInputBlocked = [this] { return blocked; };
        hooks.moveEnded = [this] { ++moveEnds; };
        frame = new MainWindowChrome(&window, 1.0, sx, sy, std::move(hooks), [this] { return monitors; });
        window.setGeometry(QRect(QPoint(100, 100), scaledWindowSize(1.0, sx, sy)));
        window.show();
        QApplication::processEvents();
        relayouts = 0;
    }

    // Waits out timer 106 (half the double-click time).
    void settle()
    {
        QElapsedTimer t;
        t.start();
        const int before = moveEnds;
        while (moveEnds == before && t.elapsed() < 3000)
            QTest::qWait(20);
    }

    QPoint local(QPoint global) const { return window.mapFromGlobal(global); }

    std::vector<MainWindowChrome::Monitor> monitors;
    QWidget window;
    MainWindowChrome* frame = nullptr; // owned by the window
    int relayouts = 0;
    int moveEnds = 0;
    bool blocked = false;
    std::vector<std::pair<double, double>> stored;
    std::vector<double> uiScales;
    std::vector<WindowChromeState::Actions> actions;
};

const std::vector<MainWindowChrome::Monitor> kTwoMonitors {
    { QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040), 96.0 },
    { QRect(1920, 0, 2560, 1440), QRect(1920, 0, 2560, 1400), 96.0 },
};

} // namespace

// Mouse events on the window: the corner drag resizes the window live in whole steps, and the
// settled resize stores the factors.
TEST(MainWindowChrome, CornerDragResizesInWholeStepsAndStoresTheFactors)
{
    Harness h(kTwoMonitors);
    const QPoint corner(1219, 796); // bottom-right pixel on the screen
    QTest::mousePress(&h.window, Qt::LeftButton, {}, h.local(corner));
    QTest::qWait(100);
    QTest::mouseMove(&h.window, h.local(corner + QPoint(1200, 50)));
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 2240, 697)); // live, on its step
    QTest::qWait(100);
    QTest::mouseMove(&h.window, h.local(corner + QPoint(1300, 720)));
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 2240, 1394));
    QTest::mouseRelease(&h.window, Qt::LeftButton, {}, h.local(corner + QPoint(1119, 720)));
    EXPECT_TRUE(h.frame->isDragging());
    h.settle();
    EXPECT_FALSE(h.frame->isDragging());
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 1120, 1394)); // released short of the next step
    ASSERT_EQ(h.stored.size(), 1u);
    EXPECT_EQ(h.stored[0], std::make_pair(1.0, 2.0));
    EXPECT_EQ(h.frame->normalRect(), h.window.geometry());
    EXPECT_GE(h.relayouts, 1);
}

TEST(MainWindowChrome, BorderClickWithoutAMoveKeepsTheSize)
{
    Harness h(kTwoMonitors, 2.0, 2.0);
    ASSERT_EQ(h.window.geometry(), QRect(100, 100, 2240, 1394));
    // Pressed a few pixels inside the right border: the edge must not jump to the cursor and lose a
    // step.
    h.frame->pressAt({ 2336, 600 });
    h.frame->releaseAt({ 2336, 600 });
    h.settle();
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 2240, 1394));
    EXPECT_EQ(h.stored.back(), std::make_pair(2.0, 2.0));
}

TEST(MainWindowChrome, DragsAreRefusedWhileAWorkerRuns)
{
    Harness h(kTwoMonitors);
    h.blocked = true;
    h.frame->pressAt({ 1219, 796 });
    h.frame->releaseAt({ 2600, 1600 });
    EXPECT_FALSE(h.frame->isDragging());
    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, QPoint(500, 10)); // caption
    EXPECT_FALSE(h.frame->isMaximised());
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 1120, 697));
}

TEST(MainWindowChrome, CaptionDoubleClickTogglesMaximise)
{
    Harness h(kTwoMonitors);
    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, QPoint(500, 10));
    EXPECT_TRUE(h.frame->isMaximised());
    EXPECT_EQ(h.window.geometry(), QRect(0, 0, 1920, 1040));
    ASSERT_FALSE(h.actions.empty());
    EXPECT_EQ(h.actions.back().infoPanelFactor, 1.08);
    EXPECT_GE(h.relayouts, 1);
    // The zone test treats the whole top strip as caption now, even over the old border.
    EXPECT_EQ(h.frame->zoneAt({ 2, 2 }), kZoneCaption);

    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, QPoint(900, 10));
    EXPECT_FALSE(h.frame->isMaximised());
    EXPECT_EQ(h.window.geometry(), QRect(100, 100, 1120, 697));
    EXPECT_EQ(h.actions.back().infoPanelFactor, 1.0);

    // A double click on the window's own client area restores a maximised window too.
    h.frame->maximise();
    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, QPoint(900, 400));
    EXPECT_FALSE(h.frame->isMaximised());
}

TEST(MainWindowChrome, CaptionDragMovesAndASettledMoveKeepsTheCaptionOnScreen)
{
    Harness h(kTwoMonitors);
    QTest::mousePress(&h.window, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseMove(&h.window, QPoint(302, 12)); // within int(4s): no move yet
    EXPECT_EQ(h.window.pos(), QPoint(100, 100));
    QTest::mouseMove(&h.window, QPoint(340, 60));
    QTest::mouseMove(&h.window, h.window.mapFromGlobal(QPoint(400 + 5000, 110 + 30)));
    QTest::mouseRelease(&h.window, Qt::LeftButton, {}, h.window.mapFromGlobal(QPoint(400 + 5000, 110 + 30)));
    // It followed the cursor from where the move began, off every monitor.
    EXPECT_EQ(h.window.pos(), QPoint(100, 100) + QPoint(5400, 140) - QPoint(440, 160));
    h.settle();
    // Brought back into the monitor nearest its top-left corner.
    EXPECT_EQ(h.window.geometry(), QRect(1920 + 2560 - 1120, 80, 1120, 697));
    EXPECT_EQ(h.frame->normalRect(), h.window.geometry());

    // Dragging the caption of a maximised window restores it under the cursor first.
    h.window.move(100, 100);
    h.frame->maximise();
    ASSERT_EQ(h.window.geometry(), QRect(0, 0, 1920, 1040));
    h.frame->pressAt({ 960, 10 });
    h.frame->moveTo({ 1000, 40 });
    EXPECT_FALSE(h.frame->isMaximised());
    EXPECT_EQ(h.window.size(), QSize(1120, 697));
    EXPECT_TRUE(h.window.geometry().contains(QPoint(1000, 40)));
    h.frame->releaseAt({ 1000, 40 });
}

TEST(MainWindowChrome, CursorFollowsTheZone)
{
    Harness h(kTwoMonitors);
    const std::pair<QPoint, Qt::CursorShape> cases[] = {
        { { 1117, 300 }, Qt::SizeHorCursor },
        { { 500, 2 }, Qt::SizeVerCursor },
        { { 1, 1 }, Qt::SizeFDiagCursor },
        { { 1118, 695 }, Qt::SizeFDiagCursor },
        { { 2, 695 }, Qt::SizeBDiagCursor },
        { { 500, 300 }, Qt::ArrowCursor },
        { { 500, 10 }, Qt::ArrowCursor },
    };
    for (const auto& [at, shape] : cases) {
        QTest::mouseMove(&h.window, at);
        EXPECT_EQ(h.window.cursor().shape(), shape) << at.x() << "," << at.y();
    }
    h.blocked = true;
    QTest::mouseMove(&h.window, QPoint(1117, 300));
    EXPECT_EQ(h.window.cursor().shape(), Qt::ArrowCursor);
}

TEST(MainWindowChrome, FullScreenCoversTheMonitorOfTheTopLeftCornerAndComesBack)
{
    Harness h(kTwoMonitors);
    h.window.move(1800, 200); // top-left on the first monitor, most of it on the second
    QApplication::processEvents();
    EXPECT_EQ(h.frame->enterFullScreen(), QRect(0, 0, 1920, 1080));
    EXPECT_TRUE(h.frame->isFullScreen());
    EXPECT_TRUE(h.window.windowState().testFlag(Qt::WindowFullScreen));
    // No frame gestures in full screen.
    h.frame->doubleClickAt({ 500, 10 });
    EXPECT_FALSE(h.frame->isMaximised());
    h.frame->leaveFullScreen();
    EXPECT_FALSE(h.frame->isFullScreen());
    EXPECT_EQ(h.window.geometry(), QRect(1800, 200, 1120, 697));

    // A maximised window returns to its work area.
    h.frame->maximise();
    h.frame->enterFullScreen();
    h.frame->leaveFullScreen();
    EXPECT_TRUE(h.frame->isMaximised());
    EXPECT_EQ(h.window.geometry(), QRect(0, 0, 1920, 1040));
}

TEST(MainWindowChrome, AdaptsTheScaleToALowerWorkArea)
{
    Harness h(kTwoMonitors, 1.0, 1.0);
    h.frame->adaptToMonitor(); // first sight of the monitor: the scale stays 1
    EXPECT_TRUE(h.uiScales.empty());

    h.monitors[0].workArea = QRect(0, 0, 1920, 600); // a tall panel appeared
    h.frame->adaptToMonitor();
    ASSERT_EQ(h.uiScales.size(), 1u);
    EXPECT_DOUBLE_EQ(h.frame->uiScale(), 600.0 / 697.0);
    EXPECT_EQ(h.window.size(), designSize(h.frame->uiScale()));
    EXPECT_LE(h.window.height(), 600);
    EXPECT_EQ(h.window.minimumSize(), designSize(h.frame->uiScale()));

    h.frame->adaptToMonitor(); // same work area again: nothing
    EXPECT_EQ(h.uiScales.size(), 1u);

    h.monitors[0].workArea = QRect(0, 0, 1920, 1040);
    h.frame->adaptToMonitor();
    EXPECT_DOUBLE_EQ(h.frame->uiScale(), 1.0);
    EXPECT_EQ(h.window.size(), QSize(1120, 697));
}

TEST(MainWindowChrome, MinimiseAndRestoreTellTheOwner)
{
    Harness h(kTwoMonitors);
    h.frame->maximise();
    h.frame->minimiseByButton();
    EXPECT_TRUE(h.frame->isMinimised());
    EXPECT_TRUE(h.frame->minimisedByButton());
    EXPECT_TRUE(h.actions.back().minimiseCompanions);
    h.window.showNormal();
    QApplication::processEvents();
    EXPECT_FALSE(h.frame->isMinimised());
    EXPECT_TRUE(h.frame->isMaximised()); // it was maximised before
    EXPECT_TRUE(h.actions.back().restoreCompanions);
}

TEST(MainWindowChrome, SeparateWindowGoesBesideTheVideoOnlyOnOneMonitor)
{
    Harness h(kTwoMonitors);
    const std::optional<MainLayout> layout = MainLayout::compute(h.window.size(), 1.0);
    ASSERT_TRUE(layout);
    EXPECT_EQ(h.frame->separateWindowPlace(*layout), QPoint(100 + 662, 100 + 288));
    h.window.move(1500, 100); // the video spans both monitors
    EXPECT_EQ(h.frame->separateWindowPlace(*layout), std::nullopt);
}

// A start size larger than the work area (a small screen, or stored factors from a larger one)
// starts maximised; one that fits starts at its size.
TEST(MainWindowChrome, StartsMaximisedWhenTheStartSizeDoesNotFit)
{
    struct Case {
        QRect screen;
        QRect work;
        double sx;
        bool maximised;
    };
    const Case cases[] = {
        { QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040), 1.0, false },
        { QRect(0, 0, 800, 600), QRect(0, 0, 800, 570), 1.0, true },
        { QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040), 1.8, true },
    };
    for (const Case& c : cases) {
        QWidget window;
        const std::vector<MainWindowChrome::Monitor> screens { { c.screen, c.work, 96.0 } };
        auto* chrome = new MainWindowChrome(
            &window, MainWindowChrome::uiScaleFor(screens[0]), c.sx, 1.0, {}, [&] { return screens; });
        chrome->applyInitialGeometry();
        EXPECT_EQ(chrome->isMaximised(), c.maximised) << c.work.width() << " sx " << c.sx;
        if (c.maximised)
            EXPECT_EQ(window.geometry(), c.work) << c.work.width();
        else
            EXPECT_TRUE(c.work.contains(window.geometry())) << c.work.width();
    }
}
