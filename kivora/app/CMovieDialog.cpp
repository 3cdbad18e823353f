#include "kivora/app/CMovieDialog.h"

#include "kivora/app/AppMessages.h"
#include "kivora/platform/PostMessage.h"
#include "kivora/ui/UiTextQt.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace kivora::app {

CMovieDialog::CMovieDialog(QWidget* parent, const ui::SkinStyle& style)
    : ui::CSkinDialog(parent, style)
    , m_framePen(kFrameColour, 1)
{
    setCloseButtonId(kCloseId);
    setTitleStripVisible(true);
    m_framePen.setJoinStyle(Qt::MiterJoin);
}

CMovieDialog::~CMovieDialog()
{
    disconnect(m_dpiConnection);
}

void CMovieDialog::setTitleSlot(int slot)
{
    setWindowTitle(QString::asprintf("%s", ui::uiQText(slot).toUtf8().constData()));
    update(QRect(0, 0, width(), skinStyle().s(20)));
}

void CMovieDialog::place(const QRect& geometry)
{
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setGeometry(geometry);
    setFixedSize(geometry.size());
}

void CMovieDialog::onDpiChanged()
{
    setFont(skinStyle().f10);
    post(kMsgVideoWindowDpiChanged);
}

void CMovieDialog::onCloseButton()
{
    post(kMsgVideoWindowClosed);
    ui::CSkinDialog::onCloseButton();
}

void CMovieDialog::paintEvent(QPaintEvent* event)
{
    ui::CSkinDialog::paintEvent(event);
    {
        // Last, so the title strip never covers the frame's top edge.
        QPainter p(this);
        p.setPen(m_framePen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    post(kMsgVideoWindowPainted);
}

void CMovieDialog::resizeEvent(QResizeEvent* event)
{
    ui::CSkinDialog::resizeEvent(event);
    // The window keeps the size it was given: dragging a border or maximising changes nothing.
    setFixedSize(size());
    update();
}

void CMovieDialog::moveEvent(QMoveEvent* event)
{
    ui::CSkinDialog::moveEvent(event);
    if (isVisible())
        m_remembered = frameGeometry();
}

void CMovieDialog::showEvent(QShowEvent* event)
{
    ui::CSkinDialog::showEvent(event);
    // The native window exists from the first show on; follow it to other screens from then.
    if (!m_screenWatched && windowHandle()) {
        m_screenWatched = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
            watchScreen(screen);
            onDpiChanged();
        });
        watchScreen(windowHandle()->screen());
    }
}

void CMovieDialog::watchScreen(QScreen* screen)
{
    disconnect(m_dpiConnection);
    if (screen)
        m_dpiConnection
            = connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { onDpiChanged(); });
}

void CMovieDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < skinStyle().s(20)) {
        post(kMsgVideoWindowRedock);
        event->accept();
        return;
    }
    ui::CSkinDialog::mouseDoubleClickEvent(event);
}

void CMovieDialog::post(unsigned message) const
{
    if (QWidget* parent = parentWidget())
        platform::postMessage(parent, message);
}

} // namespace kivora::app
