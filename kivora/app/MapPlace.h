#pragma once

#include <cstdint>
#include <utility>

namespace kivora::map {
class IMapView;
}
namespace kivora::recording {
struct GpsSample;
struct RecordingEntry;
} // namespace kivora::recording

namespace kivora::app {

class CrashPoints;
class OpenSequence;
class PlaybackControl;
struct WindowWidgets;

// What the separate window shows in the map's place, and the map's crash points: the map while the
// recording has a valid position to show (and the page and runtime are there), else the logo in
// the mode the marks give; the event list goes to the page once it is ready. Owns the marks the
// choice reads. UI thread only.
class MapPlace {
public:
    // What the choice asks of the window.
    class Host {
    public:
        virtual map::IMapView& mapView() const = 0;
        // Under hMutexCache.
        virtual recording::RecordingEntry* selectedEntry() = 0;
        virtual bool isFullScreenView() const = 0;
        virtual double uiScale() const = 0;
        // The open recording's telemetry has GPS samples; takes the engine locks.
        virtual bool recordingHasGps() = 0;
        virtual void repaintWindow() = 0;

    protected:
        ~Host() = default;
    };

    MapPlace(Host& host, const WindowWidgets& ui, OpenSequence& open, PlaybackControl& playback,
        CrashPoints& crashPoints)
        : m_host(host)
        , m_ui(ui)
        , m_open(open)
        , m_playback(playback)
        , m_crashPoints(crashPoints)
    {
    }

    // Rebuilds the event list of the recording at recordingIndex (none: -1, or not opened) and
    // sends the events the map can place; the map's result, 1 with no recording. Takes
    // hMutexCpSet and the engine locks.
    int sendCrashPoints(int recordingIndex, bool withGroupTrack);
    // The clock's step: the list to a page that is ready and has not taken it, then the page's
    // state (1 paused, 2 stopped).
    void mapStatusStep();
    // Map or logo, from the marks as they are now.
    void refreshMapChoice();
    // The "map has data" mark from the shown frame's GPS sample.
    void updateMapHasData(std::int64_t shownFrame);
    // The GPS sample of the frame handed to the views; opening: the recording is still opening.
    void onGpsSample(const recording::GpsSample& gps, bool opening);
    // The page is up: it gets the event list again and the map may show.
    void onMapReady();
    // A graph channel (an axis or a mark setting) switched on or off, in the graph and on the map.
    void onDisplayFlag(int channel, bool on);

    bool mapHasData() const { return m_mapHasData; }
    void clearMapHasData() { m_mapHasData = false; }
    // From the first play or the post-show step on, the logo may say the map is on its way.
    void allowMap() { m_mapAllowed = true; }
    int logoMode() const { return m_logoMode; }
    // True the first time only: the separate window is placed beside the video then.
    bool firstShow() { return !std::exchange(m_placed, true); }

private:
    Host& m_host;
    const WindowWidgets& m_ui;
    OpenSequence& m_open;
    PlaybackControl& m_playback;
    CrashPoints& m_crashPoints;
    bool m_placed = false;
    bool m_mapHasData = false; // the shown frame has a valid GPS position
    bool m_gpsInvalid = false; // a valid fix with a position out of range
    bool m_mapAllowed = false;
    int m_logoMode = 1;
};

} // namespace kivora::app
