#include "kivora/playback/VideoSurface.h"

#include <QMetaObject>
#include <QPainter>
#include <QRegion>
#include <QScreen>

namespace kivora::playback {

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent), m_guard(std::make_shared<Guard>())
{
    m_guard->surface = this;
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_paintDue.setSingleShot(true);
    m_paintDue.setTimerType(Qt::PreciseTimer);
    connect(&m_paintDue, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

VideoSurface::~VideoSurface()
{
    std::lock_guard lock(m_guard->mutex);
    m_guard->surface = nullptr;
}

PresentEngine::Output VideoSurface::output()
{
    return [guard = m_guard](const PresentedFrame& frame) {
        std::lock_guard lock(guard->mutex);
        if (VideoSurface* s = guard->surface)
            QMetaObject::invokeMethod(s, [s, frame] { s->showFrame(frame); }, Qt::QueuedConnection);
    };
}

void VideoSurface::showFrame(const PresentedFrame& frame)
{
    m_frame = frame;
    ++m_framesShown;
    m_framePending = true;
    // At most one paint per refresh of the screen: pictures that come faster (fast rates,
    // scrubbing) would be converted and never seen. The newest picture is the one painted.
    if (m_paintDue.isActive())
        return;
    const double hz = screen() && screen()->refreshRate() >= 1.0 ? screen()->refreshRate() : 60.0;
    const auto period = std::chrono::milliseconds(int(1000.0 / hz));
    const auto since = std::chrono::milliseconds(m_lastPaint.isValid() ? m_lastPaint.elapsed() : period.count());
    if (since >= period)
        update();
    else
        m_paintDue.start(period - since);
}

void VideoSurface::clearFrame()
{
    m_frame = PresentedFrame{};
    m_scaledFrom = {};
    m_scaled = QImage();
    update();
}

void VideoSurface::paintEvent(QPaintEvent*)
{
    m_lastPaint.start();
    QPainter p(this);
    const QRect dest = m_frame.destination.isValid() ? m_frame.destination : rect();
    // The areas outside the picture are this surface's to paint.
    const QRegion outside = m_frame.picture.isNull() ? QRegion(rect()) : QRegion(rect()).subtracted(dest);
    for (const QRect& r : outside)
        p.fillRect(r, Qt::black);
    if (m_frame.picture.isNull())
        return;
    if (rect().contains(dest)) {
        // Converted straight to the size it is shown at, once per picture: cheaper than converting
        // at the native size and scaling that, and repaints of the same picture cost nothing.
        if (!(m_scaledFrom == m_frame.picture) || m_scaled.size() != dest.size()) {
            if (!m_frame.picture.scaleInto(dest.size(), m_scaled))
                m_scaled = QImage();
            m_scaledFrom = m_frame.picture;
        }
        if (m_scaled.isNull())
            p.fillRect(dest, Qt::black);
        else
            p.drawImage(dest.topLeft(), m_scaled);
    } else {
        // Zoomed in: the painter scales only the part of the picture that is visible.
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(dest, m_frame.picture.image());
    }
    if (!m_frame.overlay.isNull()) {
        const QRectF place(m_frame.overlayPlace.left() * width(), m_frame.overlayPlace.top() * height(),
                           m_frame.overlayPlace.width() * width(), m_frame.overlayPlace.height() * height());
        p.drawImage(place, m_frame.overlay);
    }
}

} // namespace kivora::playback
