#include "kivora/app/KeyCommands.h"

#include "kivora/app/CommandIds.h"

namespace kivora::app {

KeyAction keyAction(int key, Qt::KeyboardModifiers modifiers, bool playing)
{
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    auto command = [](int id) { return KeyAction { KeyAction::Command, id }; };
    switch (key) {
    case Qt::Key_Space:
        return command(kCmdPlayPause);
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = key == Qt::Key_Left ? -1 : 1;
        if (shift)
            return { KeyAction::Seconds, 30 * sign };
        return playing ? KeyAction { KeyAction::Seconds, 5 * sign } : KeyAction { KeyAction::Frames, sign };
    }
    case Qt::Key_PageUp:
        return command(kCmdPrevious);
    case Qt::Key_PageDown:
        return command(kCmdNext);
    case Qt::Key_Home:
        return command(kCmdTop);
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return command(kCmdFaster);
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return command(kCmdSlower);
    case Qt::Key_F:
    case Qt::Key_F11:
        return command(kCmdFullScreen);
    case Qt::Key_Escape:
        return command(kCmdLeaveModes);
    case Qt::Key_M:
        return command(kCmdMap);
    case Qt::Key_S:
        return command(kCmdStill);
    case Qt::Key_R:
        return command(kCmdRearView);
    default:
        return {};
    }
}

} // namespace kivora::app
