#pragma once

// Numbers of the private messages the main window receives. They are fixed: senders post them by
// number, and they keep the values they have always had (0x8000 upwards).
namespace kivora::platform {

inline constexpr unsigned kMsgAppBase = 0x8000;

inline constexpr unsigned kMsgFileOpProgress = 0x8008; // wParam items done, lParam item count
inline constexpr unsigned kMsgSliderDrag = 0x8065; // wParam control id, lParam slider value
inline constexpr unsigned kMsgSliderPressed = 0x8066; // wParam control id, lParam value
inline constexpr unsigned kMsgSliderReleased = 0x8067; // wParam control id, lParam value
inline constexpr unsigned kMsgMapReady = 0x812d; // WM_MAP_READY
inline constexpr unsigned kMsgMapCrashPointClicked = 0x812e; // lParam frame
inline constexpr unsigned kMsgGraphPreviousEvent = 0x8191;
inline constexpr unsigned kMsgGraphNextEvent = 0x8192;
inline constexpr unsigned kMsgMarkSetting = 0x81f5; // WM_MARK_SETTING: wParam 0..3, lParam on/off
inline constexpr unsigned kMsgMovieReady = 0x8261; // direct
inline constexpr unsigned kMsgAxisToggled = 0x82bd; // WM_AXIS_TOGGLED: wParam 0..2, lParam on/off
inline constexpr unsigned kMsgListDoubleClick = 0x8385; // accepted and ignored
inline constexpr unsigned kMsgSourceRemoved = 0x84b1;
inline constexpr unsigned kMsgTelemetryLoaded = 0x8515; // lParam loaded (0 or 1)
inline constexpr unsigned kMsgFileOpFinished = 0x8516; // lParam result
inline constexpr unsigned kMsgDeleteFinished = 0x8517; // lParam result
inline constexpr unsigned kMsgPostShowInit = 0x8518;
inline constexpr unsigned kMsgVehicleWindowClosed = 0x8578; // accepted and ignored
inline constexpr unsigned kMsgVideoWindowPainted = 0x8579;
inline constexpr unsigned kMsgVideoWindowClosed = 0x857a; // accepted and ignored
inline constexpr unsigned kMsgVideoWindowRedock = 0x857b;
inline constexpr unsigned kMsgVideoWindowDpiChanged = 0x857c;
inline constexpr unsigned kMsgUpdateFound = 0x87d1;

} // namespace kivora::platform
