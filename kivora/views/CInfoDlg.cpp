#include "kivora/views/CInfoDlg.h"

#include "kivora/views/EventChannel.h"
#include "kivora/views/InfoPanelText.h"

#include "kivora/platform/PostMessage.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/SkinStyle.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/ViewMessages.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace kivora::views {

namespace {

constexpr int kBackgroundId = 201;
constexpr int kDatePlaceholderId = 207;
constexpr int kSpeedPlaceholderId = 203;
constexpr int kVoltagePlaceholderId = 204;
constexpr int kGpsBadgeId = 360;
constexpr int kModeBadgeId = 190;
constexpr int kCheckStripId = 217;
constexpr std::array<int, 3> kAccelPlaceholderIds { 209, 210, 208 }; // X, Y, Z
constexpr std::array<int, 3> kAxisNameSlots { 62, 63, 64 };

// Draws an image stretched into a rectangle; a missing image draws nothing.
void drawStretchedImage(QPainter& p, const QImage& image, const QRect& r)
{
    if (!image.isNull() && !r.isEmpty())
        p.drawImage(r, image);
}

} // namespace

CInfoDlg::CInfoDlg(QWidget* parent)
    : QWidget(parent)
    , m_uiScale(ui::SkinStyle::current().uiScale)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_fonts.create(m_uiScale, 1.0);
    const ui::SkinStyle& style = ui::SkinStyle::current();
    for (int n = 0; n < 3; ++n) {
        auto* button = new ui::CSkinCheckButton(this, kAxisButtonId + n, {}, style);
        button->setImage(kCheckStripId, QRect(0, 0, style.s(12), style.s(12)));
        button->setCheckMark(true);
        QObject::connect(button, &QAbstractButton::clicked, this, [this, n] { onAxisClicked(n); });
        m_buttons[static_cast<std::size_t>(n)] = button;
    }
    placeButtons();
}

CInfoDlg::~CInfoDlg() = default;

const QImage& CInfoDlg::skin(int id) const
{
    auto it = m_images.find(id);
    if (it == m_images.end())
        it = m_images.emplace(id, ui::loadSkinImage(id)).first;
    return it->second;
}

int CInfoDlg::sx(double design) const
{
    return static_cast<int>(static_cast<int>(design * m_uiScale) * m_panelScale);
}

void CInfoDlg::setStartTime(const recording::SystemTime& start)
{
    m_startTime = start;
    m_haveRecording = true;
}

void CInfoDlg::setRateCode(int code)
{
    m_rateText = views::rateText(code);
}

void CInfoDlg::setPanelScale(float k)
{
    m_panelScale = k > 0.0f ? k : 1.0f;
    placeButtons();
}

void CInfoDlg::setUiScale(double uiScale)
{
    m_uiScale = uiScale > 0 ? uiScale : 1.0;
    m_fonts.create(m_uiScale, 1.0);
    placeButtons();
}

void CInfoDlg::setVehicleExtras(
    std::uint16_t extra1, std::int16_t extra2, std::uint16_t extra3, std::uint8_t raw4First)
{
    m_extra1 = extra1;
    m_extra2 = extra2;
    m_extra3 = extra3;
    m_raw4First = raw4First;
}

void CInfoDlg::placeButtons()
{
    for (int n = 0; n < 3; ++n) {
        // The box sits int(4s) below the button's top; the button's top leaves room for it.
        m_buttons[static_cast<std::size_t>(n)]->setGeometry(sx(26) + sx(120 * n), s(45) - s(4), s(12), s(16));
    }
}

void CInfoDlg::setAxisButton(int axis, bool on)
{
    if (axis >= 0 && axis < 3)
        m_buttons[static_cast<std::size_t>(axis)]->setCheckMark(on);
}

bool CInfoDlg::axisButton(int axis) const
{
    return axis >= 0 && axis < 3 && m_buttons[static_cast<std::size_t>(axis)]->checkMark();
}

ui::CSkinCheckButton* CInfoDlg::axisButtonWidget(int axis) const
{
    return axis >= 0 && axis < 3 ? m_buttons[static_cast<std::size_t>(axis)] : nullptr;
}

void CInfoDlg::onAxisClicked(int axis)
{
    ui::CSkinCheckButton* button = m_buttons[static_cast<std::size_t>(axis)];
    const bool on = !button->checkMark();
    button->setCheckMark(on);
    if (QWidget* target = parentWidget())
        platform::postMessage(target, kMsgAxisToggled, static_cast<platform::WParam>(axis), on ? 1 : 0);
}

void CInfoDlg::Reset()
{
    m_speed = -1.0;
    m_accel = { kNoAcceleration, kNoAcceleration, kNoAcceleration };
    m_position = -1;
    m_statusLetter = 'M';
    m_gpsValid = false;
    m_voltageTenths = -1;
    m_qualityCode = 0;
    update();
}

QString CInfoDlg::dateText() const
{
    if (!m_haveRecording)
        return {};
    return frameDateTimeText(m_startTime, m_position, m_msPerFrame, m_timeLapse).value_or(QString());
}

QString CInfoDlg::speedOrVoltageText() const
{
    if (m_voltageMode)
        return voltageText(m_voltageTenths).value_or(QString());
    return speedText(m_speed, m_gpsValid).value_or(QString());
}

QString CInfoDlg::accelerationText(int axis) const
{
    if (axis < 0 || axis > 2)
        return {};
    return views::accelerationText(m_accel[static_cast<std::size_t>(axis)]).value_or(QString());
}

bool CInfoDlg::Paint(QImage& target) const
{
    if (width() <= 0 || height() <= 0 || target.isNull())
        return false;
    QPainter p(&target);
    p.fillRect(rect(), Qt::black);
    drawStretchedImage(p, skin(kBackgroundId), rect());
    p.setBackgroundMode(Qt::TransparentMode);
    const QFont f10 = m_fonts.f10();
    const QFont f13 = m_fonts.f13();

    // Axis names and values in the axis colours.
    p.setFont(f13);
    for (int n = 0; n < 3; ++n) {
        p.setPen(axisColor(n));
        const int x = sx(26) + s(22) + sx(120 * n);
        p.drawText(QRect(x, s(40), s(150), s(40)), Qt::AlignLeft | Qt::AlignTop,
            ui::uiQText(kAxisNameSlots[static_cast<std::size_t>(n)]));
        const QRect valueRect(x, s(62), s(58), s(20));
        const QString value = accelerationText(n);
        if (!value.isEmpty()) {
            p.drawText(valueRect, Qt::AlignLeft | Qt::AlignTop, value);
        } else {
            const int w = QFontMetrics(f13).horizontalAdvance(QStringLiteral("-0.00G"));
            drawStretchedImage(
                p, skin(kAccelPlaceholderIds[static_cast<std::size_t>(n)]), QRect(x, s(62) + s(2), w, s(14)));
        }
    }

    p.setPen(Qt::white);
    const QRect dateRect(static_cast<int>(s(454) * std::pow(m_panelScale, 1.1f)), s(7), s(200), s(19));
    const QString date = dateText();
    if (!date.isEmpty()) {
        p.drawText(dateRect, Qt::AlignLeft | Qt::AlignTop, date);
    } else {
        const int w = QFontMetrics(f13).horizontalAdvance(QStringLiteral("0000/00/00 00:00:00"));
        drawStretchedImage(p, skin(kDatePlaceholderId), QRect(dateRect.x(), dateRect.y() + s(2), w, s(14)));
    }

    p.drawText(QRect(sx(274), s(7), s(160), s(27)), Qt::AlignLeft | Qt::AlignTop, m_rateText);

    // Speed or voltage: the number right-aligned 35 short of the box's right edge, the unit at it.
    const QString number = speedOrVoltageText();
    if (m_voltageMode) {
        const QRect box(sx(537 - 18), s(60), s(100), s(21));
        if (!number.isEmpty())
            p.drawText(box.adjusted(0, 0, -s(35), 0), Qt::AlignRight | Qt::AlignTop, number);
        else
            ui::drawSkinImage(p, skin(kVoltagePlaceholderId), box.x() + s(59), box.y(), 1.0, m_uiScale);
        p.drawText(box.translated(s(18), 0), Qt::AlignRight | Qt::AlignTop, QStringLiteral("V"));
    } else {
        const QRect box(sx(537), s(60), s(100), s(21));
        if (!number.isEmpty()) {
            p.drawText(box.adjusted(0, 0, -s(35), 0), Qt::AlignRight | Qt::AlignTop, number);
            p.setFont(f10);
            p.drawText(box.translated(0, s(4)), Qt::AlignRight | Qt::AlignTop, QStringLiteral("km/h"));
            p.setFont(f13);
        } else {
            const QImage& ph = skin(kSpeedPlaceholderId);
            ui::drawSkinImage(p, ph, box.right() - s(ph.width()), box.y(), 1.0, m_uiScale);
        }
    }

    // Badges: picture size, recorder status, GPS fix.
    if (const int quality = qualityBadgeId(m_qualityCode))
        ui::drawSkinImage(p, skin(quality), sx(380), s(45), 1.0, m_uiScale);
    const auto centred = [&](int id, int boxX) {
        const QImage& image = skin(id);
        ui::drawSkinImage(p, image, boxX + (s(60) - s(image.width())) / 2, s(60), 1.0, m_uiScale);
    };
    centred(statusBadgeId(m_statusLetter), sx(380) + sx(65));
    if (m_gpsValid)
        centred(kGpsBadgeId, sx(380) + sx(110));
    return true;
}

void CInfoDlg::PaintModeBadge(QPainter& parent, QSize parentClient) const
{
    if (parentClient.width() <= 0)
        return;
    const QImage badge = ui::colorKeyed(skin(kModeBadgeId), Qt::black);
    ui::drawSkinImage(
        parent, badge, parentClient.width() - 155, parentClient.height() - 5 - (38 + 12) / 2, 1.0, m_uiScale);
}

void CInfoDlg::paintEvent(QPaintEvent*)
{
    if (!m_surface.isValid() || m_surface.size() != size())
        m_surface.createForWidget(*this);
    if (!m_surface.isValid() || !Paint(m_surface.surface()))
        return;
    QPainter p(this);
    m_surface.copyTo(p);
}

} // namespace kivora::views
