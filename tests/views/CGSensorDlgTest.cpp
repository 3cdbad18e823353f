#include "kivora/views/CGSensorDlg.h"

#include "ViewsTestSupport.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/views/ViewMessages.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <cmath>

#include <gtest/gtest.h>

namespace kivora::views {
namespace {

struct GraphFixture : ::testing::Test, viewstest::WithApp {
    GraphFixture()
    {
        parent.resize(700, 160);
        graph = new CGSensorDlg(&parent);
        graph->setGeometry(0, 0, 640, 140);
        table.on(
            kMsgGraphPreviousEvent, [this](platform::WParam, platform::LParam) { received.push_back(-1); });
        table.on(kMsgGraphNextEvent, [this](platform::WParam, platform::LParam) { received.push_back(1); });
    }

    QWidget parent;
    CGSensorDlg* graph = nullptr;
    platform::MessageTable table { &parent };
    std::vector<int> received;
};

TEST_F(GraphFixture, ClicksAskForThePreviousAndNextEvent)
{
    const auto release = [&](Qt::MouseButton button, QPointF at) {
        QMouseEvent event(
            QEvent::MouseButtonRelease, at, graph->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(graph, &event);
    };
    release(Qt::LeftButton, QPointF(300, 50));
    release(Qt::RightButton, QPointF(10, 10));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(received, (std::vector<int> { -1, 1 }));
}

TEST_F(GraphFixture, DrawsPlotOnlyWhenEnabled)
{
    std::vector<recording::MotionSample> samples(300);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i].accelX = 0.3 * std::sin(static_cast<double>(i) / 15.0);
        samples[i].accelY = i > 100 && i < 110 ? 0.9 : -0.1;
        samples[i].accelZ = 0.05;
    }
    for (int i = 100; i < 104; ++i)
        samples[static_cast<std::size_t>(i)].shockAxis = 2;
    samples[40].eventCode = 5;
    samples[200].eventCode = 11;
    samples[240].eventCode = 12;
    for (int i = 150; i < 185; ++i)
        samples[static_cast<std::size_t>(i)].speeding = 8;
    auto reader = viewstest::readerOf(samples);
    int locks = 0;
    graph->setTelemetry({ reader.get(), [&] { ++locks; }, [&] { --locks; } });
    graph->setStepCount(300);
    graph->setCurrentStep(120);
    graph->setRange(1);

    QImage off(graph->size(), QImage::Format_RGB32);
    ASSERT_TRUE(graph->render(off));
    graph->setDrawEnabled(true);
    QImage on(graph->size(), QImage::Format_RGB32);
    ASSERT_TRUE(graph->render(on));
    EXPECT_EQ(locks, 0); // every lock taken was released
    EXPECT_NE(on, off);
    // The cursor column is white over its whole height (OR with white).
    const int cx = graphCursorX(graph->layout(), 300, 120);
    EXPECT_EQ(QColor(on.pixel(cx, 30)), QColor(Qt::white));
    viewstest::saveSnapshot(on, "graph");

    EXPECT_EQ(graph->sampleAtStep(40), &reader->motion[40]);
    EXPECT_EQ(graph->sampleAtStep(300), nullptr);

    // The background is kept between ticks and drawn anew for a new range or size: the picture
    // equals that of a graph that never drew before.
    const auto picture = [](CGSensorDlg& g) {
        QImage image(g.size(), QImage::Format_RGB32);
        image.fill(Qt::red);
        g.render(image);
        return image;
    };
    graph->setDrawEnabled(false);
    graph->setRange(3);
    CGSensorDlg fresh(&parent);
    fresh.setGeometry(graph->geometry());
    fresh.setStepCount(300);
    fresh.setCurrentStep(120);
    fresh.setRange(3);
    EXPECT_EQ(picture(*graph), picture(fresh));
    graph->resize(320, 140);
    fresh.resize(320, 140);
    EXPECT_EQ(picture(*graph), picture(fresh));

    graph->setTileWidth(0);
    EXPECT_FALSE(graph->render(on));
}

// A long generated movie: the plot shows a window that scrolls with the cursor.
TEST_F(GraphFixture, LongGeneratedMovieScrolls)
{
    const int frames = 2700; // 90 s
    viewstest::GeneratedRecording made
        = viewstest::generateRecording(democard::Trigger::Shock, 900, frames, 3);
    ASSERT_TRUE(made.ok);
    graph->setTelemetry({ made.reader.get(), {}, {} });
    graph->setStepCount(frames);
    graph->setRange(graphRangeFor(made.reader->maxAbsAccel));
    graph->setDrawEnabled(true);
    QImage early(graph->size(), QImage::Format_RGB32);
    QImage late(graph->size(), QImage::Format_RGB32);
    graph->setCurrentStep(300);
    ASSERT_TRUE(graph->render(early));
    graph->setCurrentStep(2000);
    ASSERT_TRUE(graph->render(late));
    viewstest::saveSnapshot(late, "graph-long");
    EXPECT_NE(early, late);
    const GraphPlot plot = computeGraphPlot(made.reader.get(), graph->channels(), graph->layout(), 2000);
    EXPECT_LT(plot.pixelsPerStep, 1.0);
    EXPECT_GT(plot.firstStep, 0.0);
}

} // namespace
} // namespace kivora::views
