#include "tools/democard/MovieEncoder.h"

#include "tools/democard/FfmpegHandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace kivora::democard {

namespace {
std::string avError(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

// The muxer writes into memory; it seeks back to patch sizes, so the sink must be seekable.
struct MemorySink {
    std::vector<std::uint8_t> bytes;
    std::int64_t position = 0;

    static int write(void* opaque, std::uint8_t* buf, int size)
    {
        auto* self = static_cast<MemorySink*>(opaque);
        const auto end = static_cast<std::size_t>(self->position) + static_cast<std::size_t>(size);
        if (self->bytes.size() < end)
            self->bytes.resize(end);
        std::memcpy(self->bytes.data() + self->position, buf, static_cast<std::size_t>(size));
        self->position += size;
        return size;
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence)
    {
        auto* self = static_cast<MemorySink*>(opaque);
        const auto size = static_cast<std::int64_t>(self->bytes.size());
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            self->position = offset;
            break;
        case SEEK_CUR:
            self->position += offset;
            break;
        case SEEK_END:
            self->position = size + offset;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (self->position < 0)
            return AVERROR(EINVAL);
        return self->position;
    }
};

class Muxer {
public:
    Result<bool> run(const MovieRecipe& recipe, const PaintFrame& paint, const FillAudio& fillAudio);
    std::vector<std::uint8_t> takeBytes() { return std::move(m_sink.bytes); }

private:
    Result<bool> openVideo(const MovieRecipe& recipe);
    Result<bool> openAudio(const MovieRecipe& recipe);
    Result<bool> drain(AVCodecContext* codec, AVStream* stream);

    MemorySink m_sink;
    FormatContextPtr m_format;
    IoContextPtr m_io;
    CodecContextPtr m_video;
    CodecContextPtr m_audio;
    AVStream* m_videoStream = nullptr; // owned by m_format
    AVStream* m_audioStream = nullptr; // owned by m_format
    PacketPtr m_packet { av_packet_alloc() };
};

Result<bool> Muxer::openVideo(const MovieRecipe& recipe)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return Result<bool>::failure("the H.264 encoder libx264 is not available");
    m_video.reset(avcodec_alloc_context3(codec));
    if (!m_video)
        return Result<bool>::failure("out of memory");
    AVCodecContext* c = m_video.get();
    c->width = recipe.width;
    c->height = recipe.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational { 1, recipe.fps };
    c->framerate = AVRational { recipe.fps, 1 };
    c->gop_size = recipe.fps;
    c->keyint_min = recipe.fps;
    c->max_b_frames = 0;
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    if (recipe.bitRate > 0) {
        // A recorder's encoder holds its rate over a second or two, as a hardware encoder does.
        c->bit_rate = recipe.bitRate;
        c->rc_max_rate = recipe.bitRate + recipe.bitRate / 4;
        c->rc_buffer_size = recipe.bitRate * 2;
    } else {
        av_opt_set(c->priv_data, "crf", "26", 0);
    }
    // A key frame exactly every second, closed GOPs, nothing reordered.
    av_opt_set(c->priv_data, "x264-params", "scenecut=0:open-gop=0:bframes=0:threads=1:sliced-threads=0", 0);
    if (int err = avcodec_open2(c, codec, nullptr); err < 0)
        return Result<bool>::failure("cannot open the H.264 encoder: " + avError(err));
    m_videoStream = avformat_new_stream(m_format.get(), nullptr);
    if (!m_videoStream)
        return Result<bool>::failure("out of memory");
    m_videoStream->time_base = c->time_base;
    m_videoStream->avg_frame_rate = c->framerate;
    if (int err = avcodec_parameters_from_context(m_videoStream->codecpar, c); err < 0)
        return Result<bool>::failure("video stream parameters: " + avError(err));
    return Result<bool>::success(true);
}

Result<bool> Muxer::openAudio(const MovieRecipe& recipe)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return Result<bool>::failure("the AAC encoder is not available");
    m_audio.reset(avcodec_alloc_context3(codec));
    if (!m_audio)
        return Result<bool>::failure("out of memory");
    AVCodecContext* c = m_audio.get();
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = recipe.audioRate;
    av_channel_layout_default(&c->ch_layout, 1);
    c->bit_rate = 32000;
    c->time_base = AVRational { 1, recipe.audioRate };
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
    if (int err = avcodec_open2(c, codec, nullptr); err < 0)
        return Result<bool>::failure("cannot open the AAC encoder: " + avError(err));
    m_audioStream = avformat_new_stream(m_format.get(), nullptr);
    if (!m_audioStream)
        return Result<bool>::failure("out of memory");
    m_audioStream->time_base = c->time_base;
    if (int err = avcodec_parameters_from_context(m_audioStream->codecpar, c); err < 0)
        return Result<bool>::failure("audio stream parameters: " + avError(err));
    return Result<bool>::success(true);
}

Result<bool> Muxer::drain(AVCodecContext* codec, AVStream* stream)
{
    for (;;) {
        const int err = avcodec_receive_packet(codec, m_packet.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return Result<bool>::success(true);
        if (err < 0)
            return Result<bool>::failure("encoding failed: " + avError(err));
        av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        if (int werr = av_interleaved_write_frame(m_format.get(), m_packet.get()); werr < 0)
            return Result<bool>::failure("writing the movie failed: " + avError(werr));
    }
}

Result<bool> Muxer::run(const MovieRecipe& recipe, const PaintFrame& paint, const FillAudio& fillAudio)
{
    if (!m_packet)
        return Result<bool>::failure("out of memory");
    AVFormatContext* raw = nullptr;
    if (int err = avformat_alloc_output_context2(&raw, nullptr, "mov", nullptr); err < 0 || !raw)
        return Result<bool>::failure("the QuickTime muxer is not available");
    m_format.reset(raw);
    m_format->flags |= AVFMT_FLAG_BITEXACT;

    if (auto r = openVideo(recipe); !r)
        return r;
    if (recipe.audio) {
        if (auto r = openAudio(recipe); !r)
            return r;
    }

    constexpr int kIoBufferSize = 1 << 16;
    auto* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!ioBuffer)
        return Result<bool>::failure("out of memory");
    m_io.reset(avio_alloc_context(
        ioBuffer, kIoBufferSize, 1, &m_sink, nullptr, &MemorySink::write, &MemorySink::seek));
    if (!m_io) {
        av_free(ioBuffer);
        return Result<bool>::failure("out of memory");
    }
    m_format->pb = m_io.get();
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (int err = avformat_write_header(m_format.get(), nullptr); err < 0)
        return Result<bool>::failure("cannot start the movie: " + avError(err));

    FramePtr frame(av_frame_alloc());
    if (!frame)
        return Result<bool>::failure("out of memory");
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = recipe.width;
    frame->height = recipe.height;
    if (int err = av_frame_get_buffer(frame.get(), 0); err < 0)
        return Result<bool>::failure("cannot allocate a picture: " + avError(err));

    FramePtr audioFrame;
    const std::int64_t audioTotal = recipe.audio ? audioSampleCount(recipe) : 0;
    std::int64_t audioSent = 0;
    if (recipe.audio) {
        audioFrame.reset(av_frame_alloc());
        if (!audioFrame)
            return Result<bool>::failure("out of memory");
        audioFrame->format = AV_SAMPLE_FMT_FLTP;
        audioFrame->sample_rate = recipe.audioRate;
        av_channel_layout_default(&audioFrame->ch_layout, 1);
        audioFrame->nb_samples = m_audio->frame_size;
        if (int err = av_frame_get_buffer(audioFrame.get(), 0); err < 0)
            return Result<bool>::failure("cannot allocate audio: " + avError(err));
    }

    // Audio goes in alongside the pictures so the muxer interleaves without holding the whole movie.
    const auto sendAudioUpTo = [&](std::int64_t until) -> Result<bool> {
        until = std::min(until, audioTotal);
        while (audioSent < until) {
            if (int err = av_frame_make_writable(audioFrame.get()); err < 0)
                return Result<bool>::failure("audio buffer: " + avError(err));
            const int n
                = static_cast<int>(std::min<std::int64_t>(m_audio->frame_size, audioTotal - audioSent));
            audioFrame->nb_samples = n;
            fillAudio(audioSent,
                std::span<float>(reinterpret_cast<float*>(audioFrame->data[0]), static_cast<std::size_t>(n)));
            audioFrame->pts = audioSent;
            audioSent += n;
            if (int err = avcodec_send_frame(m_audio.get(), audioFrame.get()); err < 0)
                return Result<bool>::failure("audio encoding failed: " + avError(err));
            if (auto r = drain(m_audio.get(), m_audioStream); !r)
                return r;
        }
        return Result<bool>::success(true);
    };

    for (int i = 0; i < recipe.frameCount; ++i) {
        if (int err = av_frame_make_writable(frame.get()); err < 0)
            return Result<bool>::failure("picture buffer: " + avError(err));
        FramePlanes planes { frame->data[0], frame->data[1], frame->data[2], frame->linesize[0],
            frame->linesize[1], recipe.width, recipe.height };
        paint(i, planes);
        frame->pts = i;
        // Every second starts a closed group of pictures, whatever the encoder would decide.
        frame->pict_type = (i % recipe.fps == 0) ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        frame->key_frame = (i % recipe.fps == 0);
        if (int err = avcodec_send_frame(m_video.get(), frame.get()); err < 0)
            return Result<bool>::failure("video encoding failed: " + avError(err));
        if (auto r = drain(m_video.get(), m_videoStream); !r)
            return r;
        if (recipe.audio) {
            if (auto r = sendAudioUpTo((static_cast<std::int64_t>(i) + 1) * recipe.audioRate / recipe.fps);
                !r)
                return r;
        }
    }
    if (recipe.audio) {
        if (auto r = sendAudioUpTo(audioTotal); !r)
            return r;
    }
    if (int err = avcodec_send_frame(m_video.get(), nullptr); err < 0)
        return Result<bool>::failure("video flush failed: " + avError(err));
    if (auto r = drain(m_video.get(), m_videoStream); !r)
        return r;
    if (recipe.audio) {
        if (int err = avcodec_send_frame(m_audio.get(), nullptr); err < 0)
            return Result<bool>::failure("audio flush failed: " + avError(err));
        if (auto r = drain(m_audio.get(), m_audioStream); !r)
            return r;
    }
    if (int err = av_write_trailer(m_format.get()); err < 0)
        return Result<bool>::failure("cannot finish the movie: " + avError(err));
    avio_flush(m_io.get());
    return Result<bool>::success(true);
}
} // namespace

int recorderBitRate(int width, int height)
{
    if (height >= 1080)
        return 12'000'000;
    if (height >= 720 && width >= 1280)
        return 6'000'000;
    const double pixels = double(width) * height / (1280.0 * 720.0);
    return std::max(1'000'000, int(6'000'000 * pixels));
}

void quietFfmpegLogs()
{
    av_log_set_level(AV_LOG_ERROR);
}

std::int64_t audioSampleCount(const MovieRecipe& recipe)
{
    return static_cast<std::int64_t>(recipe.frameCount) * recipe.audioRate / recipe.fps;
}

Result<std::vector<std::uint8_t>> encodeMovie(
    const MovieRecipe& recipe, const PaintFrame& paint, const FillAudio& audio)
{
    using R = Result<std::vector<std::uint8_t>>;
    if (recipe.width < 16 || recipe.height < 16 || recipe.width % 2 || recipe.height % 2)
        return R::failure("the picture size must be even and at least 16x16");
    if (recipe.fps < 1 || recipe.fps > 240)
        return R::failure("the frame rate must be 1..240");
    if (recipe.frameCount < 1)
        return R::failure("a movie needs at least one frame");
    Muxer muxer;
    if (auto r = muxer.run(recipe, paint, audio); !r)
        return R::failure(r.error);
    return R::success(muxer.takeBytes());
}

} // namespace kivora::democard
