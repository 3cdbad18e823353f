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
ClockInput playingAt(std::int64_t position, std::int64_t duration, bool busy = false)
{
    return { true, 2, busy, position, duration };
}
} // namespace

TEST(PlaybackClock, KicksAStalledEngineAfterMoreThanThirtyEqualTicks)
{
    PlaybackClock clock;
    clock.tick(playingAt(50, 900));
    for (int i = 0; i < PlaybackClock::kStallTicks; ++i)
        EXPECT_FALSE(clock.tick(playingAt(50, 900)).kickTo) << "30 repeats are not a stall yet";
    const ClockStep kick = clock.tick(playingAt(50, 900));
    ASSERT_TRUE(kick.kickTo);
    EXPECT_EQ(*kick.kickTo, 49);
    EXPECT_EQ(kick.show, 50);
    EXPECT_EQ(clock.repeatCount(), 0);

    // Position 0 (the first frame) is never a stall and moves no view.
    PlaybackClock fresh;
    for (int i = 0; i < 100; ++i) {
        const ClockStep s = fresh.tick(playingAt(0, 900));
        EXPECT_FALSE(s.kickTo || s.show);
    }
}

TEST(PlaybackClock, ViewsWaitForAPendingSeekToArrive)
{
    // d = 9000: the window is 9 + 30 = 39 frames either side of the target.
    PlaybackClock clock;
    clock.setPendingSeek(500);
    EXPECT_FALSE(clock.tick(playingAt(100, 9000)).show); // the engine still reports the old position
    EXPECT_FALSE(clock.tick(playingAt(461, 9000)).show); // 500 − 39: not yet inside
    EXPECT_EQ(clock.pendingSeek(), 500);
    EXPECT_EQ(clock.tick(playingAt(462, 9000)).show, 462);
    EXPECT_EQ(clock.pendingSeek(), -1);
    EXPECT_EQ(clock.tick(playingAt(470, 9000)).show, 470); // following again

    EXPECT_TRUE(PlaybackClock::nearTarget(500, 538, 9000));
    EXPECT_FALSE(PlaybackClock::nearTarget(500, 539, 9000));
}

TEST(PlaybackClock, EachStateGetsItsStepsAndTheNearEndLockTogglesOnce)
{
    PlaybackClock clock;
    // Not initialised: only the map status step.
    ClockStep s = clock.tick({ false, 0, false, 10, 900 });
    EXPECT_TRUE(s.mapStatusStep);
    EXPECT_FALSE(s.show || s.refreshMapChoice);
    // Stopped and paused: the map choice, nothing else.
    for (int state : { 1, 3 }) {
        s = clock.tick({ true, state, false, 10, 900 });
        EXPECT_TRUE(s.refreshMapChoice);
        EXPECT_FALSE(s.mapStatusStep || s.show || s.lockToolbar);
    }
    // Closed but initialised: straight to the position and the map step.
    s = clock.tick({ true, 0, true, 12, 900 });
    EXPECT_EQ(s.show, 12);
    EXPECT_FALSE(s.lockToolbar);
    // Playing into the end region locks once, leaving it unlocks once.
    EXPECT_TRUE(clock.tick(playingAt(890, 900, true)).lockToolbar);
    EXPECT_FALSE(clock.tick(playingAt(891, 900, true)).lockToolbar);
    EXPECT_TRUE(clock.nearEndLock());
    EXPECT_TRUE(clock.tick(playingAt(20, 900, false)).unlockToolbar);
    EXPECT_FALSE(clock.tick(playingAt(21, 900, false)).unlockToolbar);
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
