#include "kivora/platform/TimerTable.h"

#include "tests/support/QtTestApp.h"

#include <gtest/gtest.h>

#include <map>

using namespace kivora::platform;
using namespace std::chrono_literals;

TEST(TimerTable, HandlerGetsTheIdAndSingleShotsStopThemselves)
{
    qtTestApp();
    std::map<int, int> ticks;
    TimerTable timers([&](int id) { ++ticks[id]; });

    timers.start(100, 5ms);
    timers.start(101, 5ms, TimerTable::Shot::Single);
    EXPECT_TRUE(timers.isActive(100));
    EXPECT_TRUE(timers.isActive(101));
    ASSERT_TRUE(processEventsUntil([&] { return ticks[100] >= 5; }));
    EXPECT_EQ(ticks[101], 1);
    EXPECT_FALSE(timers.isActive(101));
    EXPECT_TRUE(timers.isActive(100));

    EXPECT_TRUE(timers.kill(100));
    EXPECT_FALSE(timers.kill(100));
    const int after = ticks[100];
    processEventsUntil([] { return false; }, 60);
    EXPECT_EQ(ticks[100], after) << "no tick after kill";
    EXPECT_EQ(ticks.count(999), 0u);
}

TEST(TimerTable, StartingARunningIdRestartsItWithTheNewPeriod)
{
    qtTestApp();
    int fired = 0;
    TimerTable timers([&](int) { ++fired; });
    // Quick restarts of the delayed open keep pushing it back: only the last one fires.
    for (int i = 0; i < 5; ++i) {
        timers.start(101, 200ms, TimerTable::Shot::Single);
        processEventsUntil([] { return false; }, 20);
    }
    EXPECT_EQ(fired, 0);
    ASSERT_TRUE(processEventsUntil([&] { return fired == 1; }));
    processEventsUntil([] { return false; }, 250);
    EXPECT_EQ(fired, 1);
}

TEST(TimerTable, AHandlerMayStartAndKillTimers)
{
    qtTestApp();
    std::vector<int> order;
    TimerTable* self = nullptr;
    TimerTable timers([&](int id) {
        order.push_back(id);
        if (id == 106)
            self->start(106, 5ms, TimerTable::Shot::Single); // again, from its own handler
        if (order.size() >= 3)
            self->killAll();
    });
    self = &timers;
    timers.start(106, 5ms, TimerTable::Shot::Single);
    ASSERT_TRUE(processEventsUntil([&] { return order.size() >= 3; }));
    processEventsUntil([] { return false; }, 40);
    EXPECT_EQ(order, (std::vector<int> { 106, 106, 106 }));
    EXPECT_FALSE(timers.isActive(106));
}
