#include "kivora/playback/FfmpegSampleJudge.h"

#include <algorithm>
#include <cstring>

namespace kivora::playback {

namespace {

AVCodecContextPtr openDecoder(AVCodecID id, const std::vector<std::uint8_t>& config, int strictness)
{
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec)
        return nullptr;
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        return nullptr;
    ctx->extradata = static_cast<std::uint8_t*>(av_mallocz(config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!ctx->extradata)
        return nullptr;
    std::memcpy(ctx->extradata, config.data(), config.size());
    ctx->extradata_size = int(config.size());
    // A frame that does not decode cleanly must fail, not be concealed. For video that includes
    // slice data left over at the picture's end: the sign of a picture coded at another size.
    ctx->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER | strictness;
    ctx->thread_count = 1;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return nullptr;
    return ctx;
}

} // namespace

std::unique_ptr<FfmpegSampleJudge> FfmpegSampleJudge::create(
    const recording::RepairTemplate& tpl, std::string& error)
{
    std::unique_ptr<FfmpegSampleJudge> judge(new FfmpegSampleJudge);
    judge->m_packet = makePacket();
    judge->m_frame = makeFrame();
    const auto* video = tpl.track(recording::TrackKind::Video);
    judge->m_video = video ? openDecoder(AV_CODEC_ID_H264, video->decoderConfig, AV_EF_AGGRESSIVE) : nullptr;
    if (!judge->m_video) {
        error = "cannot open an H.264 decoder with the template's configuration";
        return nullptr;
    }
    judge->m_width = video->width;
    judge->m_height = video->height;
    if (const auto* sound = tpl.track(recording::TrackKind::Sound)) {
        judge->m_sound = openDecoder(AV_CODEC_ID_AAC, sound->decoderConfig, 0);
        if (!judge->m_sound) {
            error = "cannot open an AAC decoder with the template's configuration";
            return nullptr;
        }
    }
    if (!judge->m_packet || !judge->m_frame) {
        error = "out of memory";
        return nullptr;
    }
    return judge;
}

bool FfmpegSampleJudge::soundDecodes(std::span<const std::uint8_t> data)
{
    avcodec_flush_buffers(m_sound.get());
    av_packet_unref(m_packet.get());
    if (av_new_packet(m_packet.get(), int(data.size())) < 0)
        return false;
    std::memcpy(m_packet->data, data.data(), data.size());
    if (avcodec_send_packet(m_sound.get(), m_packet.get()) < 0)
        return false;
    const int got = avcodec_receive_frame(m_sound.get(), m_frame.get());
    av_frame_unref(m_frame.get());
    return got == 0;
}

std::size_t FfmpegSampleJudge::soundFrameLength(std::span<const std::uint8_t> data)
{
    // The decoder consumes one frame of a longer packet and fails on any packet cut short of the
    // frame's end, so the frame's length is the shortest packet that decodes. Frames of a stream
    // keep near one length: the search starts at the last one and widens from there.
    if (!m_sound || data.empty())
        return 0;
    const auto fits = [&](std::size_t length) { return length && soundDecodes(data.first(length)); };
    std::size_t low = 0, high = 0; // !fits(low), fits(high)
    const std::size_t start = std::clamp<std::size_t>(m_lastLength, 1, data.size());
    if (fits(start)) {
        high = start;
        for (std::size_t step = 1;; step *= 2) {
            low = high > step ? high - step : 0;
            if (!fits(low))
                break;
            high = low;
        }
    } else {
        low = start;
        for (std::size_t step = 1;; step *= 2) {
            if (low == data.size())
                return 0;
            high = std::min(low + step, data.size());
            if (fits(high))
                break;
            low = high;
        }
    }
    while (high - low > 1) {
        const std::size_t mid = low + (high - low) / 2;
        (fits(mid) ? high : low) = mid;
    }
    m_lastLength = high;
    return high;
}

bool FfmpegSampleJudge::soundFrameEndsAt(std::span<const std::uint8_t> data, std::size_t length)
{
    if (!m_sound || length < 2 || length > data.size() || !soundDecodes(data.first(length))
        || soundDecodes(data.first(length - 1)))
        return false;
    m_lastLength = length;
    return true;
}

bool FfmpegSampleJudge::keyFrameFits(std::span<const std::uint8_t> sample)
{
    avcodec_flush_buffers(m_video.get());
    av_packet_unref(m_packet.get());
    if (sample.empty() || av_new_packet(m_packet.get(), int(sample.size())) < 0)
        return false;
    std::memcpy(m_packet->data, sample.data(), sample.size());
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if (avcodec_send_packet(m_video.get(), m_packet.get()) < 0
        || avcodec_send_packet(m_video.get(), nullptr) < 0)
        return false;
    const int got = avcodec_receive_frame(m_video.get(), m_frame.get());
    const bool fits = got == 0 && m_frame->width == m_width && m_frame->height == m_height
        && !(m_frame->flags & AV_FRAME_FLAG_CORRUPT) && !m_frame->decode_error_flags;
    av_frame_unref(m_frame.get());
    return fits;
}

bool FfmpegSampleJudge::lastPictureDecodes(const std::vector<std::vector<std::uint8_t>>& pictures)
{
    avcodec_flush_buffers(m_video.get());
    std::size_t decoded = 0;
    bool clean = true;
    const auto drain = [&] {
        for (;;) {
            const int got = avcodec_receive_frame(m_video.get(), m_frame.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0)
                return false;
            ++decoded;
            clean = !(m_frame->flags & AV_FRAME_FLAG_CORRUPT) && !m_frame->decode_error_flags;
            av_frame_unref(m_frame.get());
        }
    };
    for (const auto& picture : pictures) {
        av_packet_unref(m_packet.get());
        if (picture.empty() || av_new_packet(m_packet.get(), int(picture.size())) < 0)
            return false;
        std::memcpy(m_packet->data, picture.data(), picture.size());
        if (avcodec_send_packet(m_video.get(), m_packet.get()) < 0 || !drain())
            return false;
    }
    // Pictures are not reordered (the template was checked for that): the last one out is the last one in.
    return avcodec_send_packet(m_video.get(), nullptr) >= 0 && drain() && decoded == pictures.size() && clean;
}

} // namespace kivora::playback
