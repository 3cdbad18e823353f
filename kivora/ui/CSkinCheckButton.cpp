#include "kivora/ui/CSkinCheckButton.h"

#include "kivora/ui/SkinImages.h"

#include <QMouseEvent>
#include <QPainter>

namespace kivora::ui {

CSkinCheckButton::CSkinCheckButton(QWidget* parent, int id, QRect rect, const SkinStyle& style)
    : CSkinButton(parent, id, rect, style)
{
    // Callers give the dialog's font (F10) after creation; captions use the widget font.
    setFont(style.f10);
}

void CSkinCheckButton::setCheckMark(bool checked)
{
    if (m_checkMark == checked)
        return;
    m_checkMark = checked;
    update();
}

void CSkinCheckButton::setSkinStyle(const SkinStyle& style)
{
    const QFont keep = font();
    CSkinButton::setSkinStyle(style);
    setFont(keep);
}

QRect CSkinCheckButton::boxRect() const
{
    const SkinStyle& st = skinStyle();
    return QRect(0, st.s(4), st.s(12), st.s(12));
}

SkinFrameChoice CSkinCheckButton::currentFrame() const
{
    SkinItemState state = itemState();
    state.latched = m_checkMark;
    if (isHovered() && !state.disabled && !state.pressed)
        return { 1, kSkinTextWhite };
    return chooseSkinFrame(state);
}

void CSkinCheckButton::paintEvent(QPaintEvent*)
{
    if (isNoDraw() || size().isEmpty())
        return;
    const SkinFrameChoice choice = currentFrame();
    const QRect box = boxRect();
    {
        QPainter p(&beginSurface());
        if (!strip().isNull()) {
            // The strip's frames may be cut at another size; the box is always int(12s) square.
            const QSize frame = frameSize().isEmpty() ? box.size() : frameSize();
            const qreal r = strip().devicePixelRatio();
            const QRect src = stripFrameRect(strip().deviceIndependentSize().toSize(), frame, choice.frame);
            if (!src.isEmpty())
                p.drawImage(
                    box, strip(), QRectF(src.x() * r, src.y() * r, src.width() * r, src.height() * r));
        }
        const QString caption = text();
        if (!caption.isEmpty()) {
            p.setFont(font());
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(rect().adjusted(skinStyle().s(16), 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, caption);
        }
    }
    QPainter target(this);
    endSurface(target);
}

void CSkinCheckButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (!isNoDraw())
        setHovered(boxRect().contains(event->position().toPoint()));
}

void CSkinCheckButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    if (!isNoDraw())
        setHovered(boxRect().contains(event->position().toPoint()));
}

} // namespace kivora::ui
