#include "kivora/ui/CResourceImage.h"

#include "kivora/ui/SkinImages.h"

#include <QPainter>

namespace kivora::ui {

namespace {

const QImage& nullImage()
{
    static const QImage empty;
    return empty;
}

} // namespace

const std::vector<int>& CResourceImage::bitmapIds()
{
    static const std::vector<int> ids{
        129, 365, 366, 320, 307, 309, 321, 325, 312, 313, 198, 199, 196, 197, 192, 195, 358, 359, 360,
        201, 207, 206, 218, 202, 209, 210, 208, 203, 204, 205, 213, 211, 350, 219, 351, 212, 190, 214, 215, 364,
    };
    return ids;
}

const std::vector<int>& CResourceImage::pngIds()
{
    static const std::vector<int> ids{348, 331, 332, 333, 334, 335, 336, 337, 338, 339, 340, 341, 342, 343, 344, 345, 349};
    return ids;
}

QColor CResourceImage::background(int id)
{
    const SkinEntry* e = skinEntry(id);
    return e && e->background == SkinKey::White ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

bool CResourceImage::load(QSize mainWindowSize, qreal devicePixelRatio)
{
    clear();
    bool complete = true;
    for (int id : bitmapIds()) {
        Entry e;
        e.image = loadSkinImage(id);
        if (e.image.isNull())
            complete = false;
        else
            e.bitmap = flattened(e.image, background(id));
        m_entries.emplace(id, std::move(e));
    }
    for (int id : pngIds()) {
        Entry e;
        e.image = loadPngResource(id);
        complete = complete && !e.image.isNull();
        m_entries.emplace(id, std::move(e));
    }
    {
        Entry icon;
        icon.image = loadSkinImage(kIconId);
        complete = complete && !icon.image.isNull();
        m_entries.emplace(kIconId, std::move(icon));
    }
    m_frameHiRes = QImage(skinResourcePath(kFrameId, true)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_frameHiRes.setDevicePixelRatio(1.0); // the "@2x" name would otherwise halve its drawn size
    if (!mainWindowSize.isEmpty())
        m_surface.create(mainWindowSize, devicePixelRatio);
    m_loaded = true;
    return complete;
}

void CResourceImage::clear()
{
    m_entries.clear();
    m_frameHiRes = QImage();
    m_surface.destroy();
    m_loaded = false;
}

const QImage& CResourceImage::image(int id) const
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullImage() : it->second.image;
}

const QImage& CResourceImage::bitmap(int id) const
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullImage() : it->second.bitmap;
}

void CResourceImage::drawSkinFrame(QPainter& painter, int w, int h, double uiScale) const
{
    const QImage& design = image(kFrameId);
    if (design.isNull() || w <= 0 || h <= 0 || uiScale <= 0.0)
        return;
    const bool hiRes = uiScale > 1.0 && m_frameHiRes.size() == design.size() * 2;
    const QImage& src = hiRes ? m_frameHiRes : design;
    const double cellW = src.width() / 3.0;
    const double cellH = src.height() / 3.0;
    const double o = static_cast<int>(1200 * uiScale) / 3.0;
    const double v = static_cast<int>(750 * uiScale) / 3.0;
    const int nc = static_cast<int>(w / o);
    const int nr = static_cast<int>(h / v);
    const int cw = static_cast<int>(o) + 1;
    const int ch = static_cast<int>(v) + 1;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (int i = 0; i <= nr; ++i) {
        for (int j = 0; j <= nc; ++j) {
            if (i != 0 && i != nr && j != 0 && j != nc)
                continue;
            const int srcCol = j == 0 ? 0 : (j == nc ? 2 : 1);
            const int srcRow = i == 0 ? 0 : (i == nr ? 2 : 1);
            const int x = j == 0 ? 0 : (j == nc ? w - static_cast<int>(o) : static_cast<int>(j * o));
            const int y = i == 0 ? 0 : (i == nr ? h - static_cast<int>(v) : static_cast<int>(i * v));
            // The frame's inside is transparent, so blending leaves whatever lies beneath.
            painter.drawImage(QRectF(x, y, cw, ch), src, QRectF(srcCol * cellW, srcRow * cellH, cellW, cellH));
        }
    }
    painter.restore();
}

} // namespace kivora::ui
