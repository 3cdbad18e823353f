#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <optional>

namespace kivora::app {

// The main window is designed at 1120 × 697 design pixels. Every length on screen is a design
// length L times UiScale, truncated towards zero, so a negative length scales to minus the
// positive one: scaled(-6, s) == -scaled(6, s).
inline constexpr int kDesignWidth = 1120;
inline constexpr int kDesignHeight = 697;

constexpr int scaled(double designLength, double uiScale)
{
    return static_cast<int>(designLength * uiScale);
}

// The window's minimum size at a scale: int(1120 s) × int(697 s).
constexpr QSize designSize(double uiScale)
{
    return { scaled(kDesignWidth, uiScale), scaled(kDesignHeight, uiScale) };
}

// The window size for the window scale factors sx, sy: (int(1120 s) × sx) × (int(697 s) × sy).
QSize scaledWindowSize(double uiScale, double scaleX, double scaleY);

// `DpiRatio`: horizontal dots per inch of the window's screen over 96. Qt's logical DPI already
// has the device pixel ratio taken out, which matches lengths given in logical pixels.
double computeDpiRatio(double logicalDpiX);

// `UiScale` = DpiRatio × fit, where fit shrinks the design height int(s0 × 697) × DpiRatio to the
// work area's height when it is taller, else 1. s0 is the previous scale (1.0 at start-up).
// The design width int(s0 × 1120) × DpiRatio is fitted to the work area's width the same way: a
// window wider than a narrow screen (a small laptop, or a large text scale) would leave its right
// side out of reach. A work area of no size (a screen not yet known) leaves fit at 1.
double computeUiScale(double dpiRatio, QSize workArea, double previousScale = 1.0);

// The main video surface inside a window of the given size: at (int(6s), int(24s)), its size taken
// from the window's size after the borders, the caption and toolbar strips, the list column and the
// information panel and graph rows. Empty when the window is empty or too small to hold it.
QRect mainVideoRect(QSize windowSize, double uiScale);

// Where every child of the main window goes, in client coordinates, for a client of size
// (cw, ch) at one scale. The window has no system frame, so window and client coincide.
struct MainLayout {
    QRect video; // main video surface (control 1000)
    QRect positionSlider; // 38100
    QRect infoPanel;
    QRect graph;
    QRect recordingList;
    std::array<QRect, 14> toolbar; // 38000 + i
    std::array<QRect, 3> captionButtons; // 0 close, 1 maximise, 2 minimise
    QRect volumeSlider; // 38101
    QRect progressBar; // 38102, over the bottom of the video

    // Nothing for an empty client or a client too small for the video surface, so a window being
    // created or minimised keeps its children where they were.
    static std::optional<MainLayout> compute(QSize client, double uiScale);
    // The same, around a video surface already placed at `video`.
    static std::optional<MainLayout> computeAround(QSize client, QRect video, double uiScale);
};

// The separate window (map and logo panel): its size and where both panels go inside it.
struct SeparateWindowLayout {
    QSize size; // 452 × 368 at scale 1
    QRect inner; // map window and logo panel, in the separate window's coordinates

    static SeparateWindowLayout compute(double uiScale);
};

// Top-left corner of the separate window beside the video: over the lower part of the recording
// list, its right column. `mainWindowTopLeft` is the main window's position on the screen.
QPoint separateWindowPosition(QPoint mainWindowTopLeft, const MainLayout& layout, double uiScale);

// The separate window is placed beside the video only when the video lies wholly on one monitor.
bool videoInsideMonitor(QRect videoOnScreen, QRect monitor);

} // namespace kivora::app
