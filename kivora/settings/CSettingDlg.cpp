#include "kivora/settings/CSettingDlg.h"

#include "kivora/settings/SettingsMessages.h"
#include "kivora/settings/ViewerVersion.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/UiTextQt.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace kivora::settings {

namespace {

constexpr int kCheckStripId = 217;

// Text slot and design rectangle of each switch.
struct SwitchPlace {
    int slot;
    int x, y, w, h;
};
constexpr std::array<SwitchPlace, CSettingDlg::kSwitchCount> kSwitchPlaces { {
    { 115, 40, 60, 160, 60 }, // drive support
    { 124, 40, 120, 160, 20 }, // emergency recording stop
    { 125, 240, 60, 160, 60 }, // parking monitoring shock
    { 129, 240, 120, 160, 20 }, // speeding
} };

const QColor kText { 0xe8, 0xec, 0xf2 };
const QColor kGroupEdge { 0x5a, 0x62, 0x6e };

} // namespace

CSettingDlg::CSettingDlg(QWidget* parent, platform::MessageTarget mainWindow, const ui::SkinStyle& style)
    : ui::CSkinDialog(parent, style)
    , m_mainWindow(std::move(mainWindow))
{
    // Stays above the main window without blocking it.
    setModal(false);
    setWindowTitle(ui::uiQText(123));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, kText);
    setPalette(pal);
    for (int n = 0; n < kSwitchCount; ++n) {
        auto* button = new ui::CSkinCheckButton(this, kSwitchIds[std::size_t(n)], {}, style);
        button->setText(ui::uiQText(kSwitchPlaces[std::size_t(n)].slot));
        button->setPalette(pal);
        button->setCheckMark(true);
        connect(button, &QAbstractButton::clicked, this, [this, n] { onSwitchClicked(n); });
        m_switches[std::size_t(n)] = button;
    }
    m_version = new QLabel(QString::fromStdString(versionText()), this);
    m_version->setObjectName(QString::number(kVersionTextId));
    m_version->setTextFormat(Qt::PlainText);
    m_version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_version->setPalette(pal);
    layOut();
}

bool CSettingDlg::switchOn(int n) const
{
    return m_switches.at(std::size_t(n))->checkMark();
}

QRect CSettingDlg::designRect(int x, int y, int w, int h) const
{
    const auto& st = skinStyle();
    return { st.s(x), st.s(y), st.s(w), st.s(h) };
}

void CSettingDlg::layOut()
{
    const auto& st = skinStyle();
    setFixedSize(st.s(kDesignSize.width()), st.s(kDesignSize.height()));
    QFont f10 = st.f10;
    for (int n = 0; n < kSwitchCount; ++n) {
        const auto& place = kSwitchPlaces[std::size_t(n)];
        auto* button = m_switches[std::size_t(n)];
        button->setFont(f10);
        button->setImage(kCheckStripId, QRect(0, 0, st.s(12), st.s(12)));
        button->setGeometry(designRect(place.x, place.y, place.w, place.h));
    }
    m_version->setFont(f10);
    m_version->setGeometry(designRect(20, 210, 414, 60));
    placeCloseButton();
    update();
}

void CSettingDlg::setSkinStyle(const ui::SkinStyle& style)
{
    ui::CSkinDialog::setSkinStyle(style);
    for (auto* button : m_switches)
        button->setSkinStyle(style);
    layOut();
}

void CSettingDlg::onSwitchClicked(int n)
{
    auto* button = m_switches[std::size_t(n)];
    const bool on = !button->checkMark();
    button->setCheckMark(on);
    button->update();
    platform::postMessage(m_mainWindow, kMsgMarkSetting, platform::WParam(n), on ? 1 : 0);
}

void CSettingDlg::showCentred(const QRect& mainWindow)
{
    layOut();
    const QScreen* screen = QGuiApplication::screenAt(mainWindow.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect monitor = screen->geometry();
        move(monitor.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void CSettingDlg::onCloseButton()
{
    hide();
}

void CSettingDlg::paintBackground(QPainter& painter)
{
    ui::CSkinDialog::paintBackground(painter);
    const auto& st = skinStyle();
    painter.setFont(st.f10);
    painter.setPen(kText);
    painter.drawText(
        QRect(st.s(10), 0, width() - st.s(60), st.s(28)), Qt::AlignLeft | Qt::AlignVCenter, windowTitle());
    // The two group boxes: a thin frame with the title breaking its top edge.
    const QFontMetrics metrics(st.f10);
    for (const auto& [slot, rect] : { std::pair { 128, designRect(10, 30, 434, 160) },
             std::pair { 127, designRect(10, 190, 434, 110) } }) {
        const QString title = ui::uiQText(slot);
        const int top = rect.top() + metrics.height() / 2;
        painter.setPen(kGroupEdge);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(rect.left(), top, rect.width() - 1, rect.bottom() - top));
        const QRect label(
            rect.left() + st.s(8), rect.top(), metrics.horizontalAdvance(title) + st.s(8), metrics.height());
        painter.fillRect(label, kBackground);
        painter.setPen(kText);
        painter.drawText(label, Qt::AlignCenter, title);
    }
}

} // namespace kivora::settings
