#pragma once

// The small bounded queue between the decode thread (producer) and the presenter (consumer):
// decoded pictures waiting to be mixed into an output surface.

#include "kivora/playback/MediaSource.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace kivora::playback {

struct DecodedFrame {
    AVFramePtr frame;
    Time100ns time = 0;
    Time100ns duration = 0;
    std::uint64_t generation = 0;
};

// Thread: one producer (decode thread), any consumers; all members guarded by m_mutex (a leaf lock).
class FrameQueue {
public:
    explicit FrameQueue(std::size_t capacity) : m_capacity(capacity) {}

    // Blocks while the queue is full. False when the frame is stale (a seek began a new generation)
    // or the queue was stopped; the frame is then dropped.
    bool push(DecodedFrame frame)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(lock, [&] {
            return m_stopped || frame.generation != m_generation || m_frames.size() < m_capacity;
        });
        if (m_stopped || frame.generation != m_generation)
            return false;
        m_frames.push_back(std::move(frame));
        return true;
    }

    // The next picture of the current generation, if any.
    std::optional<DecodedFrame> take()
    {
        std::lock_guard lock(m_mutex);
        if (m_frames.empty())
            return std::nullopt;
        DecodedFrame f = std::move(m_frames.front());
        m_frames.pop_front();
        m_notFull.notify_all();
        return f;
    }

    bool hasInput() const
    {
        std::lock_guard lock(m_mutex);
        return !m_frames.empty();
    }

    // Drops everything and starts generation g (also after stop); a blocked producer wakes up.
    void reset(std::uint64_t g)
    {
        std::lock_guard lock(m_mutex);
        m_frames.clear();
        m_generation = g;
        m_ended = false;
        m_stopped = false;
        m_notFull.notify_all();
    }

    // The producer has delivered the last picture of generation g.
    void markEnded(std::uint64_t g)
    {
        std::lock_guard lock(m_mutex);
        if (g == m_generation)
            m_ended = true;
    }

    // Ended and drained.
    bool endedAndEmpty() const
    {
        std::lock_guard lock(m_mutex);
        return m_ended && m_frames.empty();
    }

    void stop()
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_frames.clear();
        m_notFull.notify_all();
    }

private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_notFull;
    std::deque<DecodedFrame> m_frames;
    std::uint64_t m_generation = 0;
    bool m_ended = false;
    bool m_stopped = false;
};

} // namespace kivora::playback
