#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;
class QWidget;

namespace kivora::ui {

// A back buffer for flicker-free drawing: a view paints everything into the surface, then copies
// the result to the screen with one copyTo() per paint. Sizes are logical pixels; with a device
// pixel ratio above 1 the surface holds that many more pixels so text and lines stay sharp.
// UI thread only. Paint into surface() with your own QPainter and end it before copying.
class COffScreenDC {
public:
    COffScreenDC() = default;
    COffScreenDC(QSize size, qreal devicePixelRatio = 1.0) { create(size, devicePixelRatio); }

    // (Re)creates the surface, filled opaque black like a new compatible bitmap. An empty size
    // leaves no surface and returns false.
    bool create(QSize size, qreal devicePixelRatio = 1.0);
    // Sized to the widget's current size and pixel ratio.
    bool createForWidget(const QWidget& widget);
    void destroy();

    bool isValid() const { return !m_surface.isNull(); }
    QSize size() const { return m_size; }
    qreal devicePixelRatio() const { return m_surface.isNull() ? 1.0 : m_surface.devicePixelRatio(); }

    // The drawing surface (null when not created).
    QImage& surface() { return m_surface; }
    const QImage& surface() const { return m_surface; }

    // Side of the main window's own square surface: (int)(7680 × uiScale) ÷ 12.
    static int mainWindowSide(double uiScale) { return static_cast<int>(7680 * uiScale) / 12; }

    // One block transfer of `source` (logical; the whole surface when empty) to `to` on the target.
    // Pixels replace what is there, as a blit does.
    void copyTo(QPainter& target, QPoint to = {}, QRect source = {}) const;
    // The same, but pixels of colour `key` are left out (a transparent blit).
    void copyToKeyed(QPainter& target, QPoint to, QRect source, QColor key) const;
    // The same, blended by the surface's alpha: for controls drawn over their parent's picture.
    void copyToBlended(QPainter& target, QPoint to = {}, QRect source = {}) const;

    // How many copies were made since creation: lets tests check that a paint copies once.
    int copyCount() const { return m_copies; }

private:
    QRect clampSource(QRect source) const;

    QImage m_surface;
    QSize m_size;
    mutable int m_copies = 0;
};

} // namespace kivora::ui
