#pragma once

#include <QPoint>
#include <QRect>

namespace kivora::app {

class CkivoraDlg;

// How the main window shows the video: full screen (only the main surface over the monitor) and
// the rear camera's picture in a corner of the video, and zoom mode. UI thread only.
class ViewModes {
public:
    explicit ViewModes(CkivoraDlg& dlg)
        : m_dlg(dlg)
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
    // A click on a camera's picture: zooms it in zoom mode, else swaps the rear-view pictures when
    // it hit the small one.
    void surfaceClick(int cameraIndex, QPoint clientPoint);

private:
    CkivoraDlg& m_dlg;
    bool m_separateWindowBeforeFullScreen = false; // shown again on leaving
    int m_rearView = 0;
    QRect m_videoRect;
};

} // namespace kivora::app
