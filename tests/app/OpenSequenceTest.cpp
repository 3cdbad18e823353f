// The open sequence's order of steps, driven by a fake window: timers, engine reports and the
// loader's answer arrive when the test says so.
#include "kivora/app/OpenSequence.h"
#include "kivora/app/TimerIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace kivora::app;

namespace {

struct FakeWindow final : OpenSequence::Host {
    int size = 3;
    std::vector<int> openResults; // per index; default success
    std::set<int> timers;
    std::vector<int> opened; // indices given to openBoth
    std::vector<int> errors; // slots shown
    std::vector<std::uint64_t> loaders;
    int preloaders = 0;
    int plays = 0;
    bool playStarts = true;
    bool waitCursor = false;
    bool toolbarEnabled = true;
    bool clockRunning = false;
    OpenSequence* sequence = nullptr;

    int listSize() const override { return size; }
    bool listAdvancing() const override { return false; }
    bool listLoading() const override { return false; }
    void startTimer(int id, int) override { timers.insert(id); }
    void killTimer(int id) override { timers.erase(id); }
    void stopBoth() override { }
    void clearMapHasData() override { }
    void applySwitches(const SelectSwitches&) override { }
    void refreshToolbar() override { }
    void beginWait() override
    {
        waitCursor = true;
        toolbarEnabled = false;
    }
    void endWait() override { waitCursor = false; }
    void closeForOpen() override
    {
        clockRunning = false;
        toolbarEnabled = false;
    }
    int openBoth(int index) override
    {
        opened.push_back(index);
        return std::size_t(index) < openResults.size() ? openResults[std::size_t(index)] : 1;
    }
    void openSucceeded(int) override { }
    void openFailed() override { }
    void showOpenError(int slot) override { errors.push_back(slot); }
    void enableToolbar() override { toolbarEnabled = true; }
    void leaveZoom() override { }
    void clearNearEndLock() override { }
    bool selectNextRecording() override
    {
        const int next = sequence->selectedIndex() + 1;
        return sequence->select(next, { true, true, false }, 1);
    }
    void nextFolder() override { sequence->setAutoAdvance(false); }
    void redrawSurfaces() override { }
    void prepareReady() override { }
    void startLoader(std::uint64_t generation) override { loaders.push_back(generation); }
    void startPreloader() override { ++preloaders; }
    void applyVolumeAndRate() override { }
    bool play() override
    {
        ++plays;
        return playStarts;
    }
    void setPlayFace(bool) override { }
    void startClock() override { clockRunning = true; }
    void afterTelemetryLoaded() override { }

    bool timer(int id) const { return timers.count(id) != 0; }
};

struct OpenSequenceTest : ::testing::Test {
    FakeWindow window;
    OpenSequence seq { window };
    OpenSequenceTest() { window.sequence = &seq; }

    // Timer 101 fires, as the event loop would fire it.
    void fireDelayedOpen()
    {
        ASSERT_TRUE(window.timer(kTimerDelayedOpen));
        window.timers.erase(kTimerDelayedOpen);
        seq.onDelayedOpen();
    }
};

} // namespace

TEST_F(OpenSequenceTest, SelectOpensReadiesLoadsAndStartsTheClock)
{
    ASSERT_TRUE(seq.select(1, { true, true, true }));
    EXPECT_TRUE(seq.waiting());
    EXPECT_TRUE(window.waitCursor);
    EXPECT_TRUE(window.timer(kTimerOpenTimeout));
    EXPECT_TRUE(window.opened.empty()) << "nothing opens before timer 101";

    fireDelayedOpen();
    EXPECT_EQ(window.opened, std::vector<int> { 1 });
    EXPECT_FALSE(seq.ready());
    EXPECT_TRUE(seq.waiting()) << "the wait runs on until the telemetry is in";

    seq.onEngineReady();
    EXPECT_TRUE(seq.ready());
    ASSERT_EQ(window.loaders.size(), 1u);
    EXPECT_FALSE(seq.opened());

    seq.onTelemetryLoaded(window.loaders[0], true, true);
    EXPECT_TRUE(seq.opened());
    EXPECT_FALSE(seq.opening());
    EXPECT_FALSE(seq.waiting());
    EXPECT_FALSE(window.timer(kTimerOpenTimeout));
    EXPECT_TRUE(window.clockRunning);
    EXPECT_EQ(window.plays, 0) << "a recording chosen by the user waits for play";
    EXPECT_EQ(window.preloaders, 1);

    // A second (stale) report of the same movie changes nothing.
    seq.onEngineReady();
    seq.onTelemetryLoaded(window.loaders[0], true, true);
    EXPECT_EQ(window.loaders.size(), 1u);
    EXPECT_EQ(window.preloaders, 1);
}

TEST_F(OpenSequenceTest, QuickSelectionsOpenOnlyTheLast)
{
    seq.select(0, {});
    seq.select(2, {});
    seq.select(1, {});
    fireDelayedOpen();
    EXPECT_EQ(window.opened, std::vector<int> { 1 });
    EXPECT_FALSE(seq.select(3, {})) << "outside the list";
    EXPECT_FALSE(seq.select(-1, {}));
    EXPECT_EQ(seq.selectedIndex(), 1);
}

TEST_F(OpenSequenceTest, AFailedOpenShowsItsMessageAndRestoresTheControls)
{
    struct Case {
        int result;
        int slot;
    };
    for (const Case c :
        { Case { 0, OpenSequence::kSlotOpenFailed }, Case { 2, OpenSequence::kSlotTooShort } }) {
        window.errors.clear();
        window.openResults = { c.result };
        seq.select(0, {});
        fireDelayedOpen();
        EXPECT_EQ(window.errors, std::vector<int> { c.slot });
        EXPECT_TRUE(seq.errorBoxShown());
        EXPECT_TRUE(seq.ready());
        EXPECT_FALSE(seq.waiting());
        EXPECT_FALSE(window.waitCursor);
        EXPECT_TRUE(window.toolbarEnabled);
        EXPECT_FALSE(window.timer(kTimerOpenTimeout));
    }
}

TEST_F(OpenSequenceTest, AFailedOpenWhileAdvancingSkipsToTheNextRecordingSilently)
{
    window.openResults = { 1, 0, 1 };
    seq.select(1, { true, true, false }, 1);
    fireDelayedOpen();
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(seq.selectedIndex(), 2);
    // The next recording's wait and timeout survive the failure's clean-up.
    EXPECT_TRUE(seq.waiting());
    EXPECT_TRUE(window.timer(kTimerOpenTimeout));
    fireDelayedOpen();
    seq.onEngineReady();
    EXPECT_TRUE(seq.playAfterLoad()) << "reached by next: plays once loaded";
    seq.onTelemetryLoaded(window.loaders.back(), false, true);
    EXPECT_EQ(window.plays, 1);
    EXPECT_FALSE(seq.playAfterLoad());
    EXPECT_EQ(window.preloaders, 0) << "no preload when the data file could not be preloaded";
}

TEST_F(OpenSequenceTest, TimeoutEndsTheWaitAndALateReadyStillCompletes)
{
    seq.select(0, {});
    fireDelayedOpen();
    window.timers.erase(kTimerOpenTimeout);
    seq.onOpenTimeout();
    EXPECT_FALSE(seq.waiting());
    EXPECT_TRUE(window.toolbarEnabled);
    EXPECT_TRUE(seq.ready());
    seq.onEngineReady();
    ASSERT_EQ(window.loaders.size(), 1u);
    seq.onTelemetryLoaded(window.loaders[0], true, true);
    EXPECT_TRUE(window.clockRunning);
}

TEST_F(OpenSequenceTest, ASelectionDuringAnOpenIsOpenedWhenThatOpenReports)
{
    seq.select(0, {});
    fireDelayedOpen();
    seq.select(2, {}); // the open of 0 is still under way
    EXPECT_FALSE(window.timer(kTimerDelayedOpen));
    EXPECT_TRUE(window.timer(kTimerOpenTimeout)) << "a hung open still times out";
    seq.onEngineReady(); // movie 0 is ready, but 2 is selected
    EXPECT_TRUE(window.loaders.empty()) << "no telemetry of 2 against the movie of 0";
    fireDelayedOpen();
    EXPECT_EQ(window.opened, (std::vector<int> { 0, 2 }));
}

TEST_F(OpenSequenceTest, ALoaderReportOfAnEarlierOpenIsDropped)
{
    seq.select(0, {});
    fireDelayedOpen();
    seq.onEngineReady();
    const std::uint64_t first = window.loaders.back();
    seq.select(1, {});
    fireDelayedOpen();
    seq.onTelemetryLoaded(first, true, true);
    EXPECT_FALSE(seq.opened());
    seq.onEngineReady();
    seq.onTelemetryLoaded(window.loaders.back(), true, true);
    EXPECT_TRUE(seq.opened());
}

TEST_F(OpenSequenceTest, PlayRequestedBeforeTheTelemetryIsInPlaysOnceItIs)
{
    seq.select(0, {});
    fireDelayedOpen();
    seq.onEngineReady();
    seq.setPlayAfterLoad(true);
    // A failed load leaves the recording opened without a clock.
    seq.onTelemetryLoaded(window.loaders.back(), true, false);
    EXPECT_TRUE(seq.opened());
    EXPECT_FALSE(window.clockRunning);
    EXPECT_EQ(window.plays, 0);

    seq.select(0, {});
    fireDelayedOpen();
    seq.onEngineReady();
    seq.onTelemetryLoaded(window.loaders.back(), true, true);
    EXPECT_EQ(window.plays, 1);
    EXPECT_TRUE(window.clockRunning);
}
