#include "kivora/views/EventChannel.h"
#include "kivora/views/EventList.h"

#include "ViewsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kivora::views {
namespace {

using recording::MotionSample;

MotionSample sample(int shockAxis = 0, int eventCode = -1, int speeding = 0)
{
    MotionSample s;
    s.shockAxis = shockAxis;
    s.eventCode = eventCode;
    s.speeding = speeding;
    return s;
}

TEST(EventChannel, ClassifiersGiveTheirIcons)
{
    struct Case {
        MotionSample s;
        std::array<int, kEventChannelCount> icons;
    };
    const int n = kNoEvent;
    const Case cases[] = {
        { sample(), { n, n, n, n, n, n, n, n, n, n } }, { sample(1), { 0, n, n, n, n, n, n, n, n, n } },
        { sample(2), { n, 2, n, n, n, n, n, n, n, n } }, { sample(3), { n, n, 3, n, n, n, n, n, n, n } },
        { sample(0, 5), { n, n, n, 5, n, n, n, n, n, n } },
        { sample(0, 6), { n, n, n, n, 6, n, n, n, n, n } },
        { sample(0, 7), { n, n, n, n, n, 7, n, n, n, n } },
        { sample(0, -1, 8), { n, n, n, n, n, n, 8, n, n, n } },
        { sample(0, 11), { n, n, n, n, n, n, n, n, n, 11 } },
        { sample(0, 12), { n, n, n, n, n, n, n, n, n, 12 } },
        { sample(0, 13), { n, n, n, n, n, n, n, n, n, 13 } },
        { sample(1, 5, 8), { 0, n, n, 5, n, n, 8, n, n, n } },
        { sample(4, 9, 1), { n, n, n, n, n, n, n, n, n, n } }, // unknown codes are no event
    };
    for (const Case& c : cases) {
        for (int ch = 0; ch < kEventChannelCount; ++ch)
            EXPECT_EQ(classifyChannel(c.s, ch), c.icons[static_cast<std::size_t>(ch)])
                << "channel " << ch << " shock " << c.s.shockAxis << " code " << c.s.eventCode;
    }
}

TEST(EventChannel, EvaluateMarksOnlyTheStartOfAnEvent)
{
    auto reader = viewstest::readerOf({ sample(1), sample(1), sample(), sample(1), sample(2) });
    const auto eval
        = [&](std::int64_t step, int channel) { return EvaluateChannel(reader.get(), step, channel); };
    EXPECT_EQ(eval(0, 0).icon, 0);
    EXPECT_TRUE(eval(0, 0).isNew);
    EXPECT_EQ(eval(1, 0).icon, 0);
    EXPECT_FALSE(eval(1, 0).isNew);
    EXPECT_EQ(eval(2, 0).icon, kNoEvent);
    EXPECT_TRUE(eval(3, 0).isNew); // a second shock after a gap
    EXPECT_TRUE(eval(4, 1).isNew);

    // Outside the index, no reader, and an entry pointing past the samples give no event.
    EXPECT_EQ(eval(5, 0).icon, kNoEvent);
    EXPECT_EQ(eval(-1, 0).icon, kNoEvent);
    EXPECT_EQ(EvaluateChannel(nullptr, 0, 0).icon, kNoEvent);
    reader->motion[4].recordIndex = 99;
    EXPECT_EQ(SampleAtStep(reader.get(), 4), nullptr);
    EXPECT_EQ(eval(4, 1).icon, kNoEvent);
    reader->frameIndex[1] = nullptr;
    EXPECT_EQ(SampleAtStep(reader.get(), 1), nullptr);
    EXPECT_TRUE(eval(0, 0).isNew);
}

TEST(EventList, ChannelOrderSpeedingAndSwitches)
{
    // 0-1 X shock with a manual recording, 3 speeding starts (runs to 5) with a Y shock at 4,
    // 7 sharp steering.
    auto reader = viewstest::readerOf({ sample(1, 5), sample(1, 5), sample(), sample(0, -1, 8),
        sample(2, -1, 8), sample(0, -1, 8), sample(), sample(0, 11) });
    EventChannels channels;
    std::vector<EventEntry> events = buildEventList(reader.get(), channels);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].step, 0);
    EXPECT_EQ(events[0].icon, 0); // the shock hides the manual recording
    EXPECT_EQ(events[1].step, 3);
    EXPECT_EQ(events[1].icon, 8);
    EXPECT_EQ(events[2].step, 4);
    EXPECT_EQ(events[2].icon, 2);
    EXPECT_EQ(events[3].step, 7);
    EXPECT_EQ(events[3].icon, 11);
    EXPECT_EQ(events[3].recordIndex, 7);

    // The settings dialog's switch 0 hides the drive-support marks (channel 9).
    channels.setBoth(EventChannels::markSettingChannel(0), false);
    EXPECT_EQ(buildEventList(reader.get(), channels).size(), 3u);
    EXPECT_EQ(EventChannels::markSettingChannel(3), 6);
    EXPECT_EQ(EventChannels::markSettingChannel(4), -1);

    channels.setBoth(0, false); // X off: the manual recording shows through
    events = buildEventList(reader.get(), channels);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].icon, 5);
    EXPECT_EQ(events[0].channel, 3);
}

TEST(EventList, PreviousAndNextTargets)
{
    auto reader = viewstest::readerOf(
        { sample(), sample(1), sample(), sample(), sample(0, 5), sample(), sample(3), sample() });
    EventChannels channels;
    const std::vector<EventEntry> events = buildEventList(reader.get(), channels); // steps 1, 4, 6
    ASSERT_EQ(events.size(), 3u);

    struct Case {
        std::int64_t cursor;
        std::int64_t previous;
        std::int64_t next;
    };
    const Case cases[] = {
        { 0, 6, 1 }, // nothing before: the movie's last event; next is the first
        { 1, 6, 4 }, // an event at the cursor is neither before nor after it
        { 3, 1, 4 }, { 4, 1, 6 }, { 5, 4, 6 }, { 7, 6, 1 }, // nothing after: wraps to the first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(previousEventStep(events, channels, c.cursor), c.previous) << c.cursor;
        EXPECT_EQ(nextEventStep(events, channels, c.cursor), c.next) << c.cursor;
    }

    // Only kinds shown on the graph count.
    channels.graphVisible[3] = false;
    EXPECT_EQ(nextEventStep(events, channels, 2), 6);
    EXPECT_EQ(previousEventStep(events, channels, 6), 1);
    channels.graphVisible.fill(false);
    EXPECT_FALSE(nextEventStep(events, channels, 2));
    EXPECT_FALSE(previousEventStep(events, channels, 2));
    EXPECT_FALSE(nextEventStep({}, EventChannels {}, 0));
}

// A shock recording as the recorder writes it, decoded from its data file.
TEST(EventList, GeneratedShockRecording)
{
    const int frames = 450; // 15 s at 30 per second, ten records per second
    viewstest::GeneratedRecording made = viewstest::generateRecording(democard::Trigger::Shock, 150, frames);
    ASSERT_TRUE(made.ok);
    const recording::TelemetryReader& reader = *made.reader;
    const auto& sim = made;

    int shockRecord = -1;
    char axis = ' ';
    for (std::size_t i = 0; i < sim.records.size() && shockRecord < 0; ++i) {
        if (sim.records[i].shockAxis != ' ') {
            shockRecord = static_cast<int>(i);
            axis = sim.records[i].shockAxis;
        }
    }
    ASSERT_GE(shockRecord, 0);
    const int icon = axis == 'X' ? 0 : axis == 'Y' ? 2 : 3;

    EventChannels channels;
    const std::vector<EventEntry> events = buildEventList(&reader, channels);
    const auto shock
        = std::find_if(events.begin(), events.end(), [&](const EventEntry& e) { return e.icon == icon; });
    ASSERT_NE(shock, events.end());
    EXPECT_EQ(shock->recordIndex, shockRecord);
    // The shock lasts two records (several frames) but starts once.
    EXPECT_EQ(
        std::count_if(events.begin(), events.end(), [&](const EventEntry& e) { return e.icon == icon; }), 1);
    // Its mark sits on the first frame that shows the shock record.
    ASSERT_NE(SampleAtStep(&reader, shock->step), nullptr);
    EXPECT_EQ(SampleAtStep(&reader, shock->step)->recordIndex, shockRecord);
    EXPECT_NE(SampleAtStep(&reader, shock->step - 1)->shockAxis, shock->sample->shockAxis);

    // From the start the next event is the first one; from the end the previous is the last.
    EXPECT_EQ(nextEventStep(events, channels, 0),
        events.front().step == 0 && events.size() > 1 ? events[1].step : events.front().step);
    EXPECT_EQ(previousEventStep(events, channels, frames), events.back().step);
    EXPECT_EQ(previousEventStep(events, channels, shock->step + 1), shock->step);
}

} // namespace
} // namespace kivora::views
