// Packets through a decoder: damaged ones are dropped, an unusable decoder fails instead of
// spinning, and a sink that refuses stops the packet at once.

#include "kivora/playback/MediaSource.h"
#include "tests/playback/MovieFixture.h"

#include <gtest/gtest.h>

using namespace kivora::playback;
using namespace kivora::playback::test;

namespace {

struct Decoder {
    explicit Decoder(bool open)
    {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
        ctx.reset(avcodec_alloc_context3(codec));
        if (open) {
            EXPECT_GE(avcodec_open2(ctx.get(), codec, nullptr), 0);
        }
    }
    AVCodecContextPtr ctx;
    AVFramePtr frame = makeFrame();
};

AVPacketPtr packetOf(std::vector<std::uint8_t> bytes)
{
    AVPacketPtr p = makePacket();
    EXPECT_GE(av_new_packet(p.get(), int(bytes.size())), 0);
    std::copy(bytes.begin(), bytes.end(), p->data);
    return p;
}

} // namespace

TEST(DecodePacket, DamageIsDroppedAndAnUnusableDecoderFails)
{
    struct Case {
        const char* what;
        bool open;
        std::vector<std::uint8_t> bytes;
        PacketResult result;
    };
    const Case cases[] = {
        {"garbage", true, std::vector<std::uint8_t>(300, 0xa7), PacketResult::Done},
        {"a slice without its parameter sets",
         true,
         {0, 0, 0, 5, 0x65, 0x88, 0x84, 0x00, 0x33},
         PacketResult::Done},
        {"decoder never opened", false, std::vector<std::uint8_t>(300, 0xa7), PacketResult::Failed},
    };
    for (const Case& c : cases) {
        Decoder d(c.open);
        AVPacketPtr packet = packetOf(c.bytes);
        int pictures = 0;
        MediaError error = MediaError::None;
        const PacketResult r = decodePacket(
            d.ctx.get(), packet.get(), d.frame.get(),
            [&](AVFrame* f) {
                av_frame_unref(f);
                return ++pictures > 0;
            },
            error);
        EXPECT_EQ(r, c.result) << c.what;
        EXPECT_EQ(pictures, 0) << c.what;
        EXPECT_EQ(isFatal(error), c.result == PacketResult::Failed) << c.what;
    }
}

TEST(DecodePacket, EveryPictureReachesTheSinkAndARefusalStops)
{
    TempFolder folder;
    ASSERT_TRUE(writeMovie(folder.path() / "m.MOV", {30, 12, 160, 96, false}));
    for (const int refuseAt : {-1, 3}) {
        MediaSource source;
        ASSERT_EQ(MediaSource::open(folder.path() / "m.MOV", false, source), MediaError::None);
        AVPacketPtr packet = makePacket();
        AVFramePtr frame = makeFrame();
        int pictures = 0;
        MediaError error = MediaError::None;
        auto sink = [&](AVFrame* f) {
            av_frame_unref(f);
            return ++pictures != refuseAt;
        };
        PacketResult r = PacketResult::Done;
        while (r == PacketResult::Done && av_read_frame(source.format.get(), packet.get()) >= 0) {
            if (packet->stream_index == source.videoStream)
                r = decodePacket(source.video.get(), packet.get(), frame.get(), sink, error);
            av_packet_unref(packet.get());
        }
        if (r == PacketResult::Done)
            r = decodePacket(source.video.get(), nullptr, frame.get(), sink, error);
        EXPECT_EQ(r, refuseAt < 0 ? PacketResult::Done : PacketResult::Interrupted);
        EXPECT_EQ(pictures, refuseAt < 0 ? 12 : refuseAt);
        EXPECT_EQ(error, MediaError::None);
    }
}
