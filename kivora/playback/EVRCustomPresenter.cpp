#include "kivora/playback/EVRCustomPresenter.h"

#include <cfloat>
#include <cmath>

namespace kivora::playback {

EVRCustomPresenter::EVRCustomPresenter(FrameQueue& mixer, const PresentationClock& clock,
                                       std::function<void()> endOfStream)
    : m_mixer(mixer),
      m_clock(clock),
      m_endOfStream(std::move(endOfStream)),
      m_scheduler([this](VideoSamplePtr s) { onScheduledPresent(std::move(s)); })
{
    m_scheduler.setClock(&m_clock);
}

EVRCustomPresenter::~EVRCustomPresenter() { shutdown(); }

PresenterResult EVRCustomPresenter::setMediaType(int width, int height, double fps)
{
    std::lock_guard lock(m_objectLock);
    if (width <= 0 || height <= 0)
        return PresenterResult::InvalidArgument;
    m_nativeWidth = width;
    m_nativeHeight = height;
    m_fps = fps;
    // New surfaces get a new token, so the old ones are dropped when they come back.
    ++m_tokenCounter;
    m_presentEngine.releaseCurrent();
    std::vector<VideoSamplePtr> samples;
    for (int i = 0; i < 2; ++i) {
        auto s = std::make_shared<VideoSample>();
        s->token = m_tokenCounter;
        samples.push_back(std::move(s));
    }
    m_pool.initialize(std::move(samples));
    m_scheduler.setFrameRate(fps);
    if (m_renderState == RenderState::Shutdown)
        m_renderState = RenderState::Stopped;
    return PresenterResult::Ok;
}

void EVRCustomPresenter::setOutput(PresentEngine::Output output) { m_presentEngine.setOutput(std::move(output)); }

void EVRCustomPresenter::beginStreaming() { m_scheduler.startThread(); }

void EVRCustomPresenter::endStreaming()
{
    m_scheduler.stopThread();
    std::lock_guard lock(m_objectLock);
    for (VideoSamplePtr& s : m_scheduler.flush())
        returnSample(std::move(s));
    m_prerolled = false;
}

void EVRCustomPresenter::shutdown()
{
    endStreaming();
    std::lock_guard lock(m_objectLock);
    m_renderState = RenderState::Shutdown;
    m_presentEngine.setOutput({});
    m_presentEngine.releaseCurrent();
    m_lastSample.reset();
    m_pool.clear();
}

void EVRCustomPresenter::onClockStart(bool /*newPosition*/)
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return;
    m_renderState = RenderState::Started;
    processOutputLocked();
    m_scheduler.wake();
    checkEndOfStreamLocked();
}

void EVRCustomPresenter::onClockPause()
{
    {
        std::lock_guard lock(m_objectLock);
        if (m_renderState != RenderState::Shutdown)
            m_renderState = RenderState::Paused;
    }
    // A picture already taken for the screen lands before the caller asks what is shown.
    m_scheduler.waitPresented();
}

void EVRCustomPresenter::onClockStop()
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown || m_renderState == RenderState::Stopped)
        return;
    m_renderState = RenderState::Stopped;
    m_prerolled = false;
    for (VideoSamplePtr& s : m_scheduler.flush())
        returnSample(std::move(s));
}

void EVRCustomPresenter::onClockRate(float rate)
{
    std::lock_guard lock(m_objectLock);
    m_rate = rate;
    m_scheduler.setRate(rate);
}

void EVRCustomPresenter::flush(std::uint64_t generation)
{
    std::lock_guard lock(m_objectLock);
    m_generation = generation;
    m_presentEngine.setGeneration(generation);
    m_prerolled = false;
    m_repaint = false;
    m_endReported = false;
    for (VideoSamplePtr& s : m_scheduler.flush())
        returnSample(std::move(s));
}

void EVRCustomPresenter::processInputNotify()
{
    std::lock_guard lock(m_objectLock);
    m_sampleNotify = true;
    processOutputLocked();
    checkEndOfStreamLocked();
}

void EVRCustomPresenter::notifyEndOfStream()
{
    std::lock_guard lock(m_objectLock);
    m_endStreaming = true;
    checkEndOfStreamLocked();
}

void EVRCustomPresenter::processOutputLocked()
{
    for (;;) {
        if (m_renderState == RenderState::Shutdown || !m_pool.initialized())
            return;
        // A stopped or paused movie shows exactly one frame after a seek. The render state, not
        // the clock, decides: the session stops its clock a moment before it tells the presenter,
        // and a picture taken in between must wait for its time, not be shown at once.
        if (m_renderState != RenderState::Started && m_prerolled)
            return;
        if (!m_mixer.hasInput()) {
            m_sampleNotify = false;
            return;
        }
        VideoSamplePtr sample = m_pool.take();
        if (!sample)
            return; // the next surface that comes back triggers output again
        std::optional<DecodedFrame> frame = m_mixer.take();
        if (!frame) {
            returnSample(std::move(sample));
            return;
        }
        if (overdue(frame->time, frame->duration, m_rate) || frame->generation != m_generation || !frame->frame) {
            returnSample(std::move(sample));
            continue;
        }
        sample->picture = VideoPicture(std::move(frame->frame));
        sample->time = frame->time;
        sample->duration = frame->duration;
        sample->generation = frame->generation;
        m_lastSample = sample;
        deliverLocked(std::move(sample));
    }
}

void EVRCustomPresenter::deliverLocked(VideoSamplePtr sample)
{
    m_prerolled = true;
    // Scrubbing (rate 0) presents at once too: a clock that does not move would hold it forever.
    if (m_renderState != RenderState::Started || m_rate == 0.0f) {
        presentAndRecycle(std::move(sample));
        return;
    }
    m_scheduler.schedule(std::move(sample));
}

bool EVRCustomPresenter::overdue(Time100ns time, Time100ns duration, float rate) const
{
    // When decoding falls behind the running clock, pictures long overdue are skipped while newer
    // ones wait, so that the picture catches up instead of lagging ever more.
    return m_clock.running() && rate > 0.0f && time + 2 * duration < m_clock.time() && m_mixer.hasInput();
}

void EVRCustomPresenter::presentAndRecycle(VideoSamplePtr sample)
{
    if (!m_presentEngine.accepts(sample->generation)) {
        returnSample(std::move(sample));
        return;
    }
    returnSample(m_presentEngine.present(std::move(sample)));
}

void EVRCustomPresenter::returnSample(VideoSamplePtr sample)
{
    if (!sample)
        return;
    sample->picture = {}; // the decoder gets its planes back
    m_pool.giveBack(std::move(sample));
}

void EVRCustomPresenter::onScheduledPresent(VideoSamplePtr sample)
{
    // The sample is this thread's alone until it is presented or given back. A stale one (a seek
    // moved on) or one the clock has long passed while newer pictures wait is given back unshown.
    VideoSamplePtr previous;
    float rate;
    {
        std::lock_guard lock(m_objectLock);
        rate = m_rate;
    }
    const bool late = overdue(sample->time, sample->duration, rate);
    if (late || !m_presentEngine.accepts(sample->generation))
        previous = std::move(sample);
    else
        previous = m_presentEngine.present(std::move(sample));
    std::lock_guard lock(m_objectLock);
    returnSample(std::move(previous));
    processOutputLocked();
    checkEndOfStreamLocked();
}

void EVRCustomPresenter::checkEndOfStreamLocked()
{
    if (m_endReported || !m_clock.running() || !m_mixer.endedAndEmpty() || !m_scheduler.queueEmpty())
        return;
    // Every surface except the one on screen is back.
    if (m_pool.outstanding() > (m_presentEngine.hasFrame() ? 1 : 0))
        return;
    m_endReported = true;
    if (m_endOfStream)
        m_endOfStream();
}

PresenterResult EVRCustomPresenter::nativeVideoSize(int& width, int& height) const
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return PresenterResult::Shutdown;
    width = m_nativeWidth;
    height = m_nativeHeight;
    return PresenterResult::Ok;
}

PresenterResult EVRCustomPresenter::setVideoPosition(const QRectF* source, const VideoRect* destination)
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return PresenterResult::Shutdown;
    if (!source && !destination)
        return PresenterResult::InvalidPointer;
    if (source) {
        const double l = source->left(), t = source->top(), r = source->right(), b = source->bottom();
        if (!(0.0 <= l && l <= r && r <= 1.0 && 0.0 <= t && t <= b && b <= 1.0))
            return PresenterResult::InvalidArgument;
    }
    if (destination && destination->inverted())
        return PresenterResult::InvalidArgument;
    if (source)
        m_sourceRect = *source;
    if (destination && !(*destination == m_destination)) {
        m_destination = *destination;
        m_presentEngine.setDestination(destination->toQRect());
        m_presentEngine.repaint();
    }
    return PresenterResult::Ok;
}

PresenterResult EVRCustomPresenter::videoPosition(QRectF& source, VideoRect& destination) const
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return PresenterResult::Shutdown;
    source = m_sourceRect;
    destination = m_destination;
    return PresenterResult::Ok;
}

void EVRCustomPresenter::setAspectRatioMode(int mode)
{
    std::lock_guard lock(m_objectLock);
    m_aspectRatioMode = mode;
}

int EVRCustomPresenter::aspectRatioMode() const
{
    std::lock_guard lock(m_objectLock);
    return m_aspectRatioMode;
}

PresenterResult EVRCustomPresenter::repaint()
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return PresenterResult::Shutdown;
    // The picture on screen is kept whole, so a repaint needs no surface even when both are taken.
    if (m_prerolled || m_presentEngine.hasFrame())
        m_presentEngine.repaint();
    return PresenterResult::Ok;
}

QImage EVRCustomPresenter::currentImage() const { return m_presentEngine.currentImage(); }

PresenterResult EVRCustomPresenter::setOverlay(const QImage& overlay, const QRectF& place)
{
    std::lock_guard lock(m_objectLock);
    if (m_renderState == RenderState::Shutdown)
        return PresenterResult::Shutdown;
    m_presentEngine.setOverlay(overlay, place);
    return PresenterResult::Ok;
}

void EVRCustomPresenter::clearOverlay()
{
    std::lock_guard lock(m_objectLock);
    m_presentEngine.clearOverlay();
}

float EVRCustomPresenter::fastestRate(bool thin, bool reverse, double refreshHz) const
{
    float fastest = FLT_MAX;
    if (!thin) {
        std::lock_guard lock(m_objectLock);
        if (refreshHz > 0.0 && m_fps > 0.0)
            fastest = float(refreshHz / m_fps);
    }
    return reverse ? -fastest : fastest;
}

PresenterResult EVRCustomPresenter::isRateSupported(bool thin, float rate, float& nearest, double refreshHz) const
{
    const float fastest = fastestRate(thin, false, refreshHz);
    if (std::fabs(rate) > fastest) {
        nearest = rate < 0.0f ? -fastest : fastest;
        return PresenterResult::UnsupportedRate;
    }
    nearest = rate;
    return PresenterResult::Ok;
}

RenderState EVRCustomPresenter::renderState() const
{
    std::lock_guard lock(m_objectLock);
    return m_renderState;
}

bool EVRCustomPresenter::prerolled() const
{
    std::lock_guard lock(m_objectLock);
    return m_prerolled;
}

} // namespace kivora::playback
