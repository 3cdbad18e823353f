#pragma once

// Numbers the map posts to the main window. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::map {

inline constexpr unsigned kMsgMapReady = 0x812d; // WM_MAP_READY
inline constexpr unsigned kMsgMapCrashPointClicked = 0x812e; // lParam frame

} // namespace kivora::map
