#include "kivora/playback/PresentationClock.h"

#include <algorithm>

namespace kivora::playback {

void PresentationClock::setAudioSource(AudioTime source)
{
    std::lock_guard lock(m_mutex);
    m_audio = std::move(source);
}

Time100ns PresentationClock::timeLocked() const
{
    if (m_state != ClockState::Running)
        return m_anchorTime;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - m_anchorWall).count();
    Time100ns t = m_anchorTime + Time100ns(double(elapsed) / 100.0 * double(m_rate));
    if (m_rate == 1.0f && m_audio) {
        // While the sound plays it is the clock; an audio position far from the running time
        // (a gap, a device that stalled) is not trusted, and the monotonic time carries on.
        const Time100ns a = m_audio();
        if (a >= 0 && a > t - kAudioTrust && a < t + kAudioTrust) {
            t = a;
            m_anchorTime = std::max(a, m_lastRead);
            m_anchorWall = Steady::now();
        }
    }
    m_lastRead = std::max(t, m_lastRead);
    return m_lastRead;
}

void PresentationClock::start()
{
    std::lock_guard lock(m_mutex);
    if (m_state == ClockState::Running)
        return;
    m_anchorWall = Steady::now();
    m_lastRead = m_anchorTime;
    m_state = ClockState::Running;
}

void PresentationClock::pause()
{
    std::lock_guard lock(m_mutex);
    m_anchorTime = timeLocked();
    m_state = ClockState::Paused;
}

void PresentationClock::stop()
{
    std::lock_guard lock(m_mutex);
    m_anchorTime = timeLocked();
    m_state = ClockState::Stopped;
}

void PresentationClock::setTime(Time100ns t)
{
    std::lock_guard lock(m_mutex);
    m_anchorTime = t;
    m_anchorWall = Steady::now();
    m_lastRead = t;
}

void PresentationClock::setRate(float rate)
{
    std::lock_guard lock(m_mutex);
    m_anchorTime = timeLocked();
    m_anchorWall = Steady::now();
    m_rate = rate;
}

Time100ns PresentationClock::time() const
{
    std::lock_guard lock(m_mutex);
    return timeLocked();
}

float PresentationClock::rate() const
{
    std::lock_guard lock(m_mutex);
    return m_rate;
}

ClockState PresentationClock::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

} // namespace kivora::playback
