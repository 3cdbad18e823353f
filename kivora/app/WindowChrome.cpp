#include "kivora/app/WindowChrome.h"

#include "kivora/app/MainLayout.h"

#include <algorithm>

namespace kivora::app {

namespace {

// Edges as in a window rectangle: right and bottom are one past the last pixel.
struct Edges {
    int left, top, right, bottom;

    explicit Edges(QRect r)
        : left(r.x())
        , top(r.y())
        , right(r.x() + r.width())
        , bottom(r.y() + r.height())
    {
    }
    QRect rect() const { return QRect(left, top, right - left, bottom - top); }
};

} // namespace

int frameZone(QPoint p, QRect window, double s, bool maximised)
{
    if (!window.contains(p))
        return kZoneElsewhere;
    const Edges e(window);
    const int border = scaled(6, s);
    const int caption = scaled(24, s);
    const bool inCaptionRows = p.y() < e.top + caption;
    if (maximised && inCaptionRows)
        return kZoneCaption;
    const bool left = p.x() < e.left + border;
    const bool right = p.x() >= e.right - border;
    const bool top = p.y() < e.top + border;
    const bool bottom = p.y() >= e.bottom - border;
    if (top && left)
        return kZoneTopLeft;
    if (top && right)
        return kZoneTopRight;
    if (top)
        return kZoneTop;
    if (bottom && left)
        return kZoneBottomLeft;
    if (bottom && right)
        return kZoneBottomRight;
    if (left)
        return kZoneLeft;
    if (right)
        return kZoneRight;
    if (bottom)
        return kZoneBottom;
    if (inCaptionRows)
        return kZoneCaption;
    if (p.y() >= e.bottom - (scaled(38, s) + scaled(2, s)))
        return kZoneToolbar;
    return kZoneElsewhere;
}

int zoneEdge(int zone)
{
    switch (zone) {
    case kZoneLeft:
        return 1;
    case kZoneRight:
        return 3;
    case kZoneTop:
        return 2;
    case kZoneTopLeft:
        return 5;
    case kZoneTopRight:
        return 8;
    case kZoneBottom:
        return 4;
    case kZoneBottomLeft:
        return 7;
    case kZoneBottomRight:
        return 6;
    default:
        return 0;
    }
}

bool isResizeZone(int zone)
{
    return zoneEdge(zone) != 0;
}

Qt::CursorShape zoneCursor(int zone)
{
    switch (zone) {
    case kZoneLeft:
    case kZoneRight:
        return Qt::SizeHorCursor;
    case kZoneTop:
    case kZoneBottom:
        return Qt::SizeVerCursor;
    case kZoneTopLeft:
    case kZoneBottomRight:
        return Qt::SizeFDiagCursor;
    case kZoneTopRight:
    case kZoneBottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

SystemHit systemHitTest(QPoint p, QRect window, double s, bool maximised)
{
    if (!window.contains(p))
        return SystemHit::Client;
    const Edges e(window);
    const int border = scaled(6, s);
    const bool inCaptionRows = p.y() < e.top + scaled(24, s);
    if (maximised && inCaptionRows)
        return SystemHit::Client;
    // The top border and its corners stay with the window, which resizes itself.
    if (p.y() < e.top + border)
        return SystemHit::Client;
    if (inCaptionRows && p.x() >= e.left + border && p.x() < e.right - border)
        return SystemHit::Caption;
    return SystemHit::Client;
}

double maxWindowScale(int monitorWidth, double s)
{
    const int designWidth = scaled(kDesignWidth, s);
    if (designWidth <= 0 || monitorWidth <= 0)
        return 1.0;
    return std::max(1.0, std::min(2.0 * monitorWidth / designWidth, kMaxWindowScaleCap));
}

double windowScaleFor(int length, int designLength, double maxScale)
{
    if (designLength <= 0)
        return 1.0;
    const double limit = std::max(1.0, maxScale);
    // A window at the limit keeps it, so a rectangle made at the limit gives the limit back.
    if (static_cast<int>(designLength * limit) <= length)
        return limit;
    // Whole steps: below the limit the window only ever holds a whole number of design sizes.
    const double steps = length / designLength;
    return std::clamp(steps, 1.0, limit);
}

ResizeResult resizeRect(QRect start, int edge, QPoint cursor, double s, double maxScale)
{
    const QSize design = designSize(s);
    Edges e(start);
    const bool movesLeft = edge == 1 || edge == 5 || edge == 7;
    const bool movesRight = edge == 3 || edge == 6 || edge == 8;
    const bool movesTop = edge == 2 || edge == 5 || edge == 8;
    const bool movesBottom = edge == 4 || edge == 6 || edge == 7;

    if (movesLeft)
        e.left = std::min(cursor.x(), e.right - design.width());
    if (movesRight)
        e.right = std::max(cursor.x(), e.left + design.width());
    if (movesTop)
        e.top = std::min(cursor.y(), e.bottom - design.height());
    if (movesBottom)
        e.bottom = std::max(cursor.y(), e.top + design.height());

    ResizeResult out;
    out.scaleX = windowScaleFor(e.right - e.left, design.width(), maxScale);
    out.scaleY = windowScaleFor(e.bottom - e.top, design.height(), maxScale);
    const QSize exact = scaledWindowSize(s, out.scaleX, out.scaleY);
    if (movesLeft)
        e.left = e.right - exact.width();
    else
        e.right = e.left + exact.width();
    if (movesTop)
        e.top = e.bottom - exact.height();
    else
        e.bottom = e.top + exact.height();
    out.rect = e.rect();
    return out;
}

QPoint keepOnScreenOffset(QRect window, std::span<const QRect> workAreas, QRect home)
{
    if (window.isEmpty())
        return {};
    const auto onSomeMonitor = [&](QPoint p) {
        return std::any_of(workAreas.begin(), workAreas.end(), [&](const QRect& a) { return a.contains(p); });
    };
    if (onSomeMonitor(window.topLeft()) && onSomeMonitor(window.topRight()))
        return {};
    if (home.isEmpty())
        return {};
    const Edges w(window);
    const Edges a(home);
    // Per axis: bring the far side in, but never push the near side (caption, left end) out.
    const auto shift = [](int nearSide, int farSide, int areaNear, int areaFar) {
        int d = 0;
        if (farSide > areaFar)
            d = areaFar - farSide;
        if (nearSide + d < areaNear)
            d = areaNear - nearSide;
        return d;
    };
    return { shift(w.left, w.right, a.left, a.right), shift(w.top, w.bottom, a.top, a.bottom) };
}

QRect maximisedRect(QRect workArea, AutoHideEdge edge)
{
    Edges e(workArea);
    switch (edge) {
    case AutoHideEdge::Top:
        e.top += 1;
        break;
    case AutoHideEdge::Right:
        e.right -= 1;
        break;
    case AutoHideEdge::Bottom:
        e.bottom -= 1;
        break;
    case AutoHideEdge::Left:
        e.left += 1;
        break;
    case AutoHideEdge::None:
        break;
    }
    return e.rect();
}

void WindowChromeState::setScale(double scaleX, double scaleY)
{
    if (scaleX > 0.0)
        m_scaleX = std::max(1.0, scaleX);
    if (scaleY > 0.0)
        m_scaleY = std::max(1.0, scaleY);
}

void WindowChromeState::saveNormalRect(QRect rect)
{
    if (normal() && !rect.isEmpty())
        m_normalRect = rect;
}

WindowChromeState::Actions WindowChromeState::onMinimised()
{
    Actions a;
    a.minimiseCompanions = true;
    m_minimised = true;
    m_maximised = false;
    return a;
}

WindowChromeState::Actions WindowChromeState::onMaximised()
{
    Actions a;
    if (m_maximised)
        return a;
    a.restoreCompanions = m_minimised;
    m_maximised = true;
    m_minimised = false;
    a.infoPanelFactor = 1.08;
    a.fitToWorkArea = true;
    return a;
}

WindowChromeState::Actions WindowChromeState::onRestored(double s, double maxScale)
{
    Actions a;
    if (!m_maximised && !m_minimised)
        return a;
    a.restoreCompanions = m_minimised;
    m_maximised = false;
    m_minimised = false;
    a.infoPanelFactor = 1.0;
    if (!m_normalRect.isEmpty()) {
        const QSize design = designSize(s);
        m_scaleX = windowScaleFor(m_normalRect.width(), design.width(), maxScale);
        m_scaleY = windowScaleFor(m_normalRect.height(), design.height(), maxScale);
        // The saved rectangle returns at its own step, never below the design size.
        m_normalRect.setSize(scaledWindowSize(s, m_scaleX, m_scaleY));
        a.moveTo = m_normalRect;
    }
    a.relayout = true;
    return a;
}

} // namespace kivora::app
