#include "kivora/app/PlaybackControl.h"

#include "kivora/app/BusyGuard.h"

namespace kivora::app {

using playback::EngineState;

EngineState PlaybackControl::state() const
{
    return initialised() ? m_mainEngine.engineState() : EngineState::Closed;
}

bool PlaybackControl::busy(bool opened)
{
    EngineSnapshot snapshot;
    if (initialised()) {
        snapshot.initialised = true;
        snapshot.playing = playing();
        snapshot.rateCode = m_mainEngine.rate();
        if (snapshot.playing) {
            snapshot.position = m_mainEngine.GetPosition();
            snapshot.duration = m_mainEngine.GetDuration();
        }
    }
    return isBusy(opened, snapshot);
}

void PlaybackControl::applyVolume(int volume)
{
    if (!initialised())
        return;
    m_mainEngine.SetVolume(volume);
    if (m_subEngine.isInitialised())
        m_subEngine.SetVolume(0);
}

void PlaybackControl::setRate(int rateCode)
{
    if (initialised())
        m_pair.SetRateBoth(rateCode);
}

void PlaybackControl::setAspect(bool keep)
{
    if (initialised())
        m_mainEngine.SetAspectMode(keep ? 1 : 0);
    if (m_subEngine.isInitialised())
        m_subEngine.SetAspectMode(keep ? 1 : 0);
}

void PlaybackControl::closeBoth()
{
    m_pair.ReleaseTelemetryBoth();
    m_pair.CloseBoth();
}

void PlaybackControl::startLoader(
    std::function<std::filesystem::path()> path, std::function<void(bool, bool)> done)
{
    if (m_loader.joinable())
        m_loader.join();
    m_loader = std::jthread([this, path = std::move(path), done = std::move(done)] {
        const std::filesystem::path p = path();
        const bool preloaded = !p.empty() && m_pair.PreloadTelemetry(p);
        // Decoding happens here, not on the window's thread.
        const bool loaded = !p.empty() && m_pair.LoadTelemetryBoth(p);
        done(preloaded, loaded);
    });
}

void PlaybackControl::startPreloader(std::function<std::filesystem::path()> path)
{
    if (m_preloader.joinable())
        m_preloader.join();
    m_preloader = std::jthread([this, path = std::move(path)] { m_pair.PreloadTelemetry(path()); });
}

void PlaybackControl::joinLoaders()
{
    if (m_loader.joinable())
        m_loader.join();
    if (m_preloader.joinable())
        m_preloader.join();
}

} // namespace kivora::app
