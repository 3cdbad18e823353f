#include "kivora/playback/VideoRect.h"

namespace kivora::playback {

std::optional<VideoRect> zoomRect(const VideoRect& client, int anchorX, int anchorY, int panX, int panY,
                                  float factor)
{
    // An empty client has no point to zoom around (and would divide by zero).
    if (factor == 0.0f || client.right <= client.left || client.bottom <= client.top)
        return std::nullopt;
    const float w = float(client.right - client.left);
    const float k = factor - 1.0f;
    const float hx = w * k;
    VideoRect r;
    r.right = client.right + int((1.0f - float(anchorX) / w) * hx);
    r.left = client.left - int(float(anchorX) / w * hx);
    if (r.right < r.left)
        return std::nullopt;
    const float h = float(client.bottom - client.top);
    const float hy = h * k;
    r.top = client.top - int(float(anchorY) / h * hy);
    r.bottom = client.bottom + int((1.0f - float(anchorY) / h) * hy);
    r.left += panX;
    r.right += panX;
    r.top += panY;
    r.bottom += panY;
    return r;
}

std::optional<VideoRect> aspectFit(const VideoRect& rect, int clientW, int clientH, int nativeW, int nativeH)
{
    if (nativeW <= 0 || nativeH <= 0 || clientH <= 0)
        return std::nullopt;
    const double ratio = double(nativeW) / double(nativeH);
    int f = 0;
    int g = 0;
    if (double(clientW) / double(clientH) > ratio) {
        f = rect.bottom - rect.top;
        g = int(f * ratio);
    } else {
        g = rect.right - rect.left;
        f = int(g / ratio);
    }
    VideoRect out;
    out.left = (rect.left + rect.right - g) / 2;
    out.top = (rect.top + rect.bottom - f) / 2;
    out.right = (rect.left + rect.right + g) / 2;
    out.bottom = (rect.top + rect.bottom + f) / 2 + 1;
    return out;
}

} // namespace kivora::playback
