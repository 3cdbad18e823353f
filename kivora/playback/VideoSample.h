#pragma once

#include "kivora/playback/MediaSource.h"
#include "kivora/playback/VideoPicture.h"

#include <cstdint>
#include <memory>

namespace kivora::playback {

// One output surface of the presenter: a picture at the movie's native size. Owned by the sample
// pool; while taken from it, by exactly one of: the presenter, the scheduler queue, or the present
// engine (on screen).
struct VideoSample {
    VideoPicture picture; // null while the surface is free
    Time100ns time = 0;   // presentation time of the picture it holds
    Time100ns duration = 0;
    std::uint64_t generation = 0; // seek generation of the picture it holds
    std::uint32_t token = 0;      // pool token at creation; an old token is dropped on return
};

using VideoSamplePtr = std::shared_ptr<VideoSample>;

} // namespace kivora::playback
