#include "kivora/views/CObdDlg.h"

#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/ViewMessages.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QPainter>
#include <QTransform>

namespace kivora::views {

namespace {

constexpr int kNeedleId = 312;
constexpr int kNeedleMaskId = 313;
constexpr int kValuePlateId = 212;
constexpr QPoint kDialCentre(105, 100); // design pixels inside a dial
constexpr QPoint kNeedlePivot(11, 95); // design pixels inside the needle picture
constexpr std::array<int, 3> kSlotX { 9, 222, 435 };
constexpr int kSlotW = 210;
constexpr int kSlotH = 151;
// The selectors' entries: the caption plates name the quantities; the texts stand in for them.
constexpr std::array<const char*, kVehicleQuantities> kQuantityNames { "0", "1", "2", "3", "4" };

} // namespace

CObdDlg::CObdDlg(platform::MessageTarget owner, QWidget* parent, const ui::SkinStyle& style)
    : ui::CSkinDialog(parent, style)
    , m_owner(std::move(owner))
{
    setWindowFlag(Qt::Tool);
    setWindowTitle(ui::uiQText(139));
    setWindowOpacity(kOpacity / 255.0);
    setCloseButtonId(kCloseId);
    setTitleStripVisible(true);
    const auto s = [&](double v) { return style.s(v); };
    resize(s(654), s(60) + s(kSlotH) + s(12));
    for (int n = 0; n < 3; ++n) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("selector%1").arg(kFirstSelectorId + n));
        combo->addItem(QString());
        for (const char* name : kQuantityNames)
            combo->addItem(QString::fromUtf8(name));
        combo->setGeometry(s(kSlotX[static_cast<std::size_t>(n)]), s(28), s(kSlotW), s(24));
        QObject::connect(combo, &QComboBox::currentIndexChanged, this, [this, n](int index) {
            if (index >= 1)
                selectQuantity(n, index - 1);
        });
        m_selectors[static_cast<std::size_t>(n)] = combo;
        QTimer& timer = m_timers[static_cast<std::size_t>(n)];
        timer.setInterval(kTickMs);
        QObject::connect(&timer, &QTimer::timeout, this, [this, n] { tickSlot(n); });
    }
}

void CObdDlg::setGaugeTop(int top)
{
    m_gaugeTop = top;
    update();
}

QRect CObdDlg::slotRect(int n) const
{
    const ui::SkinStyle& st = skinStyle();
    return QRect(st.s(kSlotX[static_cast<std::size_t>(n)]), st.s(m_gaugeTop), st.s(kSlotW), st.s(kSlotH));
}

void CObdDlg::setPlaying(bool playing)
{
    m_playing = playing;
}

void CObdDlg::selectQuantity(int n, int quantity)
{
    if (n < 0 || n > 2 || quantity < 0 || quantity >= kVehicleQuantities)
        return;
    m_slots[static_cast<std::size_t>(n)].select(quantity);
    m_selectors[static_cast<std::size_t>(n)]->setEnabled(!m_playing);
    m_timers[static_cast<std::size_t>(n)].start();
}

void CObdDlg::tickSlot(int n)
{
    GaugeSlot& slot = m_slots[static_cast<std::size_t>(n)];
    if (slot.quantity() < 0)
        return;
    for (QComboBox* combo : m_selectors)
        combo->setEnabled(!m_playing);
    if (slot.tick(m_values[static_cast<std::size_t>(slot.quantity())]))
        update(slotRect(n));
}

void CObdDlg::stopAll()
{
    for (QTimer& timer : m_timers)
        timer.stop();
}

void CObdDlg::onCloseButton()
{
    stopAll();
    hide();
    postMessage(m_owner, kMsgVehicleWindowClosed);
}

void CObdDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    onCloseButton();
}

void CObdDlg::paintBackground(QPainter& painter)
{
    ui::CSkinDialog::paintBackground(painter);
    renderGauges(painter);
}

const QImage& CObdDlg::skin(int id) const
{
    auto it = m_images.find(id);
    if (it == m_images.end())
        it = m_images.emplace(id, ui::loadSkinImage(id)).first;
    return it->second;
}

const QImage& CObdDlg::needleImage() const
{
    if (!m_needle.isNull())
        return m_needle;
    m_needle = ui::colorKeyed(skin(kNeedleId), Qt::black).convertToFormat(QImage::Format_ARGB32);
    const QImage& mask = skin(kNeedleMaskId);
    if (!mask.isNull() && mask.size() == m_needle.size()) {
        // The mask is white where the needle is; everything else stays see-through.
        for (int y = 0; y < m_needle.height(); ++y)
            for (int x = 0; x < m_needle.width(); ++x)
                if (qGray(mask.pixel(x, y)) < 128)
                    m_needle.setPixel(x, y, 0);
    }
    return m_needle;
}

void CObdDlg::renderGauges(QPainter& p) const
{
    const double scale = skinStyle().uiScale;
    const QImage& cutNeedle = needleImage();
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setFont(skinStyle().f10);
    for (int n = 0; n < 3; ++n) {
        const GaugeSlot& slot = m_slots[static_cast<std::size_t>(n)];
        if (slot.quantity() < 0)
            continue;
        const QRect r = slotRect(n);
        const QImage& dial = skin(gaugeDialId(slot.quantity()));
        if (!dial.isNull())
            p.drawImage(r, dial);
        // The needle turns about its pivot, placed on the dial's centre.
        QTransform t;
        t.translate(r.x() + kDialCentre.x() * scale, r.y() + kDialCentre.y() * scale);
        t.rotate(needleAngle(slot.quantity(), slot.shownValue()));
        t.scale(scale, scale);
        t.translate(-kNeedlePivot.x(), -kNeedlePivot.y());
        p.save();
        p.setTransform(t, true);
        p.drawImage(QPoint(0, 0), cutNeedle);
        p.restore();
        // The value on its plate under the pivot.
        const QRect plate(r.x() + static_cast<int>(65 * scale), r.y() + static_cast<int>(118 * scale),
            static_cast<int>(80 * scale), static_cast<int>(26 * scale));
        const QImage& plateImage = skin(kValuePlateId);
        if (!plateImage.isNull())
            p.drawImage(plate, plateImage);
        p.setPen(Qt::white);
        p.drawText(plate, Qt::AlignCenter, QString::number(slot.shownValue()));
    }
    p.restore();
}

} // namespace kivora::views
