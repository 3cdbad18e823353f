#pragma once

// Numbers the main window's own workers and its video window post to it. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::app {

inline constexpr unsigned kMsgFileOpProgress = 0x8008; // wParam items done, lParam item count
inline constexpr unsigned kMsgFileOpFinished = 0x8516; // lParam result
inline constexpr unsigned kMsgDeleteFinished = 0x8517; // lParam result
inline constexpr unsigned kMsgTelemetryLoaded = 0x8515; // lParam loaded (0 or 1)
inline constexpr unsigned kMsgPostShowInit = 0x8518;
inline constexpr unsigned kMsgVideoWindowPainted = 0x8579;
inline constexpr unsigned kMsgVideoWindowClosed = 0x857a; // accepted and ignored
inline constexpr unsigned kMsgVideoWindowRedock = 0x857b;
inline constexpr unsigned kMsgVideoWindowDpiChanged = 0x857c;

} // namespace kivora::app
