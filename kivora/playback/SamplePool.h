#pragma once

#include "kivora/playback/VideoSample.h"

#include <mutex>
#include <vector>

namespace kivora::playback {

// The free output surfaces. Thread: any; guarded by its own mutex (a leaf lock).
class SamplePool {
public:
    // Replaces the pool's surfaces; surfaces still out from an earlier set are dropped on return.
    void initialize(std::vector<VideoSamplePtr> samples);
    void clear();

    // A free surface, or none (all are in use).
    VideoSamplePtr take();
    // Gives a surface back; false when it belongs to an older set (token) and was dropped.
    bool giveBack(VideoSamplePtr sample);

    bool initialized() const;
    int outstanding() const; // taken and not returned

private:
    mutable std::mutex m_mutex;
    std::vector<VideoSamplePtr> m_free;
    bool m_initialized = false;
    int m_outstanding = 0;
    std::uint32_t m_token = 0;
};

} // namespace kivora::playback
