#pragma once

#include "kivora/playback/MoviePair.h"

#include <filesystem>
#include <functional>
#include <thread>

namespace kivora::app {

// The two camera engines of the main window with their pair, and the telemetry loader threads.
// The engines' own rules (initialised, state, busy, volume, rate, aspect) are asked here so that
// the window never repeats "is the sub camera there too". UI thread only, except where a member
// says otherwise. The loaders are started and joined only here.
class PlaybackControl {
public:
    PlaybackControl() = default;
    ~PlaybackControl() { joinLoaders(); }
    PlaybackControl(const PlaybackControl&) = delete;
    PlaybackControl& operator=(const PlaybackControl&) = delete;

    playback::MovieEngine& main() { return m_mainEngine; }
    const playback::MovieEngine& main() const { return m_mainEngine; }
    playback::MovieEngine& sub() { return m_subEngine; }
    playback::MoviePair& pair() { return m_pair; }

    bool initialised() const { return m_mainEngine.isInitialised(); }
    // Closed while the main engine is not initialised.
    playback::EngineState state() const;
    bool playing() const { return state() == playback::EngineState::Playing; }
    // The busy guard on the main camera: opened is the open sequence's "telemetry loaded".
    bool busy(bool opened);

    // Only the main camera is heard; muting silences it too.
    void applyVolume(int volume);
    void mute() { applyVolume(0); }
    void setRate(int rateCode);
    void setAspect(bool keep);
    // Both engines closed with their telemetry; the caller joined the loaders before.
    void closeBoth();

    // Loader of a recording's telemetry: `path` runs on the thread (it may take the list's lock),
    // `done` too, with whether the spare reader and the engines' readers loaded. Never called
    // with that lock or an engine lock held: a previous loader is joined first.
    void startLoader(
        std::function<std::filesystem::path()> path, std::function<void(bool preloaded, bool loaded)> done);
    // Reads the next recording's telemetry into the spare reader (an empty path only releases it).
    void startPreloader(std::function<std::filesystem::path()> path);
    // Never with the list's lock or an engine lock held: the loaders take both.
    void joinLoaders();
    bool loadersIdle() const { return !m_loader.joinable() && !m_preloader.joinable(); }

private:
    // Main camera first in every lock order. Destroyed after the loaders, which use them.
    playback::MovieEngine m_mainEngine;
    playback::MovieEngine m_subEngine;
    playback::MoviePair m_pair { m_mainEngine, m_subEngine };
    // Started and joined by the UI thread only.
    std::jthread m_loader;
    std::jthread m_preloader;
};

} // namespace kivora::app
