#pragma once

// The presenter's timing thread: holds delivered surfaces until the presentation clock reaches
// them and then has them presented.

#include "kivora/playback/PresentationClock.h"
#include "kivora/playback/VideoSample.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kivora::playback {

class Scheduler {
public:
    // Called on the scheduler thread, outside the scheduler's lock.
    using PresentFn = std::function<void(VideoSamplePtr)>;

    explicit Scheduler(PresentFn present) : m_present(std::move(present)) {}
    ~Scheduler() { stopThread(); }
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Frame duration from the output type's frame rate; 30 frames per second when it has none.
    void setFrameRate(double fps);
    Time100ns frameDuration() const;
    void setClock(const PresentationClock* clock);
    void setRate(float rate);

    void startThread();
    // Ends the thread; must not be called with a lock the presenter's callback takes.
    void stopThread();
    bool running() const;

    // Queues a sample and wakes the thread.
    void schedule(VideoSamplePtr sample);
    // Wakes the thread to look at the queue again (the clock started).
    void wake();
    // Empties the queue and hands its samples back (for the pool).
    std::vector<VideoSamplePtr> flush();
    bool queueEmpty() const;
    // Returns once no picture is between leaving the queue and reaching the screen.
    void waitPresented();

private:
    void run(std::stop_token stop);

    PresentFn m_present;
    mutable std::mutex m_mutex; // guards everything below; the thread presents outside it
    std::condition_variable_any m_wake;
    std::deque<VideoSamplePtr> m_queue;
    bool m_signalled = false;
    bool m_presenting = false;
    std::condition_variable_any m_presented;
    const PresentationClock* m_clock = nullptr;
    float m_rate = 1.0f;
    Time100ns m_frameDuration = 333'333;
    Time100ns m_quarterFrame = 83'333;
    std::jthread m_thread; // started by startThread, joined by stopThread (owner: the presenter)
};

} // namespace kivora::playback
