#include "kivora/app/MainLayout.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kivora::app;

namespace {

void expectRect(const QRect& actual, int x, int y, int w, int h, const char* what)
{
    EXPECT_EQ(actual, QRect(x, y, w, h)) << what << ": got (" << actual.x() << ", " << actual.y() << ", "
                                         << actual.width() << ", " << actual.height() << ")";
}

} // namespace

TEST(MainLayoutTest, ScaledLengthsTruncateTowardsZeroOnBothSides)
{
    const std::tuple<double, double, int> cases[] = {
        { 6, 1.5, 9 },
        { -6, 1.5, -9 },
        { 105, 1.5, 157 },
        { -105, 1.5, -157 },
        { -3, 1.5, -4 },
        { 697, 1.25, 871 },
        { -4, 1.25, -5 },
        { 1120, 0.86, 963 },
    };
    for (const auto& [length, scale, expected] : cases)
        EXPECT_EQ(scaled(length, scale), expected) << length << " at " << scale;
    EXPECT_EQ(designSize(1.5), QSize(1680, 1045));
    EXPECT_EQ(scaledWindowSize(1.5, 1.25, 2.0), QSize(2100, 2090));
}

TEST(MainLayoutTest, UiScaleFitsTheDesignHeightIntoTheWorkArea)
{
    EXPECT_DOUBLE_EQ(computeDpiRatio(96), 1.0);
    EXPECT_DOUBLE_EQ(computeDpiRatio(144), 1.5);
    EXPECT_DOUBLE_EQ(computeDpiRatio(0), 1.0);

    EXPECT_DOUBLE_EQ(computeUiScale(1.0, { 1920, 1040 }), 1.0);
    EXPECT_DOUBLE_EQ(computeUiScale(1.0, { 1120, 697 }), 1.0); // exactly fits
    EXPECT_DOUBLE_EQ(computeUiScale(1.5, { 2560, 1100 }), 1.5);
    EXPECT_DOUBLE_EQ(computeUiScale(1.0, { 0, 0 }), 1.0); // no screen known yet

    // Too low or too narrow: the scale shrinks until the design size fits.
    for (const auto& [dpi, work] : { std::pair { 1.0, QSize(1920, 600) }, { 1.5, QSize(2560, 1000) },
             { 2.0, QSize(1920, 768) }, { 1.0, QSize(1024, 740) }, { 1.25, QSize(1366, 728) } }) {
        const double s = computeUiScale(dpi, work);
        EXPECT_LT(s, dpi);
        EXPECT_LE(scaled(kDesignHeight, s), work.height()) << dpi << " " << work.height();
        EXPECT_LE(scaled(kDesignWidth, s), work.width()) << dpi << " " << work.width();
        EXPECT_GE(
            std::max(scaled(kDesignHeight, s) - work.height(), scaled(kDesignWidth, s) - work.width()), -1)
            << "one side fills its room: " << dpi << " " << work.width() << "x" << work.height();
    }
    EXPECT_DOUBLE_EQ(computeUiScale(1.0, { 1920, 600 }), 600.0 / 697.0);
    EXPECT_DOUBLE_EQ(computeUiScale(1.0, { 1024, 740 }), 1024.0 / 1120.0);
}

TEST(MainLayoutTest, VideoSurfaceFollowsTheWindowSize)
{
    expectRect(mainVideoRect({ 1120, 697 }, 1.0), 6, 24, 656, 370, "design size");
    expectRect(mainVideoRect({ 1400, 800 }, 1.0), 6, 24, 936, 473, "larger window");
    expectRect(mainVideoRect({ 1680, 1045 }, 1.5), 9, 36, 984, 555, "scale 1.5");
    EXPECT_TRUE(mainVideoRect({ 0, 697 }, 1.0).isEmpty());
    EXPECT_TRUE(mainVideoRect({ 400, 300 }, 1.0).isEmpty());
}

// Expected values worked out by hand from the design lengths, one table per scale.
TEST(MainLayoutTest, FullLayoutAtDesignScaleAndAtOneAndAHalf)
{
    struct Expected {
        double scale;
        QSize client;
        QRect video, slider, info, graph, list, firstButton, ninthButton, tenthButton, lastButton, close,
            maximise, minimise, volume, progress;
    };
    const Expected cases[] = {
        { 1.0, { 1120, 697 }, { 6, 24, 656, 370 }, { 6, 393, 656, 10 }, { 7, 403, 655, 105 },
            { 7, 508, 655, 147 }, { 662, 24, 452, 632 }, { 20, 661, 32, 32 }, { 396, 661, 32, 32 },
            { 473, 661, 32, 32 }, { 661, 661, 32, 32 }, { 1064, 0, 46, 18 }, { 1038, 0, 26, 18 },
            { 1012, 0, 26, 18 }, { 1000, 667, 100, 20 }, { 6, 371, 656, 22 } },
        { 1.5, { 1680, 1045 }, { 9, 36, 984, 555 }, { 9, 590, 984, 15 }, { 10, 605, 983, 157 },
            { 10, 762, 983, 220 }, { 993, 36, 678, 947 }, { 30, 992, 48, 48 }, { 590, 992, 48, 48 },
            { 705, 992, 48, 48 }, { 985, 992, 48, 48 }, { 1596, 0, 69, 27 }, { 1557, 0, 39, 27 },
            { 1518, 0, 39, 27 }, { 1500, 1001, 150, 30 }, { 9, 557, 984, 33 } },
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.scale);
        const std::optional<MainLayout> layout = MainLayout::compute(e.client, e.scale);
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->video, e.video);
        EXPECT_EQ(layout->positionSlider, e.slider);
        EXPECT_EQ(layout->infoPanel, e.info);
        EXPECT_EQ(layout->graph, e.graph);
        EXPECT_EQ(layout->recordingList, e.list);
        EXPECT_EQ(layout->toolbar[0], e.firstButton);
        EXPECT_EQ(layout->toolbar[8], e.ninthButton);
        EXPECT_EQ(layout->toolbar[9], e.tenthButton);
        EXPECT_EQ(layout->toolbar[13], e.lastButton);
        EXPECT_EQ(layout->captionButtons[0], e.close);
        EXPECT_EQ(layout->captionButtons[1], e.maximise);
        EXPECT_EQ(layout->captionButtons[2], e.minimise);
        EXPECT_EQ(layout->volumeSlider, e.volume);
        EXPECT_EQ(layout->progressBar, e.progress);
        // The caption buttons sit side by side, the close button int(6s) + int(4s) from the right.
        EXPECT_EQ(layout->captionButtons[1].right() + 1, layout->captionButtons[0].left());
        EXPECT_EQ(layout->captionButtons[2].right() + 1, layout->captionButtons[1].left());
    }
}

TEST(MainLayoutTest, EmptyOrTooSmallClientPlacesNothing)
{
    EXPECT_FALSE(MainLayout::compute({ 0, 0 }, 1.0));
    EXPECT_FALSE(MainLayout::compute({ 1120, 0 }, 1.0));
    EXPECT_FALSE(MainLayout::compute({ 300, 200 }, 1.0));
    EXPECT_FALSE(MainLayout::computeAround({ 1120, 697 }, QRect(6, 24, 0, 370), 1.0));
}

TEST(MainLayoutTest, SeparateWindowCoversTheLowerPartOfTheList)
{
    const SeparateWindowLayout one = SeparateWindowLayout::compute(1.0);
    EXPECT_EQ(one.size, QSize(452, 368));
    expectRect(one.inner, 1, 20, 450, 347, "inner at 1");
    const SeparateWindowLayout big = SeparateWindowLayout::compute(1.5);
    EXPECT_EQ(big.size, QSize(678, 553));
    expectRect(big.inner, 1, 30, 676, 522, "inner at 1.5");

    for (const auto& [scale, client, expected] : { std::tuple { 1.0, QSize(1120, 697), QPoint(762, 338) },
             std::tuple { 1.5, QSize(1680, 1045), QPoint(1093, 480) } }) {
        const std::optional<MainLayout> layout = MainLayout::compute(client, scale);
        ASSERT_TRUE(layout);
        const QPoint at = separateWindowPosition({ 100, 50 }, *layout, scale);
        EXPECT_EQ(at, expected) << scale;
        // Its bottom edge meets the list's bottom edge and its columns are the list's.
        const SeparateWindowLayout window = SeparateWindowLayout::compute(scale);
        EXPECT_EQ(
            at.y() + window.size.height(), 50 + layout->recordingList.y() + layout->recordingList.height());
        EXPECT_EQ(at.x(), 100 + layout->recordingList.x());
        EXPECT_EQ(window.size.width(), layout->recordingList.width());
    }

    EXPECT_TRUE(videoInsideMonitor({ 6, 24, 656, 370 }, { 0, 0, 1920, 1080 }));
    EXPECT_FALSE(videoInsideMonitor({ 1800, 24, 656, 370 }, { 0, 0, 1920, 1080 }));
}
