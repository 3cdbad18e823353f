#include "kivora/ui/CSkinProgressBarCtrl.h"

#include <QPainter>

#include <algorithm>

namespace kivora::ui {

CSkinProgressBarCtrl::CSkinProgressBarCtrl(QWidget* parent, const SkinStyle& style)
    : QWidget(parent)
    , m_style(style)
{
    setObjectName(QStringLiteral("progress bar"));
    setWindowTitle(QStringLiteral("progress bar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(m_style.f10);
}

void CSkinProgressBarCtrl::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    update();
}

void CSkinProgressBarCtrl::setPos(int position)
{
    m_pos = position;
    update();
}

void CSkinProgressBarCtrl::setSkinStyle(const SkinStyle& style)
{
    m_style = style;
    setFont(m_style.f10);
    update();
}

QString CSkinProgressBarCtrl::progressText(int position)
{
    return QStringLiteral("%1 %").arg(position);
}

int CSkinProgressBarCtrl::bluePartWidth(int clientWidth) const
{
    const long long range = static_cast<long long>(m_max) - m_min;
    const double f = range < 1 ? 0.0 : static_cast<double>(m_pos) / static_cast<double>(range);
    return static_cast<int>(clientWidth * f);
}

void CSkinProgressBarCtrl::paintEvent(QPaintEvent*)
{
    if (size().isEmpty())
        return;
    if (m_surface.size() != size() || m_surface.devicePixelRatio() != devicePixelRatioF())
        m_surface.createForWidget(*this);
    const int w = width();
    const int h = m_style.s(22);
    // A position outside the range still paints inside the bar.
    const int p = std::clamp(bluePartWidth(w), 0, w);
    {
        QPainter painter(&m_surface.surface());
        painter.fillRect(QRect(0, 0, p, h), kBlue);
        painter.fillRect(QRect(p, 0, w - p, h), kWhite);
        const QRect box(w / 2 - m_style.s(50), 0, 2 * m_style.s(50), h);
        const QString text = progressText(m_pos);
        painter.setFont(m_style.f10);
        // The same text twice, each clipped to one part, so it reads on both colours.
        painter.setClipRect(QRect(0, 0, p, h));
        painter.setPen(kWhite);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter.setClipRect(QRect(p, 0, w - p, h));
        painter.setPen(kBlue);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
    QPainter target(this);
    m_surface.copyTo(target);
}

} // namespace kivora::ui
