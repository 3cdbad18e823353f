#include "kivora/playback/PresentationClock.h"

namespace kivora::playback {

Time100ns PresentationClock::timeLocked() const
{
    if (m_state != ClockState::Running)
        return m_anchorTime;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - m_anchorWall).count();
    return m_anchorTime + Time100ns(double(elapsed) / 100.0 * double(m_rate));
}

void PresentationClock::start()
{
    std::lock_guard lock(m_mutex);
    if (m_state == ClockState::Running)
        return;
    m_anchorWall = Steady::now();
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
