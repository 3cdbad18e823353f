#pragma once

namespace kivora::app {

// Command ids of the main window. Toolbar button i sends kCmdTop + i.
inline constexpr int kCmdClose = 14;
inline constexpr int kCmdMaximise = 15;
inline constexpr int kCmdMinimise = 16;
inline constexpr int kCmdNothing = 17; // accepted, does nothing
inline constexpr int kCmdTop = 38000; // "stop" in the popup menu
inline constexpr int kCmdPrevious = 38001;
inline constexpr int kCmdPlayPause = 38002;
inline constexpr int kCmdSlower = 38003;
inline constexpr int kCmdFaster = 38004;
inline constexpr int kCmdNext = 38005;
inline constexpr int kCmdStill = 38006;
inline constexpr int kCmdSave = 38007;
inline constexpr int kCmdZoom = 38008;
inline constexpr int kCmdBrowse = 38009;
inline constexpr int kCmdDelete = 38010;
inline constexpr int kCmdSettings = 38011;
inline constexpr int kCmdCsv = 38012;
inline constexpr int kCmdMap = 38013;
inline constexpr int kToolbarButtons = 14;
inline constexpr int kCmdAspect = 38200;
inline constexpr int kCmdFilterFirst = 38700;
inline constexpr int kCmdFilterLast = 38705;
// Our own commands beyond the toolbar: the popup menu's rear camera item and the keyboard's.
inline constexpr int kCmdRearView = 38300;
inline constexpr int kCmdFullScreen = 38301;
inline constexpr int kCmdLeaveModes = 38302; // Escape: leave full screen, else zoom mode
// The popup menu's file commands of our own.
inline constexpr int kCmdTrack = 38303; // the open recording's track as GPX and KML
inline constexpr int kCmdTracks = 38304; // the tracks of recordings chosen in the selection dialog
inline constexpr int kCmdBundle = 38305; // evidence bundle
inline constexpr int kCmdRepair = 38306; // repair of a recording cut at power loss

constexpr bool isMenuFileCommand(int id)
{
    return id >= kCmdTrack && id <= kCmdRepair;
}

constexpr bool isToolbarCommand(int id)
{
    return id >= kCmdTop && id < kCmdTop + kToolbarButtons;
}

} // namespace kivora::app
