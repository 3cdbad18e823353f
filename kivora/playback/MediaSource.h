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

// What became of one packet handed to a decoder.
enum class PacketResult {
    Done, // taken (or dropped as damaged); every picture it completed went to the sink
    Interrupted, // the sink refused a picture (a seek or a stop came)
    Failed, // the decoder is unusable; error says why
};

// Sends packet to ctx (null drains it) and hands every picture the decoder gives back to sink, a
// callable bool(AVFrame*) that returns false to stop. A decoder that holds output before it takes
// more input gets the packet again once that output is taken.
template <class Sink>
PacketResult decodePacket(AVCodecContext* ctx, const AVPacket* packet, AVFrame* frame, Sink&& sink,
                          MediaError& error)
{
    bool pending = true;
    // Two rounds are enough for a decoder that keeps its contract; one that neither takes the
    // packet nor gives a picture would otherwise spin here forever.
    for (int round = 0; round < 3; ++round) {
        if (pending) {
            const MediaError sent = toMediaError(avcodec_send_packet(ctx, packet));
            if (sent == MediaError::EndOfFile && packet) {
                avcodec_flush_buffers(ctx); // drained earlier: take input again
                continue;
            }
            if (isFatal(sent)) {
                error = sent;
                return PacketResult::Failed;
            }
            pending = sent == MediaError::TryAgain; // anything else: taken, or dropped as damaged
        }
        for (;;) {
            const MediaError got = toMediaError(avcodec_receive_frame(ctx, frame));
            if (got == MediaError::None) {
                if (!sink(frame))
                    return PacketResult::Interrupted;
                continue;
            }
            if (isFatal(got)) {
                error = got;
                return PacketResult::Failed;
            }
            break; // wants input, drained, or a damaged picture that yields nothing
        }
        if (!pending)
            return PacketResult::Done;
    }
    error = MediaError::WrongState;
    return PacketResult::Failed;
}

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
