#pragma once

#include "kivora/playback/MediaSource.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace kivora::playback {

// One output surface of the presenter: a picture at the movie's native size. Owned by the sample
// pool; while taken from it, by exactly one of: the presenter (mixing), the scheduler queue, or
// the present engine (on screen).
struct VideoSample {
    QImage image;       // 32-bit RGB, native size
    AVFramePtr picture; // decoded and not yet mixed into image: mixed only when it is shown
    Time100ns time = 0; // presentation time of the picture it holds
    Time100ns duration = 0;
    std::uint64_t generation = 0; // seek generation of the picture it holds
    std::uint32_t token = 0;      // pool token at creation; an old token is dropped on return
};

using VideoSamplePtr = std::shared_ptr<VideoSample>;

} // namespace kivora::playback
