#include "kivora/playback/VideoSurface.h"

#include <QMetaObject>
#include <QPainter>

namespace kivora::playback {

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent), m_guard(std::make_shared<Guard>())
{
    m_guard->surface = this;
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    update();
}

void VideoSurface::clearFrame()
{
    m_frame = PresentedFrame{};
    update();
}

void VideoSurface::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The areas outside the picture are this surface's to paint; the picture itself is scaled
    // from its native size into the destination rectangle.
    p.fillRect(rect(), Qt::black);
    if (m_frame.picture.isNull())
        return;
    const QRect dest = m_frame.destination.isValid() ? m_frame.destination : rect();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(dest, m_frame.picture);
    if (!m_frame.overlay.isNull()) {
        const QRectF place(m_frame.overlayPlace.left() * width(), m_frame.overlayPlace.top() * height(),
                           m_frame.overlayPlace.width() * width(), m_frame.overlayPlace.height() * height());
        p.drawImage(place, m_frame.overlay);
    }
}

} // namespace kivora::playback
