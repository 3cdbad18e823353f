#include "kivora/playback/MediaSource.h"

#include <algorithm>
#include <mutex>

namespace kivora::playback {

namespace {
constexpr AVRational kTime100ns{1, 10'000'000};

AVCodecContextPtr openDecoder(AVStream* stream, MediaError& error)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        error = MediaError::NoDecoder;
        return {};
    }
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        error = MediaError::OutOfMemory;
        return {};
    }
    int rc = avcodec_parameters_to_context(ctx.get(), stream->codecpar);
    if (rc >= 0) {
        ctx->pkt_timebase = stream->time_base;
        // Two threads: the machine's decode budget is shared by two cameras.
        ctx->thread_count = 2;
        rc = avcodec_open2(ctx.get(), codec, nullptr);
    }
    if (rc < 0) {
        error = toMediaError(rc);
        if (error == MediaError::Unknown || error == MediaError::InvalidArgument)
            error = MediaError::NoDecoder;
        return {};
    }
    error = MediaError::None;
    return ctx;
}
} // namespace

MediaError MediaSource::open(const std::filesystem::path& path, bool wantAudio, MediaSource& out)
{
    // A damaged movie makes the decoders talk for every packet; the viewer keeps no log.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        if (av_log_get_level() > AV_LOG_FATAL)
            av_log_set_level(AV_LOG_FATAL);
    });
    out = MediaSource{};
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0)
        return toMediaError(rc) == MediaError::Unknown ? MediaError::InvalidData : toMediaError(rc);
    out.format.reset(raw);
    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0)
        return MediaError::InvalidData;

    out.videoStream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (out.videoStream < 0)
        return MediaError::NotFound;
    AVStream* vs = raw->streams[out.videoStream];
    if (vs->codecpar->width <= 0 || vs->codecpar->height <= 0)
        return MediaError::InvalidData;
    MediaError error = MediaError::None;
    out.video = openDecoder(vs, error);
    if (!out.video)
        return error;
    out.width = vs->codecpar->width;
    out.height = vs->codecpar->height;
    const AVRational fr = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    out.frameRate = fr.num > 0 && fr.den > 0 ? av_q2d(fr) : 0.0;

    if (wantAudio) {
        out.audioStream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, out.videoStream, nullptr, 0);
        if (out.audioStream >= 0) {
            MediaError audioError = MediaError::None;
            out.audio = openDecoder(raw->streams[out.audioStream], audioError);
            if (!out.audio || out.audio->sample_rate <= 0 || out.audio->ch_layout.nb_channels <= 0) {
                out.audio.reset();
                out.audioStream = -1;
            }
        }
    }
    // The streams we do not use are not even read from the file.
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (int(i) != out.videoStream && int(i) != out.audioStream)
            raw->streams[i]->discard = AVDISCARD_ALL;
    }

    if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0)
        out.duration = av_rescale_q(vs->duration, vs->time_base, kTime100ns);
    else if (raw->duration != AV_NOPTS_VALUE && raw->duration > 0)
        out.duration = av_rescale_q(raw->duration, AVRational{1, AV_TIME_BASE}, kTime100ns);
    return MediaError::None;
}

Time100ns MediaSource::toTime(int stream, std::int64_t ts) const
{
    const AVStream* s = format->streams[stream];
    const std::int64_t start = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
    return av_rescale_q(ts - start, s->time_base, kTime100ns);
}

std::int64_t MediaSource::fromTime(int stream, Time100ns t) const
{
    const AVStream* s = format->streams[stream];
    const std::int64_t start = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
    return av_rescale_q(t, kTime100ns, s->time_base) + start;
}

namespace {
bool fullRange(const AVFrame& f) { return f.color_range == AVCOL_RANGE_JPEG || f.format == AV_PIX_FMT_YUVJ420P; }

bool prepareImage(QSize size, QImage& image)
{
    if (size.isEmpty())
        return false;
    if (image.size() != size || image.format() != QImage::Format_RGB32 || !image.isDetached())
        image = QImage(size, QImage::Format_RGB32);
    return !image.isNull();
}
} // namespace

bool FrameConverter::convert(const AVFrame& frame, QImage& image, QSize size)
{
    if (size.isEmpty())
        size = QSize(frame.width, frame.height);
    if (frame.width <= 0 || frame.height <= 0 || !prepareImage(size, image))
        return false;
    // Untagged pictures are read as BT.601, as swscale does by default.
    const int space = frame.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    const int range = fullRange(frame) ? 1 : 0;
    if (!m_sws || frame.width != m_srcW || frame.height != m_srcH || frame.format != m_srcFormat ||
        space != m_srcSpace || range != m_srcRange || size.width() != m_dstW || size.height() != m_dstH) {
        m_sws.reset(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), size.width(),
                                   size.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_sws)
            return false;
        sws_setColorspaceDetails(m_sws.get(), sws_getCoefficients(space), range, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 0, 1 << 16, 1 << 16);
        m_srcW = frame.width;
        m_srcH = frame.height;
        m_srcFormat = frame.format;
        m_srcSpace = space;
        m_srcRange = range;
        m_dstW = size.width();
        m_dstH = size.height();
    }
    uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    return sws_scale(m_sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride) == size.height();
}

QImage decodeFrameAt(MediaSource& source, Time100ns t)
{
    if (!source.format || !source.video)
        return {};
    const int vs = source.videoStream;
    const double fps = source.frameRate > 0.0 ? source.frameRate : 30.0;
    const Time100ns halfFrame = Time100ns(10'000'000.0 / fps / 2.0);
    t = std::max<Time100ns>(t, 0);
    if (toMediaError(av_seek_frame(source.format.get(), vs, source.fromTime(vs, t), AVSEEK_FLAG_BACKWARD)) !=
        MediaError::None)
        av_seek_frame(source.format.get(), vs, source.fromTime(vs, 0), AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(source.video.get());

    AVPacketPtr packet = makePacket();
    AVFramePtr frame = makeFrame();
    AVFramePtr last = makeFrame(); // the latest frame before t: shown when the movie ends before t
    bool haveLast = false;
    bool found = false;
    FrameConverter converter;
    QImage image;
    auto sink = [&](AVFrame* f) {
        const std::int64_t ts = f->best_effort_timestamp;
        const Time100ns pts = ts == AV_NOPTS_VALUE ? t : source.toTime(vs, ts);
        if (pts + halfFrame > t) {
            found = converter.convert(*f, image);
            av_frame_unref(f);
            return false;
        }
        av_frame_unref(last.get());
        av_frame_move_ref(last.get(), f);
        haveLast = true;
        return true;
    };
    MediaError error = MediaError::None;
    for (;;) {
        PacketResult result;
        if (toMediaError(av_read_frame(source.format.get(), packet.get())) != MediaError::None) {
            // The end of the file, or a cut or unreadable rest: the decoder gives what it holds.
            result = decodePacket(source.video.get(), nullptr, frame.get(), sink, error);
        } else {
            result = packet->stream_index == vs
                         ? decodePacket(source.video.get(), packet.get(), frame.get(), sink, error)
                         : PacketResult::Done;
            av_packet_unref(packet.get());
            if (result == PacketResult::Done)
                continue;
        }
        if (result == PacketResult::Interrupted)
            return found ? image : QImage();
        if (haveLast && converter.convert(*last, image))
            return image;
        return {};
    }
}

} // namespace kivora::playback
