#pragma once

// Numbers the recording source posts to the main window. They are fixed: receivers
// dispatch them by number, and they keep the values they have always had.
namespace kivora::browse {

inline constexpr unsigned kMsgSourceRemoved = 0x84b1;

} // namespace kivora::browse
