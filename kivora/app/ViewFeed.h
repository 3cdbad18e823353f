#pragma once

#include "kivora/playback/MovieEngine.h"
#include "kivora/views/VehicleGauge.h"

#include <cstdint>

namespace kivora::map {
class IMapView;
}

namespace kivora::app {

class MapPlace;
class OpenSequence;
class PlaybackClock;
class PlaybackControl;
struct FrameValues;
struct WindowWidgets;

// The main window's 30 ms clock and what it shows: each tick asks the clock what to do, and
// showing frame n builds that frame's values once, under the engine locks, then hands them to
// every view and redraws the panel and the graph after the locks are released. Seeks keep the
// engine's state. Remembers the frame shown and the recording's length. UI thread only.
class ViewFeed {
public:
    // What the feed needs from the window.
    class Host {
    public:
        virtual bool busy() = 0;
        // The toolbar locked (worker false: the near-end lock) and set by the enabling rule again.
        virtual void disableEverything(bool worker) = 0;
        virtual void refreshToolbar() = 0;
        virtual map::IMapView& mapView() const = 0;
        virtual bool isFullScreenView() const = 0;

    protected:
        ~Host() = default;
    };

    ViewFeed(Host& host, const WindowWidgets& ui, const OpenSequence& open, PlaybackControl& playback,
        PlaybackClock& clock, MapPlace& mapPlace)
        : m_host(host)
        , m_ui(ui)
        , m_open(open)
        , m_playback(playback)
        , m_clock(clock)
        , m_mapPlace(mapPlace)
    {
    }

    void clockTick();
    // The views show frame n (clamped to the slider's range); a seek waits for it.
    void showFrame(std::int64_t n);
    // Seeks both cameras to n (held back from the end) and shows it, leaving the engines in state.
    void seekWithState(std::int64_t n, playback::EngineState state);

    // The frame the views show (-1 before the first, and after a recording closed).
    std::int64_t shownFrame() const { return m_shownFrame; }
    void forgetShownFrame() { m_shownFrame = -1; }
    // The open recording's length in frames, as its main movie gave it when it opened.
    std::int64_t duration() const { return m_duration; }
    void setDuration(std::int64_t frames) { m_duration = frames; }
    const views::VehicleQuantities& vehicle() const { return m_vehicle; }

private:
    void feedViews(const FrameValues& values);

    Host& m_host;
    const WindowWidgets& m_ui;
    const OpenSequence& m_open;
    PlaybackControl& m_playback;
    PlaybackClock& m_clock;
    MapPlace& m_mapPlace;
    std::int64_t m_duration = 0;
    std::int64_t m_shownFrame = -1;
    views::VehicleQuantities m_vehicle;
};

} // namespace kivora::app
