#include "kivora/ui/CSkinDialog.h"

#include "kivora/ui/CSkinButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace kivora::ui {

// Eats Enter and Escape aimed at the dialog or any control in it before they are dispatched, so
// neither key ends the dialog through a default button, a line edit or the dialog itself.
// Installed on the application only while the dialog is shown.
class CSkinDialog::KeyGuard final : public QObject {
public:
    explicit KeyGuard(QWidget* dialog)
        : m_dialog(dialog)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (widget != m_dialog && !m_dialog->isAncestorOf(widget)))
            return false;
        event->accept();
        return true;
    }

private:
    QWidget* m_dialog;
};

CSkinDialog::CSkinDialog(QWidget* parent, const SkinStyle& style)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_style(style)
    , m_keyGuard(std::make_unique<KeyGuard>(this))
{
    setFont(m_style.f10);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::WindowText, QColor(0xe8, 0xec, 0xf2));
    setPalette(pal);
    // The surface paints every pixel; Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_close = new CSkinButton(this, 2, QRect(), m_style);
    connect(m_close, &QAbstractButton::clicked, this, [this] { onCloseButton(); });
    placeCloseButton();
}

CSkinDialog::~CSkinDialog()
{
    if (qApp)
        qApp->removeEventFilter(m_keyGuard.get());
}

CSkinDialog::HitArea CSkinDialog::hitTest(QPoint p, int clientWidth, double uiScale)
{
    const auto s = [uiScale](double v) { return static_cast<int>(v * uiScale); };
    const int border = s(6);
    const bool topLeft = p.x() < border && p.y() < border;
    const bool topRight = p.x() >= clientWidth - border && p.y() < border;
    if (topLeft || topRight || p.y() < border)
        return HitArea::Client;
    if (p.y() < s(24))
        return HitArea::Caption;
    return HitArea::Client;
}

void CSkinDialog::setCloseButtonId(int id)
{
    // A button's id is fixed at creation; the new one keeps the same look and place.
    if (id == m_close->controlId())
        return;
    delete m_close;
    m_close = new CSkinButton(this, id, QRect(), m_style);
    connect(m_close, &QAbstractButton::clicked, this, [this] { onCloseButton(); });
    placeCloseButton();
    m_close->show();
}

void CSkinDialog::setTitleStripVisible(bool visible)
{
    if (m_titleStrip == visible)
        return;
    m_titleStrip = visible;
    update();
}

void CSkinDialog::setSkinStyle(const SkinStyle& style)
{
    m_style = style;
    setFont(m_style.f10);
    m_close->setSkinStyle(style);
    placeCloseButton();
    update();
}

void CSkinDialog::placeCloseButton()
{
    const QRect frame(0, 0, m_style.s(13), m_style.s(12));
    m_close->setGeometry(QRect(QPoint(width() - m_style.s(20), m_style.s(4)), frame.size()));
    if (m_close->imageId() != kCloseStripId || m_close->frameSize() != frame.size())
        m_close->setImage(kCloseStripId, frame);
    m_close->raise();
}

void CSkinDialog::onCloseButton()
{
    reject();
}

void CSkinDialog::paintBackground(QPainter& painter)
{
    painter.fillRect(rect(), kBackground);
}

void CSkinDialog::paintTitleStrip(QPainter& painter)
{
    const int strip = m_style.s(20);
    painter.fillRect(QRect(0, 0, width(), strip), kTitleStrip);
    int textLeft = m_style.s(5);
    const QIcon icon = windowIcon();
    if (!icon.isNull() && strip > 0) {
        // Alpha stands in for the grey key colour of the original icon copy.
        painter.drawPixmap(
            QRect(0, 0, strip, strip), icon.pixmap(QSize(m_style.s(32), m_style.s(32)), devicePixelRatioF()));
        textLeft = m_style.s(21);
    }
    painter.setFont(m_style.f10);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(textLeft, m_style.s(1), width() - textLeft, strip),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, windowTitle());
}

void CSkinDialog::paintEvent(QPaintEvent*)
{
    if (size().isEmpty())
        return;
    if (m_surface.size() != size() || m_surface.devicePixelRatio() != devicePixelRatioF())
        m_surface.createForWidget(*this);
    {
        QPainter p(&m_surface.surface());
        paintBackground(p);
        if (m_titleStrip)
            paintTitleStrip(p);
    }
    QPainter target(this);
    m_surface.copyTo(target);
}

void CSkinDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeCloseButton();
}

void CSkinDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    qApp->installEventFilter(m_keyGuard.get());
}

void CSkinDialog::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    qApp->removeEventFilter(m_keyGuard.get());
    m_dragging = false;
}

void CSkinDialog::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // The top int(20s) is grabbed by the dialog itself; the caption band below reaches to int(24s).
    const bool inStrip = at.y() < m_style.s(20) || hitTest(at, width(), m_style.uiScale) == HitArea::Caption;
    if (event->button() == Qt::LeftButton && inStrip) {
        m_dragging = true;
        m_pressGlobal = event->globalPosition().toPoint();
        m_startPos = pos();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        move(m_startPos + (event->globalPosition().toPoint() - m_pressGlobal));
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CSkinDialog::keyPressEvent(QKeyEvent* event)
{
    // QDialog would accept on Enter and reject on Escape.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kivora::ui
