#include "kivora/app/CLogoDlg.h"

#include "kivora/ui/CResourceImage.h"

#include <QPainter>

namespace kivora::app {

CLogoDlg::CLogoDlg(const ui::CResourceImage* images, QWidget* parent)
    : QWidget(parent)
    , m_images(images)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CLogoDlg::setLogoMode(int mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    update();
}

void CLogoDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage picture
        = m_images ? m_images->bitmap(m_mode == 0 ? kOfflinePicture : kLogoPicture) : QImage();
    if (picture.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(rect(), picture); // plain stretch, no smoothing
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace kivora::app
