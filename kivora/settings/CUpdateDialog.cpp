#include "kivora/settings/CUpdateDialog.h"

#include "kivora/settings/UpdateRules.h"
#include "kivora/ui/UiTextQt.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace kivora::settings {

CUpdateDialog::CUpdateDialog(
    const std::string& markup, const std::string& baseUrl, const ui::SkinStyle& style)
    : ui::CSkinDialog(nullptr, style)
    , m_baseUrl(baseUrl)
    , m_open([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(ui::uiQText(106));
    setFont(style.f9);

    const int w = style.s(kDesignSize.width());
    const int h = style.s(kDesignSize.height());
    setFixedSize(w, h);

    m_link = new QLabel(this);
    m_link->setObjectName(QString::number(kLinkId));
    m_link->setFont(style.f9);
    m_link->setTextFormat(Qt::RichText);
    m_link->setWordWrap(true);
    m_link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::TextSelectableByMouse);
    // Links go through activateLink, which opens only our own pages.
    m_link->setOpenExternalLinks(false);
    QPalette pal = m_link->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    m_link->setPalette(pal);
    m_link->setText(QString::fromStdString(markup));
    m_link->setGeometry(style.s(10), style.s(30), w - style.s(20), h - style.s(80));
    connect(m_link, &QLabel::linkActivated, this, &CUpdateDialog::activateLink);

    m_close = new QPushButton(QString::fromUtf8("閉じる"), this);
    m_close->setObjectName(QString::number(kCloseId));
    m_close->setFont(style.f9);
    m_close->setAutoDefault(false);
    m_close->setDefault(false);
    m_close->setGeometry(w - style.s(110), h - style.s(40), style.s(100), style.s(30));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    placeCloseButton();
}

void CUpdateDialog::showOn(const QPoint& point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
}

void CUpdateDialog::activateLink(const QString& link)
{
    if (isDownloadPage(link.toStdString(), m_baseUrl) && m_open)
        m_open(QUrl(link));
}

void CUpdateDialog::paintBackground(QPainter& painter)
{
    ui::CSkinDialog::paintBackground(painter);
    painter.fillRect(QRect(0, 0, width(), height() - skinStyle().s(50)), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(skinStyle().f9);
    painter.drawText(QRect(skinStyle().s(10), 0, width() - skinStyle().s(60), skinStyle().s(28)),
        Qt::AlignLeft | Qt::AlignVCenter, windowTitle());
}

void CUpdateDialog::onCloseButton()
{
    close();
}

} // namespace kivora::settings
