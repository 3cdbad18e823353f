#include "kivora/ui/CSkinButton.h"

#include "kivora/ui/SkinImages.h"

#include <QKeyEvent>
#include <QPainter>

namespace kivora::ui {

CSkinButton::CSkinButton(QWidget* parent, int id, QRect rect, const SkinStyle& style)
    : QAbstractButton(parent)
    , m_id(id)
    , m_style(style)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setFont(m_style.f9);
    if (rect.isValid())
        setGeometry(rect);
}

void CSkinButton::setImage(int stripId, QRect frameRect)
{
    // No half-built frame may show while the strip is taken again.
    const bool noDraw = m_noDraw;
    m_noDraw = true;
    m_stripId = stripId;
    m_frameSize = frameRect.size();
    reloadStrip();
    m_noDraw = noDraw;
    update();
}

void CSkinButton::reloadStrip()
{
    m_stripRatio = devicePixelRatioF();
    m_strip = m_stripId > 0 ? loadScaledStrip(m_stripId, m_style.uiScale, m_stripRatio) : QImage();
}

void CSkinButton::setLatched(bool latched)
{
    if (m_latched == latched)
        return;
    m_latched = latched;
    update();
}

void CSkinButton::setNoDraw(bool noDraw)
{
    if (m_noDraw == noDraw)
        return;
    m_noDraw = noDraw;
    update();
}

void CSkinButton::setSkinStyle(const SkinStyle& style)
{
    m_style = style;
    setFont(m_style.f9);
    reloadStrip();
    update();
}

SkinItemState CSkinButton::itemState() const
{
    SkinItemState state;
    state.disabled = !isEnabled();
    state.pressed = isDown();
    state.checked = isCheckable() && isChecked();
    state.latched = m_latched;
    return state;
}

SkinFrameChoice CSkinButton::currentFrame() const
{
    const SkinItemState state = itemState();
    // Hover shows frame 1 over whatever the state is, except while latched or pressed.
    if (m_hovered && !m_latched && !state.disabled && !state.pressed)
        return { 1, kSkinTextWhite };
    return chooseSkinFrame(state);
}

QImage& CSkinButton::beginSurface()
{
    if (m_surface.size() != size() || m_surface.devicePixelRatio() != devicePixelRatioF())
        m_surface.createForWidget(*this);
    m_surface.surface().fill(Qt::transparent);
    return m_surface.surface();
}

void CSkinButton::endSurface(QPainter& target)
{
    // Frame and caption lie over the parent's picture: the strip's transparent parts let it through.
    m_surface.copyToBlended(target);
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    if (m_noDraw || size().isEmpty())
        return;
    if (m_stripRatio != devicePixelRatioF())
        reloadStrip();
    const SkinFrameChoice choice = currentFrame();
    {
        QPainter p(&beginSurface());
        drawStripFrame(p, m_strip, m_frameSize, choice.frame, QPoint(0, 0));
        const QString caption = text();
        if (!caption.isEmpty()) {
            p.setFont(m_style.f9);
            p.setPen(choice.text);
            p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, caption);
        }
    }
    QPainter target(this);
    endSurface(target);
}

void CSkinButton::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
}

void CSkinButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (!m_noDraw)
        setHovered(true);
}

void CSkinButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    if (!m_noDraw)
        setHovered(rect().contains(event->position().toPoint()));
}

// The keyboard never presses a skinned button.
void CSkinButton::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}
void CSkinButton::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void CSkinButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        m_hovered = false;
}

} // namespace kivora::ui
