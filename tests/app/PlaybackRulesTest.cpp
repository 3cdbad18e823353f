// The busy guard, the seek clamp and the clock's stall and seek-settling rules, without a movie.
#include "kivora/app/BusyGuard.h"
#include "kivora/app/PlaybackClock.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/SeekClamp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kivora::app;

TEST(BusyGuard, RefusesUntilOpenedAndInsideTheEndMarginWhilePlaying)
{
    struct Case {
        bool opened;
        EngineSnapshot engine;
        bool busy;
    };
    const Case cases[] = {
        { false, {}, true }, // telemetry not loaded
        { true, {}, false }, // engine not initialised reads as zero
        { true, { true, true, 1, 879, 900 }, false }, // 21 frames left at x1
        { true, { true, true, 1, 880, 900 }, true }, // 20 left
        { true, { true, true, 2, 859, 900 }, false }, // x2: 40
        { true, { true, true, 2, 860, 900 }, true }, { true, { true, true, 4, 819, 900 }, false }, // x4: 80
        { true, { true, true, 4, 820, 900 }, true },
        { true, { true, true, -2, 880, 900 }, true }, // slow rates keep 20
        { true, { true, false, 1, 899, 900 }, false }, // paused at the end is not busy
        { true, { true, true, 1, 10, 0 }, false }, // no duration known
    };
    for (const Case& c : cases)
        EXPECT_EQ(isBusy(c.opened, c.engine), c.busy) << c.opened << " rate " << c.engine.rateCode << " at "
                                                      << c.engine.position << "/" << c.engine.duration;
}

TEST(SeekClamp, KeepsSeeksOutOfTheEndWhileTheSliderShowsTheRequest)
{
    // A seek to the very end goes 20/40/80 frames before it; the slider shows the request.
    EXPECT_EQ(seekFrame(900, 900, endMargin(1)), 880);
    EXPECT_EQ(seekFrame(900, 900, endMargin(2)), 860);
    EXPECT_EQ(seekFrame(900, 900, endMargin(4)), 820);
    EXPECT_EQ(seekFrame(100, 900, 20), 100);
    EXPECT_EQ(shownFrame(900, 0, 900), 899);
    EXPECT_EQ(shownFrame(100, 0, 900), 100);
    EXPECT_EQ(shownFrame(-5, 0, 900), 0);
    EXPECT_EQ(shownFrame(7, 0, 0), 0); // nothing open: range 0..0
    // A movie shorter than the margin never seeks before its first frame.
    EXPECT_EQ(seekFrame(30, 45, endMargin(4)), 0);
}

namespace {
struct ClockLog final : PlaybackClock::Actions {
    std::vector<std::string> calls;
    void pauseBoth() override { calls.push_back("pause"); }
    void seekBoth(std::int64_t f) override { calls.push_back("seek " + std::to_string(f)); }
    void playBoth() override { calls.push_back("play"); }
    void showFrame(std::int64_t f) override { calls.push_back("show " + std::to_string(f)); }
};
} // namespace

TEST(PlaybackClock, KicksAStalledEngineAfterMoreThanThirtyEqualTicks)
{
    PlaybackClock clock;
    ClockLog log;
    clock.tick(50, 900, log);
    for (int i = 0; i < PlaybackClock::kStallTicks; ++i)
        clock.tick(50, 900, log);
    EXPECT_EQ(log.calls.size(), 31u) << "30 repeats are not a stall yet";
    log.calls.clear();
    clock.tick(50, 900, log);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "pause", "seek 49", "play", "show 50" }));
    EXPECT_EQ(clock.repeatCount(), 0);

    // A moving position resets the count; position 0 (the first frame) is never a stall.
    PlaybackClock fresh;
    ClockLog quiet;
    for (int i = 0; i < 100; ++i)
        fresh.tick(0, 900, quiet);
    EXPECT_TRUE(quiet.calls.empty());
}

TEST(PlaybackClock, ViewsWaitForAPendingSeekToArrive)
{
    // d = 9000: the window is 9 + 30 = 39 frames either side of the target.
    PlaybackClock clock;
    ClockLog log;
    clock.setPendingSeek(500);
    clock.tick(100, 9000, log); // the engine still reports the old position
    clock.tick(461, 9000, log); // 500 − 39: not yet inside
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(clock.pendingSeek(), 500);
    clock.tick(462, 9000, log);
    EXPECT_EQ(log.calls, (std::vector<std::string> { "show 462" }));
    EXPECT_EQ(clock.pendingSeek(), -1);
    clock.tick(470, 9000, log); // following again
    EXPECT_EQ(log.calls.back(), "show 470");

    EXPECT_TRUE(PlaybackClock::nearTarget(500, 538, 9000));
    EXPECT_FALSE(PlaybackClock::nearTarget(500, 539, 9000));
}

TEST(RecordingRules, ResolutionCodeAndDefaultRate)
{
    struct Case {
        int height;
        char quality;
        int code;
    };
    for (const Case c : { Case { 360, 'H', 1 }, { 720, 'H', 3 }, { 1080, 'H', 5 }, { 1440, 'H', 7 },
             { 1296, 'H', 9 }, { 720, 'L', 4 }, { 1296, 0, 10 }, { 480, 'H', 0 }, { 480, 'L', 0 } })
        EXPECT_EQ(resolutionCode(c.height, c.quality), c.code) << c.height << " " << c.quality;

    EXPECT_EQ(defaultRateCode("/card/Normal/TN__-230115-083000-000123M.MOV"), -2);
    EXPECT_EQ(defaultRateCode("/card/Parking/PNT_-230115-083000-000123M.MOV"), -2);
    EXPECT_EQ(defaultRateCode("/card/Normal/AN__-230115-083000-000123M.MOV"), 1);
    EXPECT_EQ(defaultRateCode("/Tmp/AN__-230115-083000-000123M.MOV"), 1)
        << "the name decides, not the folder";
}
