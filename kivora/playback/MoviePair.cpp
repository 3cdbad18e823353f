#include "kivora/playback/MoviePair.h"

#include <atomic>

#include "kivora/recording/RecordingName.h"

#include <cmath>

namespace kivora::playback {

MoviePair::MoviePair(MovieEngine& main, MovieEngine& sub)
    : m_main(main)
    , m_sub(sub)
{
    m_main.setMainEngine(&m_main);
    m_sub.setMainEngine(&m_main);
}

bool MoviePair::IsMovieFileBoth(const std::filesystem::path& path)
{
    bool any = false;
    if (m_main.initialised)
        any = m_main.IsMovieFile(path) || any;
    if (m_sub.initialised)
        any = m_sub.IsMovieFile(path) || any;
    return any;
}

namespace {
std::atomic<std::uint64_t> s_lockCount { 0 };
} // namespace

std::uint64_t MoviePair::lockCount()
{
    return s_lockCount.load(std::memory_order_relaxed);
}

int MoviePair::OpenBoth(const std::filesystem::path& mainPath)
{
    int mainResult = 0;
    if (m_main.initialised)
        mainResult = m_main.Open(mainPath);
    subOpenResult = 0;
    // Without the main camera there is no clock to play by: a sub movie that opens must not make
    // the pair look opened, or the window would wait for a ready report that never comes.
    if (mainResult == kOpenFailed || mainResult == kOpenTooShort) {
        if (m_sub.initialised)
            m_sub.Close();
        return mainResult;
    }
    if (m_sub.initialised)
        subOpenResult = m_sub.Open(recording::PairPath(mainPath));
    return mainResult | subOpenResult;
}

bool MoviePair::CloseBoth()
{
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub }) {
        if (e->initialised)
            any = e->Close() != 0 || any;
        e->telemetryLoaded = 0;
    }
    return any;
}

bool MoviePair::LoadTelemetryBoth(const std::filesystem::path& mainPath)
{
    bool any = false;
    if (m_main.initialised) {
        m_main.telemetryLoaded = m_main.LoadTelemetry(mainPath) ? 1 : 0;
        any = any || m_main.telemetryLoaded;
    }
    if (m_sub.initialised) {
        m_sub.telemetryLoaded = m_sub.LoadTelemetry(recording::PairPath(mainPath)) ? 1 : 0;
        any = any || m_sub.telemetryLoaded;
    }
    return any;
}

bool MoviePair::ReleaseTelemetryBoth()
{
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub }) {
        if (e->initialised)
            any = e->ReleaseTelemetry() != 0 || any;
        e->telemetryLoaded = 0;
    }
    return any;
}

bool MoviePair::PreloadTelemetry(const std::filesystem::path& path)
{
    return m_main.PreloadTelemetry(path);
}

bool MoviePair::PlayBoth()
{
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub })
        if (e->initialised)
            any = e->Play() != 0 || any;
    return any;
}

bool MoviePair::PauseBoth()
{
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub })
        if (e->initialised)
            any = e->Pause() != 0 || any;
    return any;
}

std::int64_t MoviePair::subFrameFor(std::int64_t mainFrame) const
{
    const float subPeriod = m_sub.framePeriod;
    if (subPeriod == 0.0f)
        return mainFrame;
    const float frames = float(mainFrame) * m_main.framePeriod / subPeriod;
    // The same moment in the sub movie; a hair below a whole frame is that frame.
    return std::int64_t(std::floor(double(frames) + 1e-3));
}

bool MoviePair::SeekBoth(std::int64_t frame)
{
    bool any = false;
    if (m_main.initialised)
        any = m_main.SeekAndHold(frame) != 0 || any;
    if (m_sub.initialised)
        any = m_sub.SeekAndHold(subFrameFor(frame)) != 0 || any;
    return any;
}

bool MoviePair::SetRateBoth(int code)
{
    // The rates apply at once (no settling time is needed before the next command).
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub })
        if (e->initialised)
            any = e->SetRate(code) != 0 || any;
    return any;
}

bool MoviePair::RepaintBoth()
{
    bool any = false;
    for (MovieEngine* e : { &m_main, &m_sub })
        if (e->initialised)
            any = e->Repaint() || any;
    return any;
}

bool MoviePair::SetZoomBoth(const std::array<ZoomState, 2>& zoom, bool repaint)
{
    bool any = false;
    std::size_t i = 0;
    for (MovieEngine* e : { &m_main, &m_sub }) {
        const ZoomState& z = zoom[i++];
        if (e->initialised)
            any = e->SetZoom(z.anchorX, z.anchorY, z.panX, z.panY, z.factor, repaint) || any;
    }
    return any;
}

int MoviePair::NextRateCode(bool faster)
{
    if (!m_main.initialised)
        return 0;
    if (m_main.state != EngineState::Playing)
        return 1;
    return nextRateCodeFrom(m_main.rateCode, faster, m_main.canPlayBackwards != 0, RateBackend::Session);
}

void MoviePair::LockBoth()
{
    s_lockCount.fetch_add(1, std::memory_order_relaxed);
    m_main.apiLock.lock();
    m_sub.apiLock.lock();
}

void MoviePair::UnlockBoth()
{
    m_sub.apiLock.unlock();
    m_main.apiLock.unlock();
}

} // namespace kivora::playback
