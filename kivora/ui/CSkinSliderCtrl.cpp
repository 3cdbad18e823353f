#include "kivora/ui/CSkinSliderCtrl.h"

#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kivora::ui {

CSkinSliderCtrl::CSkinSliderCtrl(QWidget* parent, int id, const SkinStyle& style)
    : QWidget(parent)
    , m_id(id)
    , m_style(style)
{
    setObjectName(QStringLiteral("movie slider"));
    setWindowTitle(QStringLiteral("movie slider"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setGeometry(0, 0, parent ? parent->width() : 0, m_style.s(10));
    show();
}

void CSkinSliderCtrl::setImages(int played, int remaining, int thumb, int thumbPressed)
{
    m_ids = { played, remaining, thumb, thumbPressed };
    for (std::size_t i = 0; i < m_ids.size(); ++i) {
        const QImage design = loadSkinImage(m_ids[i]);
        m_design[i] = design.isNull() ? QSize() : design.size();
    }
    makeSurface();
    update();
}

void CSkinSliderCtrl::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    update();
}

void CSkinSliderCtrl::setPos(int position)
{
    m_pos = position;
    update();
}

void CSkinSliderCtrl::setMessageTarget(platform::MessageTarget target)
{
    m_target = std::move(target);
    m_hasTarget = true;
}

void CSkinSliderCtrl::setSkinStyle(const SkinStyle& style)
{
    m_style = style;
    makeSurface();
    update();
}

void CSkinSliderCtrl::makeSurface()
{
    const int height = static_cast<int>(m_design[Thumb].height() * m_style.uiScale);
    const QSize size(static_cast<int>(7680 * m_style.uiScale), std::max(height, m_style.s(10)));
    m_surface.create(size, devicePixelRatioF());
}

QImage CSkinSliderCtrl::picture(Picture which) const
{
    return loadScaledStrip(m_ids[which], m_style.uiScale, devicePixelRatioF());
}

bool CSkinSliderCtrl::inPressArea(int x) const
{
    const int widen = m_style.s(10);
    return x > -widen && x < width() + widen;
}

int CSkinSliderCtrl::valueAt(int x) const
{
    const long long count = static_cast<long long>(m_max) - m_min + 1;
    if (count <= 0 || width() <= 0)
        return m_min;
    const double perValue = static_cast<double>(width()) / static_cast<double>(count);
    const double value = x / perValue;
    return static_cast<int>(std::clamp(value, static_cast<double>(m_min), static_cast<double>(m_max)));
}

QRect CSkinSliderCtrl::thumbRect() const
{
    const long long count = static_cast<long long>(m_max) - m_min + 1;
    const int tw = static_cast<int>(m_design[Thumb].width() * m_style.uiScale);
    const int th = static_cast<int>(m_design[Thumb].height() * m_style.uiScale);
    const int x = count > 0
        ? static_cast<int>(static_cast<double>(m_pos) * (width() - tw) / static_cast<double>(count))
        : 0;
    return QRect(x, 0, tw, th);
}

void CSkinSliderCtrl::paintEvent(QPaintEvent*)
{
    if (size().isEmpty())
        return;
    if (!m_surface.isValid() || m_surface.devicePixelRatio() != devicePixelRatioF())
        makeSurface();
    const double s = m_style.uiScale;
    const int w = width();
    const long long count = static_cast<long long>(m_max) - m_min + 1;
    const double f
        = count > 0 ? std::clamp(static_cast<double>(m_pos) / static_cast<double>(count), 0.0, 1.0) : 0.0;
    {
        QPainter p(&m_surface.surface());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.fillRect(QRect(QPoint(0, 0), m_surface.size()), Qt::black);

        // Bars: design-pixel source widths taken from the picture at the layout scale.
        const QSize bar = designSize(Played);
        const int barHeight = static_cast<int>(bar.height() * s);
        const int playedWidth = static_cast<int>(w * f);
        const int playedSource = static_cast<int>(bar.width() * f);
        const auto drawBar = [&](Picture which, QRect target, double sourceX, double sourceWidth) {
            const QImage image = picture(which);
            const QSize design = designSize(which);
            if (image.isNull() || design.isEmpty() || target.width() <= 0 || sourceWidth <= 0)
                return;
            const double kx = image.width() / static_cast<double>(design.width());
            const QRectF source(sourceX * kx, 0, sourceWidth * kx, image.height());
            p.drawImage(QRectF(target), image, source);
        };
        drawBar(Played, QRect(0, 0, playedWidth, barHeight), 0, playedSource);
        drawBar(Remaining, QRect(playedWidth + 1, 0, static_cast<int>(w * (1.0 - f)) + 1, barHeight),
            playedSource, static_cast<int>(bar.width() * (1.0 - f)));

        const QSize thumb = designSize(m_captured ? ThumbPressed : Thumb);
        const QImage thumbImage = picture(m_captured ? ThumbPressed : Thumb);
        if (!thumbImage.isNull()) {
            const QRect at(thumbRect().x(), 0, static_cast<int>((thumb.width() + 2) * s),
                static_cast<int>(thumb.height() * s));
            p.drawImage(at, thumbImage);
        }
    }
    QPainter target(this);
    m_surface.copyTo(target, QPoint(0, 0), rect());
}

void CSkinSliderCtrl::post(unsigned message, int value)
{
    const auto wParam = static_cast<platform::WParam>(m_id);
    const auto lParam = static_cast<platform::LParam>(value);
    if (m_hasTarget)
        platform::postMessage(m_target, message, wParam, lParam);
    else if (parentWidget())
        platform::postMessage(parentWidget(), message, wParam, lParam);
}

void CSkinSliderCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_interactive)
        return;
    const QPoint at = event->position().toPoint();
    if (!inPressArea(at.x()))
        return;
    m_mouseValue = valueAt(at.x());
    const QRect thumb = thumbRect();
    const int widen = m_style.s(10);
    m_pressedOutsideThumb = !(at.x() > thumb.left() - widen && at.x() < thumb.left() + thumb.width() + widen);
    m_captured = true;
    m_pressPoint = at;
    update();
    post(kMsgSliderPressed, m_mouseValue);
}

void CSkinSliderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_captured || !m_interactive)
        return;
    const int x = event->position().toPoint().x();
    // Nothing to drag over a range of a single value.
    if (!inPressArea(x) || m_max <= m_min)
        return;
    m_mouseValue = valueAt(x);
    post(kMsgSliderDrag, m_mouseValue);
}

void CSkinSliderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_captured)
        return;
    m_captured = false;
    update();
    if (m_interactive)
        post(kMsgSliderReleased, m_mouseValue);
}

} // namespace kivora::ui
