// Decode-and-present throughput of one movie: every picture decoded and mixed into a native-size
// 32-bit surface, as the presenter does, without waiting for the clock.
// Usage: bench_playback_decode MOVIE  → prints the wall-clock seconds and the frame count.

#include "kivora/playback/MediaSource.h"

#include <chrono>
#include <cstdio>

using namespace kivora::playback;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: bench_playback_decode MOVIE\n", stderr);
        return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    MediaSource source;
    if (MediaSource::open(argv[1], false, source) != MediaError::None) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    AVPacketPtr packet = makePacket();
    AVFramePtr frame = makeFrame();
    FrameConverter converter;
    QImage surface;
    long frames = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(source.video.get(), frame.get()) >= 0) {
            if (converter.convert(*frame, surface))
                ++frames;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(source.format.get(), packet.get()) >= 0) {
        if (packet->stream_index == source.videoStream && avcodec_send_packet(source.video.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(source.video.get(), nullptr);
    drain();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%.3f %ld\n", s, frames);
    return frames > 0 ? 0 : 1;
}
