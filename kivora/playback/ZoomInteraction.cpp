#include "kivora/playback/ZoomInteraction.h"

namespace kivora::playback {

int subSurfaceWidth(double uiScale)
{
    return int(440.0 * uiScale) - 2 * int(-6.0 * uiScale);
}

QPoint zoomResetAnchor(int cameraIndex, QSize mainSurfaceSize, double uiScale)
{
    if (cameraIndex == 1) {
        const int w = subSurfaceWidth(uiScale);
        return QPoint(w / 2, w * 9 / 32);
    }
    return QPoint(mainSurfaceSize.width() / 2, mainSurfaceSize.height() / 2);
}

void resetZoom(ZoomState& zoom, QPoint anchor)
{
    zoom.factor = 1.0f;
    zoom.panX = 0;
    zoom.panY = 0;
    zoom.anchorX = anchor.x();
    zoom.anchorY = anchor.y();
}

bool zoomClick(
    ZoomState& zoom, QPoint click, const VideoRect& videoRect, QSize clientSize, QPoint resetAnchor)
{
    const float d = zoom.factor;
    // A factor of 0 would divide by zero below; it is as meaningless as a negative one.
    if (!(d > 0.0f) || clientSize.width() <= 0)
        return false;
    const int cw = clientSize.width();
    zoom.clickX = click.x();
    zoom.clickY = click.y();
    zoom.previousFactor = d;
    // The new rectangle's edges, worked out in single precision so the point under the cursor
    // lands on the same pixel as before.
    const int a = int((float(click.x()) * (d - 1.0f) + float(videoRect.right)) / d);
    const int bv = int((float(click.y()) * (d - 1.0f) + float(videoRect.top)) / d);
    zoom.anchorX = cw + click.x() - a;
    zoom.anchorY = click.y() - bv;
    zoom.panX = a - cw;
    zoom.panY = bv;
    zoom.factor = d + 1.0f;
    if (zoom.factor > 3.0f)
        resetZoom(zoom, resetAnchor);
    return true;
}

} // namespace kivora::playback
