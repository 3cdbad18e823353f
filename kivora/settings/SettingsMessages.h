#pragma once

// Numbers the settings dialog and the update check post to the main window. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::settings {

inline constexpr unsigned kMsgMarkSetting = 0x81f5; // WM_MARK_SETTING: wParam 0..3, lParam on/off
inline constexpr unsigned kMsgUpdateFound = 0x87d1;

} // namespace kivora::settings
