#include "kivora/app/MainLayout.h"

namespace kivora::app {

QSize scaledWindowSize(double uiScale, double scaleX, double scaleY)
{
    const QSize design = designSize(uiScale);
    return { static_cast<int>(design.width() * scaleX), static_cast<int>(design.height() * scaleY) };
}

double computeDpiRatio(double logicalDpiX)
{
    return logicalDpiX > 0.0 ? logicalDpiX / 96.0 : 1.0;
}

double computeUiScale(double dpiRatio, QSize workArea, double previousScale)
{
    const double designHeight = scaled(kDesignHeight, previousScale) * dpiRatio;
    const double designWidth = scaled(kDesignWidth, previousScale) * dpiRatio;
    double fit = 1.0;
    if (workArea.height() > 0 && designHeight > workArea.height())
        fit = workArea.height() / designHeight;
    if (workArea.width() > 0 && designWidth * fit > workArea.width())
        fit = workArea.width() / designWidth;
    return dpiRatio * fit;
}

QRect mainVideoRect(QSize windowSize, double s)
{
    if (windowSize.width() <= 0 || windowSize.height() <= 0)
        return {};
    const int w = windowSize.width() - 2 * scaled(6, s);
    const int h = windowSize.height() + scaled(-10, s) - scaled(38, s) - scaled(24, s);
    const int videoW = w - scaled(440, s) - 2 * scaled(6, s);
    const int videoH = h + scaled(-150, s) - scaled(105, s);
    if (videoW <= 0 || videoH <= 0)
        return {};
    return { scaled(6, s), scaled(24, s), videoW, videoH };
}

std::optional<MainLayout> MainLayout::compute(QSize client, double s)
{
    return computeAround(client, mainVideoRect(client, s), s);
}

std::optional<MainLayout> MainLayout::computeAround(QSize client, QRect video, double s)
{
    if (client.width() <= 0 || client.height() <= 0 || video.width() <= 0 || video.height() <= 0)
        return std::nullopt;
    const int cw = client.width();
    const int ch = client.height();
    // The surface's rectangle as edges, moved up by one pixel: the slider and the panels start on
    // the surface's last row.
    const int l = video.x();
    const int t = video.y() - 1;
    const int r = video.x() + video.width();
    const int bm = video.y() + video.height() - 1;
    const int one = scaled(1, s);

    MainLayout out;
    out.video = video;
    out.positionSlider = QRect(l, bm, r - l, scaled(10, s));
    out.infoPanel = QRect(l + one, bm - scaled(-10, s), r - one - l, scaled(105, s));
    out.graph = QRect(l + one, scaled(105, s) + bm - scaled(-10, s), r - one - l,
        scaled(2, s) + ch - scaled(10, s) - scaled(38, s) - scaled(6, s) - scaled(105, s) - bm);
    out.recordingList = QRect(
        r, t + 1, scaled(440, s) + 2 * scaled(6, s), ch + scaled(-4, s) + one - scaled(38, s) - t - 1);

    const int button = scaled(32, s);
    const int buttonY = ch - (button + scaled(38, s)) / 2 - one;
    for (int i = 0; i < static_cast<int>(out.toolbar.size()); ++i) {
        // A wider gap after the ninth button separates the playback group from the rest.
        const int x = scaled(20, s) + i * (button + scaled(15, s)) + (i >= 9 ? button - scaled(2, s) : 0);
        out.toolbar[i] = QRect(x, buttonY, button, button);
    }
    for (int i = 0; i < static_cast<int>(out.captionButtons.size()); ++i) {
        const int w = i == 0 ? scaled(46, s) : scaled(26, s);
        const int x = cw + scaled(-6, s) - i * w - scaled(46, s) - scaled(4, s);
        out.captionButtons[i] = QRect(x, 0, w, scaled(18, s));
    }
    out.volumeSlider = QRect(cw - scaled(120, s), scaled(-5, s) + ch - (scaled(38, s) + scaled(12, s)) / 2,
        scaled(100, s), scaled(20, s));
    out.progressBar = QRect(l, bm - scaled(22, s), r - l, scaled(22, s));
    return out;
}

SeparateWindowLayout SeparateWindowLayout::compute(double s)
{
    const int ws = scaled(440, s) - 2 * scaled(-6, s);
    const int hs = ((2 * scaled(-6, s) - scaled(2, s)) * 2 - scaled(-1120, s) - scaled(440, s)) * 9 / 16
        - scaled(-3, s) - scaled(1, s);
    const int one = scaled(1, s);
    return { QSize(ws, hs), QRect(one, scaled(20, s), ws - 2 * one, hs - scaled(20, s) - one) };
}

QPoint separateWindowPosition(QPoint mainWindowTopLeft, const MainLayout& layout, double s)
{
    const int r = layout.video.x() + layout.video.width();
    const int listBottom = layout.recordingList.y() + layout.recordingList.height();
    const int rise = (scaled(1120, s) + 4 * scaled(-6, s) + 2 * scaled(-2, s) + scaled(-440, s)) * 9 / 16;
    return { mainWindowTopLeft.x() + r,
        scaled(-3, s) + mainWindowTopLeft.y() + listBottom + scaled(1, s) - rise };
}

bool videoInsideMonitor(QRect videoOnScreen, QRect monitor)
{
    return !videoOnScreen.isEmpty() && monitor.contains(videoOnScreen);
}

} // namespace kivora::app
