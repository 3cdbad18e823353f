#pragma once

namespace kivora::playback {

// Messages the engine posts to its camera's video surface. Their parameters carry nothing.
inline constexpr unsigned kWmApp = 0x8000;
inline constexpr unsigned WM_MOVIE_ENDED = kWmApp + 0x3EA;
inline constexpr unsigned WM_MOVIE_READY = kWmApp + 0x3EB;
inline constexpr unsigned WM_GRAPH_EVENT = kWmApp + 4;

} // namespace kivora::playback
