#include "kivora/app/PlaybackClock.h"

namespace kivora::app {

bool PlaybackClock::nearTarget(std::int64_t target, std::int64_t position, std::int64_t duration)
{
    const std::int64_t window = duration / 1000 + 30;
    return target - window < position && position < target + window;
}

void PlaybackClock::tick(std::int64_t p, std::int64_t d, Actions& actions)
{
    if (p <= 0)
        return;
    if (p == m_lastPosition) {
        if (++m_repeats > kStallTicks) {
            m_repeats = 0;
            actions.pauseBoth();
            actions.seekBoth(p - 1);
            actions.playBoth();
        }
    } else {
        m_lastPosition = p;
        m_repeats = 0;
    }
    if (m_pendingSeek == -1 || nearTarget(m_pendingSeek, p, d)) {
        actions.showFrame(p);
        m_pendingSeek = -1;
    }
}

} // namespace kivora::app
