// The keys of the main window.
#include "kivora/app/KeyCommands.h"
#include "kivora/app/CommandIds.h"

#include <gtest/gtest.h>

using namespace kivora::app;

TEST(KeyCommands, EveryKeyEndsInACommandOrAStep)
{
    using K = KeyAction;
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        bool playing;
        KeyAction expected;
    };
    const Case cases[] = {
        { Qt::Key_Space, Qt::NoModifier, false, { K::Command, kCmdPlayPause } },
        { Qt::Key_Space, Qt::NoModifier, true, { K::Command, kCmdPlayPause } },
        { Qt::Key_Right, Qt::NoModifier, false, { K::Frames, 1 } },
        { Qt::Key_Left, Qt::NoModifier, false, { K::Frames, -1 } },
        { Qt::Key_Right, Qt::NoModifier, true, { K::Seconds, 5 } },
        { Qt::Key_Left, Qt::NoModifier, true, { K::Seconds, -5 } },
        { Qt::Key_Right, Qt::ShiftModifier, false, { K::Seconds, 30 } },
        { Qt::Key_Left, Qt::ShiftModifier, true, { K::Seconds, -30 } },
        { Qt::Key_PageUp, Qt::NoModifier, true, { K::Command, kCmdPrevious } },
        { Qt::Key_PageDown, Qt::NoModifier, true, { K::Command, kCmdNext } },
        { Qt::Key_Home, Qt::NoModifier, true, { K::Command, kCmdTop } },
        { Qt::Key_Plus, Qt::NoModifier, true, { K::Command, kCmdFaster } },
        { Qt::Key_Minus, Qt::NoModifier, true, { K::Command, kCmdSlower } },
        { Qt::Key_F, Qt::NoModifier, true, { K::Command, kCmdFullScreen } },
        { Qt::Key_F11, Qt::NoModifier, true, { K::Command, kCmdFullScreen } },
        { Qt::Key_Escape, Qt::NoModifier, true, { K::Command, kCmdLeaveModes } },
        { Qt::Key_M, Qt::NoModifier, true, { K::Command, kCmdMap } },
        { Qt::Key_S, Qt::NoModifier, true, { K::Command, kCmdStill } },
        { Qt::Key_R, Qt::NoModifier, true, { K::Command, kCmdRearView } },
        { Qt::Key_Return, Qt::NoModifier, true, {} },
        { Qt::Key_Enter, Qt::NoModifier, true, {} },
        { Qt::Key_Q, Qt::NoModifier, true, {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(keyAction(c.key, c.mods, c.playing), c.expected) << c.key;
}
