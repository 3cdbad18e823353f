// The crash points the map receives: events without a linked position never reach it, so one send
// completes instead of being retried by every clock tick.

#include "kivora/app/CrashPoints.h"

#include "kivora/map/IMapView.h"
#include "kivora/recording/TelemetryReader.h"

#include <gtest/gtest.h>

using namespace kivora;
using namespace kivora::app;

namespace {

// A page that is ready and, like the real one, stops (returns 0) at an event it cannot place.
class StrictMap final : public map::IMapView {
public:
    void SetMapStatus(int) override { }
    int SendCrashPoints(const std::vector<views::EventEntry>& events, int, bool) override
    {
        ++sends;
        received = events.size();
        for (const views::EventEntry& e : events)
            if (!e.sample || !e.sample->gps)
                return 0;
        return 1;
    }
    void ShowMap(bool) override { }
    void SetMapParent(QWidget*) override { }
    void setMapGeometry(const QRect&) override { }
    void setCurrentFrame(std::int64_t) override { }
    void setMapSwitch(bool) override { }
    bool mapSwitch() const override { return true; }
    bool pageReady() const override { return true; }
    bool htmlReady() const override { return true; }
    bool runtimePresent() const override { return true; }

    int sends = 0;
    std::size_t received = 0;
};

// One sample per frame; manual events (code 11) at frames 10 and 40 and a shock at 70. Only the
// event at 40 has a linked GPS sample.
std::unique_ptr<recording::TelemetryReader> readerWithUnplacedEvents()
{
    auto reader = std::make_unique<recording::TelemetryReader>();
    reader->motion.resize(100);
    reader->gps.resize(100);
    for (std::size_t i = 0; i < reader->motion.size(); ++i) {
        reader->motion[i].recordIndex = static_cast<std::int32_t>(i);
        reader->motion[i].time = static_cast<std::int32_t>(i);
        reader->gps[i].recordIndex = static_cast<std::int32_t>(i);
        reader->frameIndex.push_back(&reader->motion[i]);
    }
    reader->motion[10].eventCode = 11;
    reader->motion[40].eventCode = 11;
    reader->motion[40].gps = &reader->gps[40];
    reader->motion[70].shockAxis = 2;
    return reader;
}

// The hub's map-status step, as the clock runs it.
void tick(CrashPoints& points, StrictMap& map, const recording::TelemetryReader* reader)
{
    if (!points.due(map))
        return;
    std::lock_guard lock(points.mutex());
    if (points.send(map, reader, views::EventChannels(), 0, true) == 1)
        points.markSent();
}

} // namespace

TEST(CrashPoints, EventsWithoutAPositionAreSkippedAndTheSendFinishesOnce)
{
    const auto reader = readerWithUnplacedEvents();
    CrashPoints points;
    StrictMap map;
    for (int i = 0; i < 20; ++i)
        tick(points, map, reader.get());
    EXPECT_EQ(map.sends, 1);
    EXPECT_EQ(map.received, 1u); // only the event at frame 40
    {
        // The graph and the previous/next-event clicks still see every event.
        std::lock_guard lock(points.mutex());
        EXPECT_EQ(points.events().size(), 3u);
    }

    // A reloaded page is sent the list once more; a new recording starts over with an empty list.
    points.sendAgain();
    tick(points, map, reader.get());
    tick(points, map, reader.get());
    EXPECT_EQ(map.sends, 2);
    points.reset();
    EXPECT_TRUE(points.events().empty());
    tick(points, map, nullptr); // nothing open: nothing goes to the map
    EXPECT_EQ(map.sends, 2);
}
