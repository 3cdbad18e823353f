#pragma once

// The presentation clock of one session, in 100 ns units from the start of the movie: a monotonic
// clock times the rate. The sound is fed in step with it and does not drive it: the position a
// sound device reports through Qt moves in steps and lags while its buffer fills, and a clock
// that followed it held the pictures back. Recordings are minutes long, so the sound card's drift
// against the monotonic clock stays well under a frame.

#include "kivora/playback/MediaSource.h"

#include <chrono>
#include <mutex>

namespace kivora::playback {

enum class ClockState { Stopped, Running, Paused };

// Thread: any; every member is guarded by the clock's own mutex (a leaf lock).
class PresentationClock {
public:
    void start();                    // from the current time
    void pause();
    void stop();                     // keeps the time (the session pauses for Stop)
    void setTime(Time100ns t);       // a seek: the clock holds t
    void setRate(float rate);

    Time100ns time() const;
    float rate() const;
    ClockState state() const;
    bool running() const { return state() == ClockState::Running; }

private:
    using Steady = std::chrono::steady_clock;
    Time100ns timeLocked() const;

    mutable std::mutex m_mutex;
    ClockState m_state = ClockState::Stopped;
    float m_rate = 1.0f;
    Time100ns m_anchorTime = 0; // media time at m_anchorWall
    Steady::time_point m_anchorWall{};
};

} // namespace kivora::playback
