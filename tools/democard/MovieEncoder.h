#pragma once

#include "tools/democard/Result.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kivora::democard {

// 8-bit 4:2:0 planes of one picture, owned by the encoder.
struct FramePlanes {
    std::uint8_t* y = nullptr;
    std::uint8_t* u = nullptr;
    std::uint8_t* v = nullptr;
    int yStride = 0;
    int uvStride = 0;
    int width = 0;
    int height = 0;
};

struct MovieRecipe {
    int width = 1280;
    int height = 720;
    int fps = 30;
    int frameCount = 450;
    bool audio = true;
    int audioRate = 16000;
    // Bits per second of the picture, as a recorder holds it; 0: constant quality, which keeps the
    // clean drawn scene at about 0.5 Mbit/s.
    int bitRate = 0;
};

// The bit rate a recorder writes for a picture of this size: about 12 Mbit/s at 1080p and
// 6 Mbit/s at 720p, by pixel count in between and below (at least 1 Mbit/s).
int recorderBitRate(int width, int height);

using PaintFrame = std::function<void(int frameIndex, FramePlanes& planes)>;
// Fills samples (mono, -1..1) starting at sample number first.
using FillAudio = std::function<void(std::int64_t first, std::span<float> samples)>;

// Encodes H.264 (key frame every second, no B-frames, one encoder thread so the bytes are
// reproducible; at recipe.bitRate when it is set) and AAC mono, and muxes them as a QuickTime movie in memory, video track first.
// The result is the muxer's file as is; arrangeRecorderMovie() turns it into a recorder's layout.
Result<std::vector<std::uint8_t>> encodeMovie(
    const MovieRecipe& recipe, const PaintFrame& paint, const FillAudio& audio);

// FFmpeg's own chatter (encoder statistics) off; errors still reach stderr. Process-wide.
void quietFfmpegLogs();

// Audio samples that fit inside the video's duration (the audio never makes the movie longer).
std::int64_t audioSampleCount(const MovieRecipe& recipe);

} // namespace kivora::democard
