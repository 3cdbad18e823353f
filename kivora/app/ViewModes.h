#pragma once

#include "kivora/playback/MoviePair.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>

namespace kivora::browse {
class IBrowserPanel;
}

namespace kivora::app {

class AppSettings;
class OpenSequence;
class PlaybackControl;
struct WindowWidgets;

// Full screen is refused this close to the end, where the list is about to move on.
inline constexpr std::int64_t kFullScreenEndFrames = 10;

// How the main window shows the video: full screen (only the main surface over the monitor) and
// the rear camera's picture in a corner of the video, and zoom mode with both cameras' zoom.
// UI thread only.
class ViewModes {
public:
    // What the modes need from the window.
    class Host {
    public:
        virtual bool workerRunning() const = 0;
        virtual int listSize() const = 0;
        virtual bool isFullScreenView() const = 0;
        virtual double uiScale() const = 0;
        virtual browse::IBrowserPanel& browser() const = 0;
        virtual void refreshMapChoice() = 0;
        virtual void updateSpeedLabel() = 0;
        // Lays the children out for the window's state (normal or full screen).
        virtual void placeChildren() = 0;
        // Keeps (or stretches) the picture's shape, in the engines and the settings.
        virtual void setKeepAspect(bool keep) = 0;
        virtual void repaintWindow() = 0;

    protected:
        ~Host() = default;
    };

    ViewModes(Host& host, const WindowWidgets& ui, const OpenSequence& open, PlaybackControl& playback,
        AppSettings& settings)
        : m_host(host)
        , m_ui(ui)
        , m_open(open)
        , m_playback(playback)
        , m_settings(settings)
    {
    }

    // Entering needs an opened recording in a non-empty list, no worker and a position more than
    // kFullScreenEndFrames before the end; false when refused. Leaving keeps the aspect ratio from
    // then on (DISPLAY/ASPECT "on").
    bool enterFullScreen();
    void leaveFullScreen();

    // 0 off, 1 picture-in-picture, 2 swapped (rear large); remembered in the settings.
    int rearView() const { return m_rearView; }
    void setRearView(int mode);
    // The start-up value from the settings, without writing it back.
    void restoreRearView(int mode) { m_rearView = mode; }
    // Where the large picture goes; the small one sits in its lower right corner.
    void setVideoRect(const QRect& rect) { m_videoRect = rect; }
    void placeRearView();

    // Zoom mode: a click on the video zooms it (x1, x2, x3); leaving resets both cameras' zoom.
    void setZoomMode(bool on);
    bool zoomMode() const { return m_zoomMode; }
    const std::array<playback::ZoomState, 2>& zoom() const { return m_zoom; }
    // Gives both cameras their zoom again (a new movie, a new shape, a repaint).
    void applyZoom(bool repaint);
    // A click on a camera's picture: zooms it in zoom mode, else swaps the rear-view pictures when
    // it hit the small one.
    void surfaceClick(int cameraIndex, QPoint clientPoint);

private:
    Host& m_host;
    const WindowWidgets& m_ui;
    const OpenSequence& m_open;
    PlaybackControl& m_playback;
    AppSettings& m_settings;
    bool m_separateWindowBeforeFullScreen = false; // shown again on leaving
    int m_rearView = 0;
    QRect m_videoRect;
    bool m_zoomMode = false;
    std::array<playback::ZoomState, 2> m_zoom {};
};

} // namespace kivora::app
