#include "kivora/app/PlaybackClock.h"

namespace kivora::app {

namespace {
constexpr int kStopped = 1;
constexpr int kPlaying = 2;
constexpr int kPaused = 3;
} // namespace

bool PlaybackClock::nearTarget(std::int64_t target, std::int64_t position, std::int64_t duration)
{
    const std::int64_t window = duration / 1000 + 30;
    return target - window < position && position < target + window;
}

ClockStep PlaybackClock::tick(const ClockInput& in)
{
    ClockStep step;
    step.mapStatusStep = true;
    if (!in.initialised)
        return step;
    if (in.state == kStopped || in.state == kPaused) {
        step.refreshMapChoice = true;
        step.mapStatusStep = false;
        return step;
    }
    if (in.state == kPlaying) {
        if (in.busy && !m_nearEndLock) {
            step.lockToolbar = true;
            m_nearEndLock = true;
        } else if (!in.busy && m_nearEndLock) {
            step.unlockToolbar = true;
            m_nearEndLock = false;
        }
    }
    // Positions of 0 or below (the first frame, or a clock that cannot be read) neither count as
    // a stall nor move the views.
    const std::int64_t p = in.position;
    if (p <= 0)
        return step;
    if (p == m_lastPosition) {
        if (++m_repeats > kStallTicks) {
            m_repeats = 0;
            step.kickTo = p - 1;
        }
    } else {
        m_lastPosition = p;
        m_repeats = 0;
    }
    if (m_pendingSeek == -1 || nearTarget(m_pendingSeek, p, in.duration)) {
        step.show = p;
        m_pendingSeek = -1;
    }
    return step;
}

} // namespace kivora::app
