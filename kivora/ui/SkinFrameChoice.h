#pragma once

#include <QColor>

namespace kivora::ui {

// The drawing state of an owner-drawn button or check box.
struct SkinItemState {
    bool grayed = false;
    bool disabled = false;
    bool pressed = false;
    bool checked = false; // the button's own checked state
    bool latched = false; // the owner's latched (or, for check boxes, checked) mark
};

// Which of the four strip frames to draw (0 normal, 1 hover / grayed, 2 pressed, 3 disabled)
// and the caption colour.
struct SkinFrameChoice {
    int frame = 0;
    QColor text;
};

inline const QColor kSkinTextGrey { 128, 128, 128 };
inline const QColor kSkinTextWhite { 255, 255, 255 };

// First match wins: grayed → 1 grey; disabled → 3 grey; pressed → 2 grey; checked → 2 white;
// latched → 2 grey; otherwise 0 white.
SkinFrameChoice chooseSkinFrame(const SkinItemState& state);

} // namespace kivora::ui
