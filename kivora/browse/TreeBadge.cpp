#include "kivora/browse/TreeBadge.h"

#include "kivora/recording/RecordingName.h"
#include "kivora/ui/SkinImages.h"

#include <QPainter>

#include <array>
#include <utility>

namespace kivora::browse {

namespace {

using recording::TriggerFlag;

constexpr std::array<std::pair<std::uint32_t, int>, 6> kLayers { {
    { TriggerFlag::Manual, 316 },
    { TriggerFlag::Shock, 315 },
    { TriggerFlag::ParkingShock, 317 },
    { TriggerFlag::Parking, 318 },
    { TriggerFlag::SpeedCamera, 346 },
    { TriggerFlag::Radar, 347 },
} };

void drawLayer(QPainter& p, int id, double s)
{
    const QImage image = ui::loadSkinImage(id);
    if (image.isNull())
        return;
    const QRect target(0, static_cast<int>(5 * s), static_cast<int>(image.width() * s),
        static_cast<int>(image.height() * s));
    p.drawImage(target, image);
}

} // namespace

QImage treeBadge(std::uint32_t flags, double uiScale)
{
    if (flags == 0)
        return {};
    QImage badge(
        static_cast<int>(39 * uiScale), static_cast<int>(26 * uiScale), QImage::Format_ARGB32_Premultiplied);
    badge.fill(Qt::white);
    QPainter p(&badge);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    drawLayer(p, 319, uiScale);
    for (const auto& [flag, id] : kLayers)
        if (flags & flag)
            drawLayer(p, id, uiScale);
    p.end();
    // White is the colour key: the row's own background shows through it.
    for (int y = 0; y < badge.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(badge.scanLine(y));
        for (int x = 0; x < badge.width(); ++x)
            if ((line[x] & 0xffffffu) == 0xffffffu)
                line[x] = 0;
    }
    return badge;
}

} // namespace kivora::browse
