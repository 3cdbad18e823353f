#pragma once

// Numbers the skinned sliders post to their owner window. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::ui {

inline constexpr unsigned kMsgSliderDrag = 0x8065; // wParam control id, lParam slider value
inline constexpr unsigned kMsgSliderPressed = 0x8066; // wParam control id, lParam value
inline constexpr unsigned kMsgSliderReleased = 0x8067; // wParam control id, lParam value

} // namespace kivora::ui
