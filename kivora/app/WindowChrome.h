#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <Qt>

#include <optional>
#include <span>

namespace kivora::app {

// The rules of the main window's chrome, free of any window: which part of the window a point is
// over, what the window system is told about it, the rectangle a border drag gives, and the
// bookkeeping of the window's states. All rectangles are screen rectangles in logical pixels.

// Results of the zone test. The numbers are stable: callers store and compare them.
enum FrameZone : int {
    kZoneElsewhere = 0,
    kZoneToolbar = 1,
    kZoneCaption = 2,
    kZoneLeft = 10,
    kZoneRight = 11,
    kZoneTop = 12,
    kZoneTopLeft = 13,
    kZoneTopRight = 14,
    kZoneBottom = 15,
    kZoneBottomLeft = 16,
    kZoneBottomRight = 17,
};

// The zone under screen point p of a window at `window`. When maximised, the top int(24s) rows are
// all caption; otherwise borders of int(6s) (corners first), then the caption strip, then the
// toolbar strip at the bottom. Points outside the window are kZoneElsewhere.
int frameZone(QPoint p, QRect window, double uiScale, bool maximised);

// The edge a zone drags: 1 left, 2 top, 3 right, 4 bottom, 5 top-left, 6 bottom-right,
// 7 bottom-left, 8 top-right; 0 for the zones that resize nothing.
int zoneEdge(int zone);
bool isResizeZone(int zone);
Qt::CursorShape zoneCursor(int zone);

// What the window system is told: the caption strip (inset by the side borders) moves the window;
// everything else is the window's own, so the system never resizes it.
enum class SystemHit { Client, Caption };
SystemHit systemHitTest(QPoint p, QRect window, double uiScale, bool maximised);

// The upper limit of the window scale factors on a monitor of that width:
// min(2 × width ÷ int(1120 s), 3.4285715).
inline constexpr double kMaxWindowScaleCap = 3.4285715;
double maxWindowScale(int monitorWidth, double uiScale);

// The window scale factor of a length: the whole design sizes it holds, at least 1; a length that
// reaches int(designLength × maxScale) gives maxScale itself.
double windowScaleFor(int length, int designLength, double maxScale);

struct ResizeResult {
    QRect rect;
    double scaleX = 1.0;
    double scaleY = 1.0;
};

// The window rectangle while dragging `edge` of `start` to `cursor`: the dragged edge follows the
// cursor, no smaller than the design size, then snaps to whole steps (int(1120 s) × sx) ×
// (int(697 s) × sy) with the opposite edge kept. A side edge leaves the other axis at its step.
ResizeResult resizeRect(QRect start, int edge, QPoint cursor, double uiScale, double maxScale);

// How far to move a window so that its caption can be reached: nothing while both top corners lie
// in some work area; otherwise it is moved into `home` (the work area of the monitor that holds its
// top-left corner), top-left first when it is larger than that area.
QPoint keepOnScreenOffset(QRect window, std::span<const QRect> workAreas, QRect home);

// The edge on which an auto-hiding task bar sits, if any.
enum class AutoHideEdge { None, Left, Top, Right, Bottom };

// The maximised window: the work area, less one pixel on the edge of an auto-hiding task bar so the
// bar can still be called up with the mouse.
QRect maximisedRect(QRect workArea, AutoHideEdge edge = AutoHideEdge::None);

// The window's state marks and the saved normal rectangle, with the rules for a change of state.
// The caller applies the returned actions (other windows, the information panel, geometry).
class WindowChromeState {
public:
    struct Actions {
        bool minimiseCompanions = false; // separate window (while the map shows) and vehicle window
        bool restoreCompanions = false;
        std::optional<double> infoPanelFactor; // 1.08 maximised, 1.0 restored
        bool fitToWorkArea = false;
        std::optional<QRect> moveTo; // restored: the saved normal rectangle at its scale
        bool relayout = false;
    };

    bool maximised() const { return m_maximised; }
    bool minimised() const { return m_minimised; }
    bool normal() const { return !m_maximised && !m_minimised; }
    QRect normalRect() const { return m_normalRect; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }

    // Stored factors (values <= 0 are ignored; the rest are held at 1 or more).
    void setScale(double scaleX, double scaleY);
    // The rectangle is kept only while the window is neither maximised nor minimised.
    void saveNormalRect(QRect rect);

    Actions onMinimised();
    Actions onMaximised();
    // From maximised or minimised only; the factors come from the saved normal rectangle.
    Actions onRestored(double uiScale, double maxScale);

private:
    bool m_maximised = false;
    bool m_minimised = false;
    QRect m_normalRect;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
};

} // namespace kivora::app
