#pragma once

// Sound of the main camera through QAudioSink. No audio device means no AudioOutput: the movie
// plays silent on the monotonic clock.

#include "kivora/playback/MediaSource.h"

#include <cstdint>
#include <memory>

namespace kivora::playback {

class AudioOutput {
public:
    // 16-bit interleaved PCM of sampleRate and channels (1 or 2). None when there is no device or
    // it cannot take the format.
    static std::unique_ptr<AudioOutput> create(int sampleRate, int channels);
    virtual ~AudioOutput() = default;

    // Decode thread: appends PCM. Blocks while the buffer is full; false when the generation moved
    // on or the output stopped (the data is dropped).
    virtual bool write(const std::uint8_t* data, std::size_t bytes, std::uint64_t generation) = 0;
    // Drops the buffered sound and starts generation g.
    virtual void reset(std::uint64_t generation) = 0;
    virtual void setPlaying(bool playing) = 0;
    virtual void setVolume(float volume) = 0; // 0..1
    virtual void stop() = 0;
};

} // namespace kivora::playback
