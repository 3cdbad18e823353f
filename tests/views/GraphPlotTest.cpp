#include "kivora/views/GraphPlot.h"

#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kivora::views {
namespace {

using recording::MotionSample;

std::vector<MotionSample> flat(int n, double x = 0.0, double y = 0.0, double z = 0.0)
{
    std::vector<MotionSample> v(static_cast<std::size_t>(n));
    for (MotionSample& s : v) {
        s.accelX = x;
        s.accelY = y;
        s.accelZ = z;
    }
    return v;
}

// A 640 × 140 graph at scale 1 (legend 41 wide, plot 120 high).
GraphLayout layoutOf(int width = 640, int range = 1)
{
    GraphLayout l;
    l.clientWidth = width;
    l.clientHeight = 140;
    l.range = range;
    return l;
}

int marksOf(const GraphPlot& plot, int icon)
{
    return static_cast<int>(std::count_if(
        plot.marks.begin(), plot.marks.end(), [&](const GraphMark& m) { return m.icon == icon; }));
}

TEST(GraphPlot, RangeChoiceAndPictures)
{
    EXPECT_EQ(graphRangeFor(0.0), 0);
    EXPECT_EQ(graphRangeFor(0.49), 0);
    EXPECT_EQ(graphRangeFor(0.5), 1);
    EXPECT_EQ(graphRangeFor(1.0), 2);
    EXPECT_EQ(graphRangeFor(1.5), 3);
    EXPECT_EQ(graphRangeFor(9.0), 3);
    EXPECT_EQ(graphRangeBitmapId(0), 163);
    EXPECT_EQ(graphRangeBitmapId(1), 162);
    EXPECT_EQ(graphRangeBitmapId(2), 188);
    EXPECT_EQ(graphRangeBitmapId(3), 189);
    EXPECT_EQ(graphRangeDivisor(3), 4);
}

TEST(GraphPlot, LongMovieScrollsAWindowThatKeepsTheCursorStep)
{
    // 1800 steps in a plot of 600 pixels: one step per column, the window starts at 2/3 of the cursor.
    auto reader = viewstest::readerOf(flat(1800, 0.1));
    GraphLayout l = layoutOf(600 + 41 + 1);
    const GraphPlot plot = computeGraphPlot(reader.get(), EventChannels {}, l, 900);
    EXPECT_DOUBLE_EQ(plot.pixelsPerStep, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(plot.stepWidth, 1.0);
    EXPECT_DOUBLE_EQ(plot.firstStep, 600.0);
    // The cursor's column (margin + 900 × 600 / 1800 = margin + 300) shows step 600 + 300.
    EXPECT_EQ(graphCursorX(l, 1800, 900), 41 + 300);
    // Flat values are drawn as a few long lines, not one per step.
    EXPECT_LT(plot.axisLines[0].size(), 100u);
    EXPECT_EQ(plot.axisLines[0].back().x2(), 41 + 600);
}

TEST(GraphPlot, ShortMovieSpansThePlot)
{
    auto reader = viewstest::readerOf(flat(100));
    reader->motion[50].accelX = 0.5;
    const GraphLayout l = layoutOf();
    const GraphPlot plot = computeGraphPlot(reader.get(), EventChannels {}, l, 70);
    EXPECT_DOUBLE_EQ(plot.firstStep, 0.0);
    EXPECT_DOUBLE_EQ(plot.stepWidth, 598.0 / 100.0);
    // The peak of step 50 lies at column (int)(50 × sw), 0.5 G up from the middle.
    const int peakX = 41 + static_cast<int>(50 * plot.stepWidth);
    const int peakY = 60 - static_cast<int>(114 / 2 * 0.5);
    const auto& lines = plot.axisLines[0];
    EXPECT_TRUE(std::any_of(
        lines.begin(), lines.end(), [&](const QLine& s) { return s.p2() == QPoint(peakX, peakY); }));
    EXPECT_EQ(lines.back().x2(), 41 + 598);
}

TEST(GraphPlot, CurvesStayInsideThePlot)
{
    auto reader = viewstest::readerOf(flat(200, 3.5, -3.5, 0.0));
    const GraphPlot plot = computeGraphPlot(reader.get(), EventChannels {}, layoutOf(640, 0), 0);
    for (const QLine& s : plot.axisLines[0]) {
        EXPECT_GE(s.y1(), 5);
        EXPECT_GE(s.y2(), 5);
    }
    EXPECT_EQ(plot.axisLines[0].back().y2(), 60 - 55);
    EXPECT_EQ(plot.axisLines[1].back().y2(), 60 + 55);
}

TEST(GraphPlot, MarksAtEventStartsInChannelOrder)
{
    auto samples = flat(200);
    for (int i = 10; i < 30; ++i)
        samples[static_cast<std::size_t>(i)].shockAxis = 1; // 20 steps of X shock
    for (int i = 31; i < 33; ++i)
        samples[static_cast<std::size_t>(i)].shockAxis = 1; // another after one quiet step
    samples[60].shockAxis = 2;
    samples[60].eventCode = 5; // shock and manual at once: only the shock
    samples[90].eventCode = 11;
    auto reader = viewstest::readerOf(samples);
    const GraphPlot plot = computeGraphPlot(reader.get(), EventChannels {}, layoutOf(), 0);
    EXPECT_EQ(marksOf(plot, 0), 2);
    EXPECT_EQ(marksOf(plot, 2), 1);
    EXPECT_EQ(marksOf(plot, 5), 0);
    EXPECT_EQ(marksOf(plot, 11), 1);
    const double sw = plot.stepWidth;
    const auto x0
        = std::find_if(plot.marks.begin(), plot.marks.end(), [](const GraphMark& m) { return m.icon == 0; });
    EXPECT_EQ(x0->x, 41 + static_cast<int>(10 * sw));
}

TEST(GraphPlot, SpeedingBandUnderTheWholeStretchWithOneMark)
{
    auto samples = flat(100);
    for (int i = 20; i < 30; ++i)
        samples[static_cast<std::size_t>(i)].speeding = 8;
    auto reader = viewstest::readerOf(samples);
    const GraphPlot plot = computeGraphPlot(reader.get(), EventChannels {}, layoutOf(), 0);
    EXPECT_EQ(marksOf(plot, 8), 1);
    const double sw = plot.stepWidth;
    const int first = 41 + static_cast<int>(20 * sw);
    const int last = 41 + static_cast<int>(29 * sw);
    std::vector<int> cols = plot.bandColumns;
    std::sort(cols.begin(), cols.end());
    ASSERT_FALSE(cols.empty());
    EXPECT_EQ(cols.front(), first); // starts at the step's own column
    // Every column of the stretch is covered (the band is 2 wide), and nothing lies after it.
    for (int x = first; x <= last; ++x)
        EXPECT_TRUE(std::any_of(cols.begin(), cols.end(), [&](int c) { return c == x || c + 1 == x; })) << x;
    EXPECT_LT(cols.back(), 41 + static_cast<int>(30 * sw));
    EXPECT_EQ(graphBandRect(layoutOf(), 100), QRect(100, 140 - 32, 2, 32));
}

TEST(GraphPlot, SwitchingAChannelOffHidesItsCurveAndMarks)
{
    auto samples = flat(100, 0.2, 0.3, 0.4);
    samples[40].shockAxis = 2;
    auto reader = viewstest::readerOf(samples);
    EventChannels channels;
    channels.setBoth(1, false);
    const GraphPlot plot = computeGraphPlot(reader.get(), channels, layoutOf(), 0);
    EXPECT_TRUE(plot.axisLines[1].empty());
    EXPECT_FALSE(plot.axisLines[0].empty());
    EXPECT_EQ(marksOf(plot, 2), 0);
}

TEST(GraphPlot, NothingToPlot)
{
    auto reader = viewstest::readerOf(flat(10));
    EXPECT_TRUE(computeGraphPlot(nullptr, EventChannels {}, layoutOf(), 0).axisLines[0].empty());
    EXPECT_TRUE(computeGraphPlot(reader.get(), EventChannels {}, layoutOf(), 10).axisLines[0].empty());
    EXPECT_TRUE(computeGraphPlot(reader.get(), EventChannels {}, layoutOf(0), 0).axisLines[0].empty());
    // An entry past the samples ends the plot at its column: the shock after it gets no mark.
    reader->motion[5].recordIndex = 50;
    reader->motion[7].shockAxis = 1;
    EXPECT_EQ(marksOf(computeGraphPlot(reader.get(), EventChannels {}, layoutOf(), 0), 0), 0);
    reader->motion[5].recordIndex = 5;
    EXPECT_EQ(marksOf(computeGraphPlot(reader.get(), EventChannels {}, layoutOf(), 0), 0), 1);
    EXPECT_EQ(graphCursorX(layoutOf(), 0, 5), 41);
}

} // namespace
} // namespace kivora::views
