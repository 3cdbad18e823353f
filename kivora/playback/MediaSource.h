#pragma once

// One opened movie file: the demuxer and the decoders of its first video and first audio stream.

#include "kivora/playback/FfmpegHandles.h"

#include <QImage>

#include <cstdint>
#include <filesystem>

namespace kivora::playback {

// Times inside the back-end are in 100 ns units from the start of the movie.
using Time100ns = std::int64_t;

struct MediaSource {
    AVFormatContextPtr format;
    int videoStream = -1;
    AVCodecContextPtr video; // always present after a successful open
    int audioStream = -1;
    AVCodecContextPtr audio; // none: no audio stream, or one we cannot decode (silent playback)
    Time100ns duration = 0;
    int width = 0;
    int height = 0;
    double frameRate = 0.0; // from the stream; 0 when unknown

    // Opens path and the decoders. A video stream that cannot be decoded fails the open; an audio
    // stream that cannot be decoded is left out. wantAudio false skips the audio decoder.
    static MediaError open(const std::filesystem::path& path, bool wantAudio, MediaSource& out);

    // Presentation time of a frame or packet timestamp of stream index, from the movie's start.
    Time100ns toTime(int stream, std::int64_t ts) const;
    std::int64_t fromTime(int stream, Time100ns t) const;
};

// Converts decoded pictures to 32-bit RGB images, in the colour matrix and range the picture is
// tagged with.
class FrameConverter {
public:
    // Writes frame into image, scaled to size (the native size when size is empty). The image is
    // reallocated when its size differs or when its pixels are shared: writing would otherwise
    // copy them first. False when it cannot convert.
    bool convert(const AVFrame& frame, QImage& image, QSize size = {});

private:
    SwsContextPtr m_sws;
    int m_srcW = 0, m_srcH = 0, m_srcFormat = -1, m_srcSpace = -1, m_srcRange = -1, m_dstW = 0, m_dstH = 0;
};

// Decodes the picture shown at time t (the first frame whose span reaches t, counted from the key
// frame before it). A null image when there is none.
QImage decodeFrameAt(MediaSource& source, Time100ns t);

} // namespace kivora::playback
