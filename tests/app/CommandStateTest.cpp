// The toolbar's enabling rule as a table of states.
#include "kivora/app/CommandState.h"

#include <gtest/gtest.h>

#include <string>

using namespace kivora::app;

namespace {

// One letter per button 38000 .. 38013, '1' enabled and '0' disabled.
std::string pattern(const EnabledSet& s)
{
    std::string out;
    for (bool on : s.toolbar)
        out += on ? '1' : '0';
    return out;
}

} // namespace

TEST(CommandState, EnablingRuleAcrossStates)
{
    struct Case {
        const char* what;
        CommandInputs in;
        const char* expected; // top prev play slow fast next still save zoom browse delete settings csv map
    };
    const Case cases[] = {
        { "no rows: browse only", { true, true, 0, -1, 0, 0, false, 0 }, "00000000010000" },
        { "no rows, source listed: csv too", { true, false, 0, -1, 0, 0, false, 2 }, "00000000010010" },
        { "closed, rows, nothing loaded", { true, true, 3, 0, 0, 0, false, 2 }, "00000100011101" },
        { "stopped on the first row of a card", { true, false, 3, 0, 1, 1, true, 1 }, "00100111111111" },
        { "paused in the middle", { true, true, 3, 1, 3, 1, true, 2 }, "11100110111101" },
        { "playing the last row at x1", { true, true, 3, 2, 2, 1, true, 2 }, "11111010111101" },
        { "playing at x2: no faster", { true, true, 3, 1, 2, 2, true, 2 }, "11110110111101" },
        { "playing at x4: no faster", { true, true, 3, 1, 2, 4, true, 2 }, "11110110111101" },
        { "playing at x0.5: no slower", { true, true, 3, 1, 2, -2, true, 2 }, "11101110111101" },
        { "playing at x0.25: no slower", { true, true, 3, 1, 2, -4, true, 2 }, "11101110111101" },
        { "a single recording: no previous, no next", { true, true, 1, 0, 3, 1, true, 2 }, "10100010111101" },
        { "single file: no save, no delete", { true, true, 1, 0, 1, 1, true, 3 }, "00100010110101" },
        { "playing, telemetry not loaded", { true, true, 3, 1, 2, 1, false, 2 }, "11111100011101" },
    };
    for (const Case& c : cases) {
        const EnabledSet s = enabledCommands(c.in);
        EXPECT_EQ(pattern(s), c.expected) << c.what;
        EXPECT_TRUE(s.caption && s.panels && s.everything) << c.what;
    }
    // Before the list exists nothing changes: everything reads disabled.
    EXPECT_EQ(pattern(enabledCommands({ false, false, 3, 0, 2, 1, true, 1 })), "00000000000000");
}

TEST(CommandState, OpeningFailureAndWorkerSets)
{
    EXPECT_EQ(pattern(openingDisabled()), "00000000000000");
    EXPECT_FALSE(openingDisabled().caption || openingDisabled().panels);
    EXPECT_TRUE(openingDisabled().everything) << "an open leaves the sliders and the video alone";
    EXPECT_FALSE(workerDisabled().everything || workerDisabled().caption);
    EXPECT_EQ(pattern(afterFailedOpen(false)), "00000000010000");
    EXPECT_EQ(pattern(afterFailedOpen(true)), "00000000011000") << "delete, when the failure showed a box";
    EXPECT_TRUE(afterFailedOpen(true).caption && afterFailedOpen(true).panels);
}
