#pragma once

#include <cstdint>
#include <optional>

namespace kivora::app {

// What the 30 ms clock sees of the main camera at one tick, read by the window just before.
struct ClockInput {
    bool initialised = false; // the main engine is initialised
    int state = 0; // EngineState: 0 closed, 1 stopped, 2 playing, 3 paused
    bool busy = false; // the busy guard's answer (only read while playing)
    std::int64_t position = 0; // frames
    std::int64_t duration = 0; // frames
};

// What the window does for one tick, in this order: the map choice (stopped or paused, and then
// nothing else but the map status step is skipped too), the near-end toolbar lock, the stall
// kick, showing a frame, the map status step.
struct ClockStep {
    bool refreshMapChoice = false; // stopped or paused: the logo or an unconnected page may change
    bool lockToolbar = false; // entering the end region: disable the whole toolbar
    bool unlockToolbar = false; // left it again: refresh the toolbar
    std::optional<std::int64_t> kickTo; // stalled: PauseBoth, SeekBoth(*kickTo), PlayBoth
    std::optional<std::int64_t> show; // show this frame in every view
    bool mapStatusStep = false;
};

// The 30 ms clock as a rule: it keeps the stall detector, the pending seek target and the
// near-end lock and says what to do; the window acts. UI thread only.
class PlaybackClock {
public:
    static constexpr int kStallTicks = 30; // about 0.9 s of an unmoving position while playing

    ClockStep tick(const ClockInput& in);

    // The frame the views were last asked to show; -1 when no seek is pending.
    std::int64_t pendingSeek() const { return m_pendingSeek; }
    void setPendingSeek(std::int64_t frame) { m_pendingSeek = frame; }
    void clearPendingSeek() { m_pendingSeek = -1; }

    bool nearEndLock() const { return m_nearEndLock; }
    void clearNearEndLock() { m_nearEndLock = false; }

    // True when p is close enough to the seek target t for the views to follow the engine again:
    // t − (d/1000 + 30) < p < t + (d/1000 + 30).
    static bool nearTarget(std::int64_t target, std::int64_t position, std::int64_t duration);

    int repeatCount() const { return m_repeats; }

private:
    std::int64_t m_pendingSeek = -1;
    std::int64_t m_lastPosition = 0;
    int m_repeats = 0;
    bool m_nearEndLock = false;
};

} // namespace kivora::app
