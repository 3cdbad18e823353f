#include "kivora/app/MainLayout.h"
#include "kivora/app/WindowChrome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

using namespace kivora::app;

TEST(WindowChromeStateTest, ZonesInTheirOrder)
{
    const QRect window(100, 50, 1120, 697); // right edge 1220, bottom 747
    struct Case {
        QPoint p;
        bool maximised;
        int zone;
        SystemHit hit;
    };
    const Case cases[] = {
        { { 100, 50 }, false, kZoneTopLeft, SystemHit::Client },
        { { 105, 55 }, false, kZoneTopLeft, SystemHit::Client },
        { { 1219, 50 }, false, kZoneTopRight, SystemHit::Client },
        { { 600, 52 }, false, kZoneTop, SystemHit::Client },
        { { 100, 746 }, false, kZoneBottomLeft, SystemHit::Client },
        { { 1219, 746 }, false, kZoneBottomRight, SystemHit::Client },
        { { 100, 60 }, false, kZoneLeft, SystemHit::Client }, // left border beats the caption
        { { 1214, 400 }, false, kZoneRight, SystemHit::Client },
        { { 600, 741 }, false, kZoneBottom, SystemHit::Client },
        { { 106, 56 }, false, kZoneCaption, SystemHit::Caption },
        { { 600, 73 }, false, kZoneCaption, SystemHit::Caption },
        { { 600, 74 }, false, kZoneElsewhere, SystemHit::Client },
        { { 600, 707 }, false, kZoneToolbar, SystemHit::Client },
        { { 600, 706 }, false, kZoneElsewhere, SystemHit::Client },
        { { 600, 400 }, false, kZoneElsewhere, SystemHit::Client },
        { { 99, 400 }, false, kZoneElsewhere, SystemHit::Client },
        // Maximised: the whole top strip is caption to us and the window's own to the system.
        { { 100, 50 }, true, kZoneCaption, SystemHit::Client },
        { { 600, 60 }, true, kZoneCaption, SystemHit::Client },
        { { 1219, 746 }, true, kZoneBottomRight, SystemHit::Client },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frameZone(c.p, window, 1.0, c.maximised), c.zone) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(systemHitTest(c.p, window, 1.0, c.maximised), c.hit) << c.p.x() << "," << c.p.y();
    }
    // At 1.5 the borders are int(9) wide and the caption int(36) high.
    const QRect big(0, 0, 1680, 1045);
    EXPECT_EQ(frameZone({ 8, 500 }, big, 1.5, false), kZoneLeft);
    EXPECT_EQ(frameZone({ 9, 35 }, big, 1.5, false), kZoneCaption);
    EXPECT_EQ(frameZone({ 9, 36 }, big, 1.5, false), kZoneElsewhere);
    EXPECT_EQ(frameZone({ 500, 1045 - 60 }, big, 1.5, false), kZoneToolbar); // int(57) + int(3)

    const std::tuple<int, int, Qt::CursorShape> edges[] = {
        { kZoneLeft, 1, Qt::SizeHorCursor },
        { kZoneRight, 3, Qt::SizeHorCursor },
        { kZoneTop, 2, Qt::SizeVerCursor },
        { kZoneTopLeft, 5, Qt::SizeFDiagCursor },
        { kZoneTopRight, 8, Qt::SizeBDiagCursor },
        { kZoneBottom, 4, Qt::SizeVerCursor },
        { kZoneBottomLeft, 7, Qt::SizeBDiagCursor },
        { kZoneBottomRight, 6, Qt::SizeFDiagCursor },
        { kZoneCaption, 0, Qt::ArrowCursor },
        { kZoneToolbar, 0, Qt::ArrowCursor },
        { kZoneElsewhere, 0, Qt::ArrowCursor },
    };
    for (const auto& [zone, edge, cursor] : edges) {
        EXPECT_EQ(zoneEdge(zone), edge) << zone;
        EXPECT_EQ(zoneCursor(zone), cursor) << zone;
    }
}

TEST(WindowChromeStateTest, MaximumScaleDependsOnTheMonitorWidth)
{
    EXPECT_NEAR(maxWindowScale(1920, 1.0), 2.0 * 1920 / 1120, 1e-9);
    EXPECT_NEAR(maxWindowScale(1366, 1.0), 2.0 * 1366 / 1120, 1e-9);
    EXPECT_NEAR(maxWindowScale(2560, 1.5), 2.0 * 2560 / 1680, 1e-9);
    EXPECT_DOUBLE_EQ(maxWindowScale(7680, 1.0), kMaxWindowScaleCap);
    EXPECT_DOUBLE_EQ(maxWindowScale(400, 1.0), 1.0); // a monitor narrower than half the design
}

// Drags every edge across a grid of cursor positions: each rectangle is a whole step of the design
// size (or exactly the limit), never below the design size, and the opposite edges stay put.
TEST(WindowChromeStateTest, BorderDragsOnlyProduceWholeSteps)
{
    for (const auto& [scale, monitorWidth] : { std::pair { 1.0, 1920 }, { 1.0, 1024 }, { 1.5, 2560 } }) {
        const double maxScale = maxWindowScale(monitorWidth, scale);
        const QSize design = designSize(scale);
        const QRect start(QPoint(300, 200), design);
        for (int edge = 1; edge <= 8; ++edge) {
            for (int dx = -1500; dx <= 4000; dx += 137) {
                for (int dy = -900; dy <= 2600; dy += 211) {
                    const QPoint anchor(
                        edge == 1 || edge == 5 || edge == 7 ? start.left() : start.right() + 1,
                        edge == 2 || edge == 5 || edge == 8 ? start.top() : start.bottom() + 1);
                    const ResizeResult r = resizeRect(start, edge, anchor + QPoint(dx, dy), scale, maxScale);
                    SCOPED_TRACE(testing::Message()
                        << "scale " << scale << " edge " << edge << " d " << dx << "," << dy);
                    for (const double f : { r.scaleX, r.scaleY }) {
                        EXPECT_GE(f, 1.0);
                        EXPECT_LE(f, maxScale);
                        EXPECT_TRUE(f == std::floor(f) || f == maxScale) << f;
                    }
                    EXPECT_EQ(r.rect.size(), scaledWindowSize(scale, r.scaleX, r.scaleY));
                    if (edge == 1 || edge == 5 || edge == 7)
                        EXPECT_EQ(r.rect.right(), start.right());
                    else
                        EXPECT_EQ(r.rect.left(), start.left());
                    if (edge == 2 || edge == 5 || edge == 8)
                        EXPECT_EQ(r.rect.bottom(), start.bottom());
                    else
                        EXPECT_EQ(r.rect.top(), start.top());
                }
            }
        }
    }

    // Concrete drags at scale 1 on a 1920-wide monitor.
    const double maxScale = maxWindowScale(1920, 1.0);
    const QRect start(0, 0, 1120, 697);
    EXPECT_EQ(resizeRect(start, 6, { 2300, 1500 }, 1.0, maxScale).rect, QRect(0, 0, 2240, 1394));
    EXPECT_EQ(resizeRect(start, 6, { 2200, 1500 }, 1.0, maxScale).rect, QRect(0, 0, 1120, 1394));
    EXPECT_EQ(resizeRect(start, 5, { -1200, -10 }, 1.0, maxScale).rect, QRect(-1120, 0, 2240, 697));
    EXPECT_EQ(resizeRect(start, 3, { 5000, 9999 }, 1.0, maxScale).rect, QRect(0, 0, 3840, 697));
    EXPECT_EQ(resizeRect(start, 6, { 300, 300 }, 1.0, maxScale).rect, start); // no smaller than design
    // On a narrow monitor the limit itself is a size, and it gives the same factor back.
    const double narrow = maxWindowScale(1024, 1.0);
    const ResizeResult atLimit = resizeRect(start, 3, { 2600, 0 }, 1.0, narrow);
    EXPECT_DOUBLE_EQ(atLimit.scaleX, narrow);
    EXPECT_EQ(atLimit.rect.width(), 2048);
    EXPECT_DOUBLE_EQ(windowScaleFor(atLimit.rect.width(), 1120, narrow), narrow);
}

TEST(WindowChromeStateTest, KeepOnScreenBringsTheCaptionBack)
{
    const QRect primary(0, 0, 1920, 1040);
    const QRect second(1920, 0, 1280, 984);
    const std::vector<QRect> areas { primary, second };
    struct Case {
        QRect window;
        QRect home;
        QPoint offset;
    };
    const Case cases[] = {
        { { 100, 100, 1120, 697 }, primary, { 0, 0 } },
        { { 1500, 100, 1120, 697 }, primary, { 0, 0 } }, // spans both monitors
        { { 100, 600, 1120, 697 }, primary, { 0, 0 } }, // only the bottom hangs off: caption reachable
        { { 3500, 100, 1120, 697 }, second, { -1420, 0 } }, // wholly off to the right
        { { 100, -300, 1120, 697 }, primary, { 0, 300 } }, // caption above the screen
        { { -700, 500, 1120, 697 }, primary, { 700, -157 } }, // off the left, bottom overhangs
        { { 2600, 50, 1120, 697 }, second, { -520, 0 } }, // right end off the second monitor
        { { 1000, 800, 3360, 2091 }, primary, { -1000, -800 } }, // larger than the monitor: top-left in
    };
    for (const Case& c : cases)
        EXPECT_EQ(keepOnScreenOffset(c.window, areas, c.home), c.offset)
            << c.window.x() << "," << c.window.y() << " " << c.window.width();

    // After the offset the caption's left end is on a monitor, and its right end too when it fits.
    for (const Case& c : cases) {
        const QRect moved = c.window.translated(c.offset);
        const auto on = [&](QPoint p) { return primary.contains(p) || second.contains(p); };
        EXPECT_TRUE(on(moved.topLeft())) << c.window.x() << "," << c.window.y();
        if (c.window.width() <= c.home.width()) {
            EXPECT_TRUE(on(moved.topRight())) << c.window.x() << "," << c.window.y();
        }
    }
}

TEST(WindowChromeStateTest, MaximisedWindowLeavesAnAutoHidingTaskBarItsPixel)
{
    const QRect work(0, 0, 1920, 1080);
    EXPECT_EQ(maximisedRect(work), work);
    EXPECT_EQ(maximisedRect(work, AutoHideEdge::Bottom), QRect(0, 0, 1920, 1079));
    EXPECT_EQ(maximisedRect(work, AutoHideEdge::Top), QRect(0, 1, 1920, 1079));
    EXPECT_EQ(maximisedRect(work, AutoHideEdge::Left), QRect(1, 0, 1919, 1080));
    EXPECT_EQ(maximisedRect(work, AutoHideEdge::Right), QRect(0, 0, 1919, 1080));
}

TEST(WindowChromeStateTest, StateChangesKeepTheNormalRectangle)
{
    WindowChromeState state;
    state.setScale(0.0, -1.0); // ignored
    EXPECT_EQ(state.scaleX(), 1.0);
    state.setScale(2.0, 0.5);
    EXPECT_EQ(state.scaleX(), 2.0);
    EXPECT_EQ(state.scaleY(), 1.0);

    state.saveNormalRect({ 40, 30, 2240, 697 });
    EXPECT_FALSE(state.onRestored(1.0, 3.0).relayout); // restoring a normal window does nothing

    WindowChromeState::Actions a = state.onMaximised();
    EXPECT_TRUE(a.fitToWorkArea);
    EXPECT_FALSE(a.restoreCompanions);
    EXPECT_EQ(a.infoPanelFactor, 1.08);
    EXPECT_TRUE(state.maximised());
    EXPECT_FALSE(state.onMaximised().fitToWorkArea); // already maximised
    state.saveNormalRect({ 0, 0, 1920, 1040 }); // the maximised rectangle is not the normal one
    EXPECT_EQ(state.normalRect(), QRect(40, 30, 2240, 697));

    a = state.onMinimised();
    EXPECT_TRUE(a.minimiseCompanions);
    EXPECT_TRUE(state.minimised());
    EXPECT_FALSE(state.maximised());

    a = state.onRestored(1.0, 3.0);
    EXPECT_TRUE(a.restoreCompanions);
    EXPECT_TRUE(a.relayout);
    EXPECT_EQ(a.infoPanelFactor, 1.0);
    EXPECT_EQ(a.moveTo, QRect(40, 30, 2240, 697));
    EXPECT_EQ(state.scaleX(), 2.0);
    EXPECT_EQ(state.scaleY(), 1.0);
    EXPECT_TRUE(state.normal());

    // A normal rectangle that is not on a step (made by something else) returns on its step.
    state.saveNormalRect({ 0, 0, 1000, 2000 });
    state.onMaximised();
    a = state.onRestored(1.0, 3.0);
    EXPECT_EQ(a.moveTo, QRect(0, 0, 1120, 1394));
}
