#include "kivora/ui/CLapTimeArea.h"

#include <QPainter>

namespace kivora::ui {

void CLapTimeArea::bind(COffScreenDC* surface, const QFont& font, QColor background, QColor text)
{
    m_surface = surface;
    m_font = font;
    m_background = background;
    m_text = text;
}

void CLapTimeArea::unbind() { m_surface = nullptr; }

void CLapTimeArea::apply(QPainter& painter) const
{
    painter.setFont(m_font);
    painter.setPen(m_text);
    painter.setBackground(m_background);
    painter.setBackgroundMode(Qt::TransparentMode);
}

void drawCaptionText(QPainter& painter, const QString& title, const QFont& f10, double uiScale)
{
    const auto s = [uiScale](int v) { return static_cast<int>(v * uiScale); };
    const QRect box(QPoint(s(4) + s(6), s(4)), QPoint(s(400) - 1, s(30) - 1));
    if (box.isEmpty())
        return;
    painter.save();
    painter.setFont(f10);
    painter.setPen(QColor(255, 255, 255));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setClipRect(box);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);
    painter.restore();
}

} // namespace kivora::ui
