#pragma once

// The presentation clock of one session, in 100 ns units from the start of the movie. While audio
// plays at its own speed the audio output's position drives it; otherwise a monotonic clock times
// the rate.

#include "kivora/playback/MediaSource.h"

#include <chrono>
#include <functional>
#include <mutex>

namespace kivora::playback {

enum class ClockState { Stopped, Running, Paused };

// Thread: any; every member is guarded by the clock's own mutex (a leaf lock).
class PresentationClock {
public:
    // Audio position source: the time of the sample being heard, or a negative value while audio
    // is not playing (buffer empty, no device, not started).
    using AudioTime = std::function<Time100ns()>;

    void setAudioSource(AudioTime source);

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
    static constexpr Time100ns kAudioTrust = 2'000'000; // 200 ms
    Time100ns timeLocked() const;

    mutable std::mutex m_mutex;
    ClockState m_state = ClockState::Stopped;
    float m_rate = 1.0f;
    // Reading the clock re-anchors it on the audio position, hence mutable.
    mutable Time100ns m_anchorTime = 0;        // media time at m_anchorWall
    mutable Steady::time_point m_anchorWall{};
    AudioTime m_audio;
    mutable Time100ns m_lastRead = 0;  // reads never go backwards while running
};

} // namespace kivora::playback
