#pragma once

// The zoom interaction of the main window, without a window: where a reset puts a camera's zoom
// and what one zoom click does (×1 → ×2 → ×3 → ×1, the clicked point staying under the cursor).

#include "kivora/playback/MoviePair.h"
#include "kivora/playback/VideoRect.h"

#include <QPoint>
#include <QSize>

namespace kivora::playback {

// The sub camera's surface width at layout scale s: int(440s) − 2·int(−6s). Its surface is never
// laid out, so its zoom centre comes from this fixed width.
int subSurfaceWidth(double uiScale);

// Where a reset puts camera k's anchor: the centre of the main camera's surface (half its width
// and height, truncated), or (w / 2, w × 9 / 32) with w the sub surface width.
QPoint zoomResetAnchor(int cameraIndex, QSize mainSurfaceSize, double uiScale);

// Factor 1, no pan, the anchor at `anchor`; the last click and previous factor stay.
void resetZoom(ZoomState& zoom, QPoint anchor);

// One zoom click at `click` on a surface of `clientSize` whose engine shows its picture in
// `videoRect` (the engine's videoRect). The factor grows by one; past 3 the zoom is reset to
// `resetAnchor` instead. Returns false and leaves the state alone when the factor is not positive
// or the surface has no width. Apply the result with SetZoomBoth (repaint on).
bool zoomClick(
    ZoomState& zoom, QPoint click, const VideoRect& videoRect, QSize clientSize, QPoint resetAnchor);

} // namespace kivora::playback
