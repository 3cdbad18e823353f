#include "kivora/ui/COffScreenDC.h"

#include "kivora/ui/SkinImages.h"

#include <QPainter>
#include <QWidget>

#include <cmath>

namespace kivora::ui {

bool COffScreenDC::create(QSize size, qreal devicePixelRatio)
{
    destroy();
    if (size.isEmpty())
        return false;
    const qreal ratio = devicePixelRatio > 1.0 ? devicePixelRatio : 1.0;
    const QSize pixels(static_cast<int>(std::ceil(size.width() * ratio)), static_cast<int>(std::ceil(size.height() * ratio)));
    QImage surface(pixels, QImage::Format_ARGB32_Premultiplied);
    if (surface.isNull())
        return false;
    surface.setDevicePixelRatio(ratio);
    surface.fill(QColor(0, 0, 0));
    m_surface = std::move(surface);
    m_size = size;
    return true;
}

bool COffScreenDC::createForWidget(const QWidget& widget) { return create(widget.size(), widget.devicePixelRatioF()); }

void COffScreenDC::destroy()
{
    m_surface = QImage();
    m_size = QSize();
    m_copies = 0;
}

QRect COffScreenDC::clampSource(QRect source) const
{
    const QRect whole(QPoint(0, 0), m_size);
    return source.isEmpty() ? whole : source.intersected(whole);
}

void COffScreenDC::copyTo(QPainter& target, QPoint to, QRect source) const
{
    if (!isValid())
        return;
    const QRect src = clampSource(source);
    if (src.isEmpty())
        return;
    const qreal r = m_surface.devicePixelRatio();
    const QRectF pixelSrc(src.x() * r, src.y() * r, src.width() * r, src.height() * r);
    target.save();
    target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawImage(QRectF(to, src.size()), m_surface, pixelSrc);
    target.restore();
    ++m_copies;
}

void COffScreenDC::copyToBlended(QPainter& target, QPoint to, QRect source) const
{
    if (!isValid())
        return;
    const QRect src = clampSource(source);
    if (src.isEmpty())
        return;
    const qreal r = m_surface.devicePixelRatio();
    const QRectF pixelSrc(src.x() * r, src.y() * r, src.width() * r, src.height() * r);
    target.drawImage(QRectF(to, src.size()), m_surface, pixelSrc);
    ++m_copies;
}

void COffScreenDC::copyToKeyed(QPainter& target, QPoint to, QRect source, QColor key) const
{
    if (!isValid())
        return;
    const QRect src = clampSource(source);
    if (src.isEmpty())
        return;
    const qreal r = m_surface.devicePixelRatio();
    const QRect pixelSrc(static_cast<int>(src.x() * r), static_cast<int>(src.y() * r), static_cast<int>(src.width() * r),
                         static_cast<int>(src.height() * r));
    QImage part = colorKeyed(m_surface.copy(pixelSrc), key);
    part.setDevicePixelRatio(r);
    target.drawImage(QRectF(to, src.size()), part);
    ++m_copies;
}

} // namespace kivora::ui
