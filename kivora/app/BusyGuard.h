#pragma once

#include <cstdint>

namespace kivora::app {

// What the busy guard needs to know about the main camera's engine. An engine that is not
// initialised reads as all zero (closed, rate 0, no duration).
struct EngineSnapshot {
    bool initialised = false;
    bool playing = false; // neither stopped, paused nor closed
    int rateCode = 0;
    std::int64_t position = 0; // frames
    std::int64_t duration = 0; // frames
};

// Frames before the end of a movie inside which commands are refused and seeks are held back:
// the faster the playback, the sooner the end arrives. 40 at x2, 80 at x4, else 20.
int endMargin(int rateCode);

// Commands that need a movie refuse to run while the telemetry is not loaded (opened clear) or
// while playback runs inside the last endMargin frames of the movie.
bool isBusy(bool opened, const EngineSnapshot& engine);

} // namespace kivora::app
