#include "kivora/playback/CPlayer.h"

#include "kivora/playback/AudioOutput.h"
#include "kivora/playback/FrameThinning.h"
#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/playback/MovieMessages.h"

#include <QGuiApplication>
#include <QScreen>

#include <chrono>

namespace kivora::playback {

namespace {
constexpr auto kEndedDelay = std::chrono::milliseconds(200);
// Video packets in a row that a decoder refuses before it counts as unusable: a damaged stream can
// make a decoder answer a single packet with almost any code, a broken decoder answers every one.
constexpr int kFailedPacketsToGiveUp = 16;

double displayRefreshHz()
{
    // Only the UI thread may look at screens; the session's callers are on it.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()); app && app->primaryScreen())
        return app->primaryScreen()->refreshRate();
    return 0.0;
}
} // namespace

CPlayer::CPlayer(Notify notify, PresentEngine::Output output)
    : m_notify(std::move(notify)), m_output(std::move(output)), m_hasOutput(bool(m_output))
{
}

CPlayer::~CPlayer() { close(); }

MediaError CPlayer::openUrl(const std::filesystem::path& path)
{
    close();
    m_state = SessionState::Ready;
    // The sub camera is always muted: a session without video output does not decode sound.
    const MediaError error = MediaSource::open(path, m_hasOutput, m_source);
    if (error != MediaError::None) {
        m_source = MediaSource{};
        m_state = SessionState::Closed;
        return error;
    }
    m_path = path;
    m_error = MediaError::None;
    m_mixer.reset(0);
    m_clock.setTime(0);
    m_generation = 0;
    m_pendingSeek.reset();
    m_thin = false;
    m_rate = 1.0f;
    if (m_hasOutput) {
        m_presenter = std::make_unique<EVRCustomPresenter>(m_mixer, m_clock, [this] {
            postEvent(Event::EndOfPresentation);
        });
        m_presenter->setOutput(m_output);
        // The sink lives on the caller's (UI) thread, which pulls sound from the decode thread's buffer.
        if (m_source.audio)
            m_audio = AudioOutput::create(m_source.audio->sample_rate,
                                          std::min(2, m_source.audio->ch_layout.nb_channels));
        m_audioDisabled = !m_audio;
    }
    m_state = SessionState::OpenPending;
    m_eventThread = std::jthread([this](std::stop_token st) { eventLoop(st); });
    postEvent(Event::TopologyReady);
    return MediaError::None;
}

void CPlayer::close()
{
    if (m_state == SessionState::Closed && !m_eventThread.joinable())
        return;
    m_state = SessionState::Closing;
    m_ready = false;
    // Stop the event thread first, so that nothing is posted for a session that is going away.
    if (m_eventThread.joinable()) {
        m_eventThread.request_stop();
        {
            std::lock_guard lock(m_eventMutex);
            m_eventWake.notify_all();
        }
        m_eventThread.join();
    }
    m_mixer.stop();
    if (m_audio)
        m_audio->stop();
    if (m_decodeThread.joinable()) {
        m_decodeThread.request_stop();
        {
            std::lock_guard lock(m_decodeMutex);
            m_decodeWake.notify_all();
        }
        m_decodeThread.join();
    }
    if (m_presenter)
        m_presenter->shutdown();
    m_presenter.reset();
    m_audio.reset();
    m_clock.stop();
    {
        std::lock_guard lock(m_eventMutex);
        m_events.clear();
    }
    m_source = MediaSource{};
    m_mixer.reset(0);
    m_state = SessionState::Closed;
}

void CPlayer::postEvent(Event e)
{
    std::lock_guard lock(m_eventMutex);
    m_events.push_back(e);
    m_eventWake.notify_all();
}

void CPlayer::eventLoop(std::stop_token stop)
{
    for (;;) {
        Event e;
        {
            std::unique_lock lock(m_eventMutex);
            if (!m_eventWake.wait(lock, stop, [&] { return !m_events.empty(); }))
                return;
            e = m_events.front();
            m_events.pop_front();
        }
        if (m_state == SessionState::Closing)
            continue;
        switch (e) {
        case Event::TopologyReady:
            onTopologyReady();
            break;
        case Event::EndOfPresentation:
            onEndOfPresentation(stop);
            break;
        }
    }
}

void CPlayer::onTopologyReady()
{
    if (m_presenter) {
        if (m_presenter->setMediaType(m_source.width, m_source.height, m_source.frameRate) != PresenterResult::Ok)
            return; // no picture services: never ready
        m_presenter->beginStreaming();
        m_decodeThread = std::jthread([this](std::stop_token st) { decodeLoop(st); });
    }
    m_state = SessionState::Stopped;
    m_ready = true;
    if (m_notify)
        m_notify(WM_MOVIE_READY);
}

void CPlayer::onEndOfPresentation(std::stop_token stop)
{
    m_state = SessionState::Stopped;
    // The end is reported a little after the last picture, as the rest of the program expects.
    std::unique_lock lock(m_eventMutex);
    if (m_eventWake.wait_for(lock, stop, kEndedDelay, [] { return false; }) || stop.stop_requested())
        return;
    lock.unlock();
    if (m_notify && m_state != SessionState::Closing)
        m_notify(WM_MOVIE_ENDED);
}

SessionResult CPlayer::play()
{
    const SessionState s = m_state;
    if (s != SessionState::Paused && s != SessionState::Stopped)
        return SessionResult::InvalidRequest;
    m_clock.start();
    if (m_audio)
        m_audio->setPlaying(m_rate == 1.0f);
    if (m_presenter)
        m_presenter->onClockStart(false);
    m_state = SessionState::Started;
    return SessionResult::Ok;
}

SessionResult CPlayer::pause()
{
    if (m_state != SessionState::Started)
        return SessionResult::InvalidRequest;
    m_clock.pause();
    if (m_audio)
        m_audio->setPlaying(false);
    if (m_presenter) {
        m_presenter->onClockPause();
        // Pictures are shown up to three quarters of a frame early; the position a pause reports
        // must be the picture left on screen, or every view shows the frame before it.
        const std::optional<Time100ns> shown = m_presenter->shownTime();
        if (shown && m_rate > 0.0f && *shown > m_clock.time())
            m_clock.setTime(*shown);
    }
    m_state = SessionState::Paused;
    return SessionResult::Ok;
}

void CPlayer::requestSeek(Time100ns t)
{
    std::uint64_t generation;
    {
        std::lock_guard lock(m_decodeMutex);
        generation = ++m_generation;
        m_pendingSeek.reset();
    }
    // Order matters: the queue refuses stale pictures before the presenter forgets its own, and
    // both take the new generation before the decode thread can deliver its first picture:
    // otherwise that picture, the one asked for, is refused as stale and the seek shows nothing.
    m_mixer.reset(generation);
    if (m_audio)
        m_audio->reset(generation);
    if (m_presenter)
        m_presenter->flush(generation);
    std::lock_guard lock(m_decodeMutex);
    m_pendingSeek = t;
    m_decodeWake.notify_all();
}

SessionResult CPlayer::seekAndHold(Time100ns t)
{
    const SessionState s = m_state;
    if (s == SessionState::Closed || s == SessionState::Closing || !m_ready)
        return SessionResult::NotReady;
    if (t < 0)
        t = 0;
    m_clock.pause();
    if (m_audio)
        m_audio->setPlaying(false);
    m_clock.setTime(t);
    requestSeek(t);
    if (m_presenter)
        m_presenter->onClockPause();
    m_state = SessionState::Paused;
    return SessionResult::Ok;
}

SessionResult CPlayer::setRate(float rate, bool thin)
{
    if (m_presenter) {
        float nearest = rate;
        if (m_presenter->isRateSupported(thin, rate, nearest, displayRefreshHz()) != PresenterResult::Ok)
            return SessionResult::InvalidRequest;
    }
    m_clock.setRate(rate);
    {
        std::lock_guard lock(m_decodeMutex);
        m_thin = thin;
        m_rate = rate;
    }
    if (m_presenter)
        m_presenter->onClockRate(rate);
    if (m_audio) {
        // Sound plays only at its own speed; other rates are silent and run on the monotonic clock.
        if (rate != 1.0f)
            m_audio->setPlaying(false);
        else if (m_state == SessionState::Started)
            m_audio->setPlaying(true);
    }
    return SessionResult::Ok;
}

void CPlayer::setVolume(float volume)
{
    if (m_audio)
        m_audio->setVolume(volume);
}

bool CPlayer::clockTime(Time100ns& t) const
{
    if (!m_ready)
        return false;
    t = m_clock.time();
    return true;
}

Time100ns CPlayer::duration() const { return m_source.format ? m_source.duration : 0; }

bool CPlayer::nativeSize(int& width, int& height) const
{
    if (!m_ready)
        return false;
    width = m_source.width;
    height = m_source.height;
    return width > 0 && height > 0;
}

PresenterResult CPlayer::setVideoPosition(const QRectF* source, const VideoRect* destination)
{
    if (!m_presenter)
        return PresenterResult::Ok;
    return m_presenter->setVideoPosition(source, destination);
}

void CPlayer::setAspectRatioMode(int mode)
{
    if (m_presenter)
        m_presenter->setAspectRatioMode(mode);
}

PresenterResult CPlayer::repaint()
{
    if (!m_presenter)
        return PresenterResult::Ok;
    return m_presenter->repaint();
}

QImage CPlayer::currentImage()
{
    if (!m_ready)
        return {};
    if (m_presenter)
        return m_presenter->currentImage();
    // No video output: decode the still at the clock's position on demand.
    std::lock_guard lock(m_stillMutex);
    return decodeFrameAt(m_source, m_clock.time());
}

bool CPlayer::setOverlay(const QImage& overlay, const QRectF& place)
{
    if (!m_ready)
        return false;
    // Without video output there is nothing to draw on, but the camera can still give a still.
    return !m_presenter || m_presenter->setOverlay(overlay, place) == PresenterResult::Ok;
}

void CPlayer::clearOverlay()
{
    if (m_presenter)
        m_presenter->clearOverlay();
}

float CPlayer::fastestRate(bool thin) const
{
    return m_presenter ? m_presenter->fastestRate(thin, false, displayRefreshHz()) : 3.4e38f;
}

// ---------------------------------------------------------------------------------------------
// Decode thread

void CPlayer::decodeLoop(std::stop_token stop)
{
    MediaSource& src = m_source;
    AVCodecContext* video = src.video.get();
    AVCodecContext* audio = m_audio ? src.audio.get() : nullptr;
    const int vs = src.videoStream;
    const int as = audio ? src.audioStream : -1;
    const Time100ns frameDuration = Time100ns(10'000'000.0 / (src.frameRate > 0.0 ? src.frameRate : 30.0));

    SwrContextPtr swr;
    int outChannels = 0;
    if (audio) {
        outChannels = std::min(2, audio->ch_layout.nb_channels);
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, outChannels);
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, audio->sample_rate, &audio->ch_layout,
                                audio->sample_fmt, audio->sample_rate, 0, nullptr) < 0 ||
            swr_init(raw) < 0) {
            swr_free(&raw);
            audio = nullptr;
            m_audioDisabled = true;
        } else {
            swr.reset(raw);
        }
    }
    std::vector<std::uint8_t> pcm;

    AVPacketPtr packet = makePacket();
    AVFramePtr frame = makeFrame();
    std::uint64_t generation = 0;
    Time100ns skipUntil = -1;
    bool ended = false;
    bool thin = false;
    float rate = 1.0f;
    FrameThinning thinning;
    int failedPackets = 0;

    auto videoSink = [&](AVFrame* f) {
        const std::int64_t ts = f->best_effort_timestamp;
        const Time100ns t = ts == AV_NOPTS_VALUE ? skipUntil : src.toTime(vs, ts);
        // Pictures before the asked time come from the key frame before it: decode, do not show.
        if (skipUntil >= 0 && t + frameDuration / 2 <= skipUntil) {
            av_frame_unref(f);
            return true;
        }
        skipUntil = -1;
        DecodedFrame d{AVFramePtr(av_frame_clone(f)), t, frameDuration, generation};
        av_frame_unref(f);
        if (!d.frame || !m_mixer.push(std::move(d)))
            return false;
        m_presenter->processInputNotify();
        return true;
    };
    auto audioSink = [&](AVFrame* f) {
        if (rate != 1.0f || !swr) {
            av_frame_unref(f);
            return true;
        }
        const std::int64_t ts = f->best_effort_timestamp;
        const Time100ns t = ts == AV_NOPTS_VALUE ? 0 : src.toTime(as, ts);
        const int maxOut = swr_get_out_samples(swr.get(), f->nb_samples);
        pcm.resize(std::size_t(std::max(maxOut, 0)) * std::size_t(outChannels) * 2);
        std::uint8_t* out[1] = {pcm.data()};
        const int n = swr_convert(swr.get(), out, maxOut, const_cast<const std::uint8_t**>(f->extended_data),
                                  f->nb_samples);
        av_frame_unref(f);
        if (n <= 0 || t + Time100ns(n) * 10'000'000 / audio->sample_rate <= skipUntil)
            return true;
        return m_audio->write(pcm.data(), std::size_t(n) * std::size_t(outChannels) * 2, generation);
    };

    auto endStream = [&] {
        m_mixer.markEnded(generation);
        m_presenter->notifyEndOfStream();
        ended = true;
    };
    // A decoder or demuxer that cannot go on ends the presentation; the error is shown once per
    // movie, not at every seek that meets it again.
    auto fail = [&](MediaError e) {
        if (m_error.exchange(e) == MediaError::None)
            reportMediaResult(reportCode(e));
    };

    while (!stop.stop_requested()) {
        {
            std::unique_lock lock(m_decodeMutex);
            if (ended)
                m_decodeWake.wait(lock, stop, [&] { return m_pendingSeek.has_value(); });
            if (stop.stop_requested())
                break;
            if (m_pendingSeek) {
                const Time100ns t = *m_pendingSeek;
                m_pendingSeek.reset();
                generation = m_generation;
                lock.unlock();
                if (toMediaError(av_seek_frame(src.format.get(), vs, src.fromTime(vs, t),
                                               AVSEEK_FLAG_BACKWARD)) != MediaError::None)
                    av_seek_frame(src.format.get(), vs, src.fromTime(vs, 0), AVSEEK_FLAG_BACKWARD);
                avcodec_flush_buffers(video);
                if (audio)
                    avcodec_flush_buffers(audio);
                skipUntil = t;
                thinning.reset();
                failedPackets = 0;
                ended = false;
                lock.lock();
            }
            thin = m_thin;
            rate = m_rate;
        }

        MediaError error = MediaError::None;
        const MediaError read = toMediaError(av_read_frame(src.format.get(), packet.get()));
        if (read != MediaError::None) {
            // End of the file, or a cut or damaged file: show what was decoded, then end. A card
            // that went away ends too, but as an error.
            if (isFatal(read))
                fail(read);
            else if (decodePacket(video, nullptr, frame.get(), videoSink, error) == PacketResult::Failed)
                fail(error);
            avcodec_flush_buffers(video);
            endStream();
            continue;
        }
        if (packet->stream_index == vs) {
            // Pictures are left out only while the clock runs past them at a fast rate, never on
            // the way to a seek's target.
            const bool mayThin = thin && skipUntil < 0 && m_clock.running();
            const std::int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const Time100ns lateness =
                mayThin && ts != AV_NOPTS_VALUE ? m_clock.time() - src.toTime(vs, ts) : 0;
            if (!thinning.decode((packet->flags & AV_PKT_FLAG_KEY) != 0, mayThin, lateness, frameDuration)) {
                av_packet_unref(packet.get());
                continue;
            }
            if (decodePacket(video, packet.get(), frame.get(), videoSink, error) != PacketResult::Failed) {
                failedPackets = 0;
            } else if (++failedPackets >= kFailedPacketsToGiveUp) {
                fail(error);
                endStream();
            }
        } else if (audio && packet->stream_index == as && rate == 1.0f) {
            // Other rates are silent: their sound is not even decoded. Sound that cannot be
            // decoded any more leaves the picture playing, silent.
            if (decodePacket(audio, packet.get(), frame.get(), audioSink, error) == PacketResult::Failed) {
                audio = nullptr;
                m_audioDisabled = true;
            }
        }
        av_packet_unref(packet.get());
    }
}

} // namespace kivora::playback
