#pragma once

// Rectangles of the video surface in its client coordinates (right and bottom exclusive), and the
// placement of the picture: the zoom rectangle around an anchor and the aspect fit.

#include <QRect>

#include <optional>

namespace kivora::playback {

struct VideoRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const VideoRect&) const = default;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool inverted() const { return right < left || bottom < top; }
    QRect toQRect() const { return QRect(left, top, right - left, bottom - top); }
};

// The client rectangle enlarged factor times around (anchorX, anchorY) and moved by the pan.
// None when the factor is 0, the client is empty or the result is inverted.
std::optional<VideoRect> zoomRect(const VideoRect& client, int anchorX, int anchorY, int panX, int panY,
                                  float factor);

// The picture of nativeW × nativeH centred in rect with its aspect kept (bottom one pixel lower
// than the symmetric value). None without a native size.
std::optional<VideoRect> aspectFit(const VideoRect& rect, int clientW, int clientH, int nativeW, int nativeH);

} // namespace kivora::playback
