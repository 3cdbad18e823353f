#pragma once

// What a camera's video surface hands to the window that owns it. The surface calls these on the
// UI thread, directly (not posted), tagged with its camera index where the owner needs it.

#include <QPoint>

namespace kivora::playback {

class CMovieStatic;

class MovieSurfaceOwner {
public:
    virtual void onSurfaceContextMenu(QPoint screenPoint, CMovieStatic& surface) = 0;
    virtual void onSurfaceGraphEvent(unsigned wParam, long lParam) = 0;
    virtual void onSurfaceMovieEnded() = 0;
    virtual void onSurfaceMovieReady() = 0;
    virtual void onSurfaceSingleClick(int cameraIndex, QPoint clientPoint) = 0;
    virtual void onSurfaceDoubleClick(int cameraIndex) = 0;
    // Erase background of a surface whose engine is open: re-apply both cameras' video
    // rectangles without repainting.
    virtual void onSurfaceReapplyZoom() = 0;

protected:
    ~MovieSurfaceOwner() = default;
};

} // namespace kivora::playback
