#include "kivora/playback/Scheduler.h"

#include <chrono>
#include <cmath>

namespace kivora::playback {

void Scheduler::setFrameRate(double fps)
{
    std::lock_guard lock(m_mutex);
    m_frameDuration = Time100ns(10'000'000.0 / (fps > 0.0 ? fps : 30.0));
    m_quarterFrame = m_frameDuration / 4;
}

Time100ns Scheduler::frameDuration() const
{
    std::lock_guard lock(m_mutex);
    return m_frameDuration;
}

void Scheduler::setClock(const PresentationClock* clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = clock;
}

void Scheduler::setRate(float rate)
{
    std::lock_guard lock(m_mutex);
    m_rate = rate;
    m_signalled = true;
    m_wake.notify_all();
}

void Scheduler::startThread()
{
    if (m_thread.joinable())
        return;
    m_thread = std::jthread([this](std::stop_token st) { run(st); });
}

void Scheduler::stopThread()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    {
        std::lock_guard lock(m_mutex);
        m_wake.notify_all();
    }
    m_thread.join();
}

bool Scheduler::running() const { return m_thread.joinable(); }

void Scheduler::schedule(VideoSamplePtr sample)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(sample));
    m_signalled = true;
    m_wake.notify_all();
}

void Scheduler::wake()
{
    std::lock_guard lock(m_mutex);
    m_signalled = true;
    m_wake.notify_all();
}

std::vector<VideoSamplePtr> Scheduler::flush()
{
    std::lock_guard lock(m_mutex);
    std::vector<VideoSamplePtr> out(std::make_move_iterator(m_queue.begin()), std::make_move_iterator(m_queue.end()));
    m_queue.clear();
    return out;
}

bool Scheduler::queueEmpty() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty();
}

void Scheduler::waitPresented()
{
    std::unique_lock lock(m_mutex);
    m_presented.wait(lock, [&] { return !m_presenting; });
}

void Scheduler::run(std::stop_token stop)
{
    using namespace std::chrono;
    std::unique_lock lock(m_mutex);
    auto deadline = steady_clock::time_point::max();
    while (!stop.stop_requested()) {
        if (deadline == steady_clock::time_point::max())
            m_wake.wait(lock, stop, [&] { return m_signalled; });
        else
            m_wake.wait_until(lock, stop, deadline, [&] { return m_signalled; });
        if (stop.stop_requested())
            break;
        m_signalled = false;
        deadline = steady_clock::time_point::max();

        // Work through the queue: late and due samples are presented now; an early one waits.
        while (!m_queue.empty() && !stop.stop_requested()) {
            VideoSamplePtr sample = m_queue.front();
            if (m_clock) {
                Time100ns delta = sample->time - m_clock->time();
                if (m_rate < 0.0f)
                    delta = -delta;
                // A running clock reaches the picture while it is on its way to the screen; a
                // stopped one does not, and a picture ahead of it would not match the position.
                const Time100ns early = m_clock->running() ? 3 * m_quarterFrame : 0;
                if (delta > early) {
                    const double waitMs =
                        double(delta - early) / 10'000.0 / std::max(std::fabs(double(m_rate)), 1e-3);
                    if (waitMs >= 1.0) {
                        // A paused clock never catches up: look again at least every 100 ms.
                        deadline = steady_clock::now() + microseconds(std::int64_t(std::min(waitMs, 100.0) * 1000));
                        break;
                    }
                }
            }
            m_queue.pop_front();
            m_presenting = true;
            lock.unlock();
            m_present(std::move(sample));
            lock.lock();
            m_presenting = false;
            m_presented.notify_all();
        }
    }
}

} // namespace kivora::playback
