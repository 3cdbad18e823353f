#pragma once

#include <cstdint>

namespace kivora::app {

// Where a seek to frame `requested` goes: never into the last `margin` frames of the movie
// (sliderMaximum is the duration in frames), so that the end of the movie is not reached while
// the seek settles. Never below frame 0, however short the movie.
std::int64_t seekFrame(std::int64_t requested, int sliderMaximum, int margin);

// The frame the views show for a request: inside the slider's range, below its maximum.
// An empty range (0..0) shows frame 0.
int shownFrame(std::int64_t requested, int sliderMinimum, int sliderMaximum);

} // namespace kivora::app
