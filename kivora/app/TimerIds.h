#pragma once

// Numbers of the main window's timers. The toolbar's own timers (104, 105) and the window chrome's
// (106) are started by the code that owns them; the main window only stops them.
namespace kivora::app {

inline constexpr int kTimerClock = 100; // kClockMs: the playback clock
inline constexpr int kClockMs = 30;
inline constexpr int kTimerDelayedOpen = 101; // 500 ms, one shot: open the selected recording
inline constexpr int kTimerOpenTimeout = 102; // 5000 ms, one shot: give up waiting for an open
inline constexpr int kTimerIdle = 103; // 1000 ms: not needed with Qt's event loop, never started
inline constexpr int kTimerToolbar104 = 104;
inline constexpr int kTimerToolbar105 = 105;
inline constexpr int kTimerChromeMoveEnd
    = 106; // half the double-click time, one shot: finish a move or resize

} // namespace kivora::app
