#pragma once

#include <Qt>

namespace kivora::app {

// What a key asks of the main window. Every key ends in the command path, so the busy guard, the
// wait and a running worker hold for keys as for buttons.
struct KeyAction {
    enum Kind { None, Command, Frames, Seconds };
    Kind kind = None;
    int value = 0; // the command id, or the step in frames or seconds (negative: back)

    bool operator==(const KeyAction&) const = default;
};

// Space play/pause; Left/Right one frame while paused, 5 s while playing; Shift+Left/Right 30 s;
// PageUp/PageDown previous/next recording; Home top; +/- faster/slower; F, F11 full screen;
// Escape leaves full screen or zoom mode; M map; S still; R rear camera. Anything else: nothing
// (Enter and Escape never close the window).
KeyAction keyAction(int key, Qt::KeyboardModifiers modifiers, bool playing);

} // namespace kivora::app
