#pragma once

// Numbers the telemetry views post to the main window. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::views {

inline constexpr unsigned kMsgGraphPreviousEvent = 0x8191;
inline constexpr unsigned kMsgGraphNextEvent = 0x8192;
inline constexpr unsigned kMsgAxisToggled = 0x82bd; // WM_AXIS_TOGGLED: wParam 0..2, lParam on/off
inline constexpr unsigned kMsgVehicleWindowClosed = 0x8578; // accepted and ignored

} // namespace kivora::views
