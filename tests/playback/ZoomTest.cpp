// The zoom click and reset without a window: ×1 → ×2 → ×3 → ×1 with the clicked point kept in place.

#include "kivora/playback/ZoomInteraction.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kivora::playback;

namespace {

// Where a surface point of the old picture rectangle lies in the new one.
double followed(int x, int oldLeft, int oldWidth, int newLeft, int newWidth)
{
    return newLeft + double(x - oldLeft) * newWidth / oldWidth;
}

} // namespace

TEST(Zoom, ResetAnchors)
{
    struct Case {
        int camera;
        QSize mainSize;
        double scale;
        QPoint anchor;
    };
    const Case cases[] = {
        { 0, { 640, 360 }, 1.0, { 320, 180 } },
        { 0, { 641, 361 }, 2.0, { 320, 180 } },
        { 1, { 640, 360 }, 1.0, { 226, 127 } },
        { 1, { 0, 0 }, 1.5, { 339, 190 } },
        { 1, { 0, 0 }, 1.25, { 282, 158 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(zoomResetAnchor(c.camera, c.mainSize, c.scale), c.anchor) << c.camera << " at " << c.scale;
    EXPECT_EQ(subSurfaceWidth(1.0), 452);

    ZoomState z { 1, 2, 3, 4, 5, 6, 2.0f, 3.0f };
    resetZoom(z, { 320, 180 });
    EXPECT_EQ(z.factor, 1.0f);
    EXPECT_EQ(z.anchorX, 320);
    EXPECT_EQ(z.anchorY, 180);
    EXPECT_EQ(z.panX, 0);
    EXPECT_EQ(z.panY, 0);
}

TEST(Zoom, ClicksGoTwoThreeOneAndKeepThePointUnderTheCursor)
{
    const QSize client(640, 360);
    const VideoRect whole { 0, 0, 640, 360 };
    const QPoint centre(320, 180);
    ZoomState z;
    resetZoom(z, centre);

    // First click: the numbers the user sees on a 640 × 360 surface.
    ASSERT_TRUE(zoomClick(z, { 100, 50 }, whole, client, centre));
    EXPECT_EQ(z.clickX, 100);
    EXPECT_EQ(z.clickY, 50);
    EXPECT_EQ(z.previousFactor, 1.0f);
    EXPECT_EQ(z.anchorX, 100);
    EXPECT_EQ(z.anchorY, 50);
    EXPECT_EQ(z.panX, 0);
    EXPECT_EQ(z.panY, 0);
    EXPECT_EQ(z.factor, 2.0f);
    const auto two = zoomRect(whole, z.anchorX, z.anchorY, z.panX, z.panY, z.factor);
    ASSERT_TRUE(two);
    EXPECT_EQ(*two, (VideoRect { -100, -50, 1180, 670 }));

    // Second click somewhere else in the enlarged picture: ×3, and that point stays put.
    for (const QPoint at : { QPoint(320, 180), QPoint(600, 20), QPoint(3, 355) }) {
        ZoomState second = z;
        ASSERT_TRUE(zoomClick(second, at, *two, client, centre));
        EXPECT_EQ(second.factor, 3.0f);
        EXPECT_EQ(second.previousFactor, 2.0f);
        const auto three
            = zoomRect(whole, second.anchorX, second.anchorY, second.panX, second.panY, second.factor);
        ASSERT_TRUE(three);
        EXPECT_EQ(three->width(), 1920);
        EXPECT_EQ(three->height(), 1080);
        // Within the pixels the integer anchor and pan lose.
        EXPECT_LE(
            std::abs(followed(at.x(), two->left, two->width(), three->left, three->width()) - at.x()), 2.0)
            << at.x();
        EXPECT_LE(
            std::abs(followed(at.y(), two->top, two->height(), three->top, three->height()) - at.y()), 2.0)
            << at.y();
        if (at == centre) {
            // Third click: back to ×1 around the reset anchor.
            const auto threeRect = *three;
            ASSERT_TRUE(zoomClick(second, { 10, 10 }, threeRect, client, centre));
            EXPECT_EQ(second.factor, 1.0f);
            EXPECT_EQ(second.anchorX, 320);
            EXPECT_EQ(second.anchorY, 180);
            EXPECT_EQ(second.panX, 0);
            EXPECT_EQ(second.panY, 0);
            EXPECT_EQ(
                zoomRect(whole, second.anchorX, second.anchorY, second.panX, second.panY, second.factor),
                whole);
        }
    }
}

TEST(Zoom, ClickIgnoredWithoutAFactorOrWidth)
{
    const VideoRect whole { 0, 0, 640, 360 };
    for (const float factor : { 0.0f, -1.0f }) {
        ZoomState z;
        z.factor = factor;
        const ZoomState before = z;
        EXPECT_FALSE(zoomClick(z, { 10, 10 }, whole, { 640, 360 }, { 320, 180 })) << factor;
        EXPECT_EQ(z.anchorX, before.anchorX);
        EXPECT_EQ(z.factor, factor);
    }
    ZoomState z;
    EXPECT_FALSE(zoomClick(z, { 10, 10 }, whole, { 0, 360 }, { 0, 180 }));
    EXPECT_EQ(z.factor, 1.0f);
    // An empty surface has no zoom rectangle either.
    EXPECT_FALSE(zoomRect({ 0, 0, 0, 360 }, 0, 0, 0, 0, 2.0f));
    EXPECT_FALSE(zoomRect({ 0, 0, 640, 0 }, 0, 0, 0, 0, 2.0f));
}
