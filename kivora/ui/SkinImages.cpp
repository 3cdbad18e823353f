#include "kivora/ui/SkinImages.h"

#include <QCursor>
#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <map>
#include <tuple>

namespace kivora::ui {

namespace {

QImage readImage(const QString& path)
{
    QImage image(path);
    if (image.isNull())
        return {};
    // Qt reads "@2x" in a file name as a pixel ratio; callers want plain pixels and set the ratio
    // themselves.
    image.setDevicePixelRatio(1.0);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage scaledTo(const QImage& source, QSize size)
{
    if (source.size() == size)
        return source;
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage makeScaledStrip(int id, double uiScale, double devicePixelRatio);

} // namespace

QString skinResourcePath(int id, bool doubleResolution)
{
    return QStringLiteral(":/skin/%1%2.png").arg(id).arg(doubleResolution ? QStringLiteral("@2x") : QString());
}

const std::vector<SkinEntry>& skinCatalog()
{
    static const std::vector<SkinEntry> catalog = [] {
        QFile file(QStringLiteral(":/skin/skin-ids.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return std::vector<SkinEntry>{};
        const QByteArray text = file.readAll();
        return parseSkinCatalog(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    }();
    return catalog;
}

const SkinEntry* skinEntry(int id)
{
    for (const SkinEntry& e : skinCatalog()) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

bool hasSkinImage(int id) { return QFile::exists(skinResourcePath(id)); }

QImage loadSkinImage(int id) { return readImage(skinResourcePath(id)); }

QImage loadPngResource(int id) { return loadSkinImage(id); }

QSize scaledStripSize(QSize designSize, double uiScale)
{
    const int w = designSize.width();
    const int h = designSize.height();
    if (w <= 0 || h <= 0 || uiScale <= 0.0)
        return {};
    const int scaledHeight = static_cast<int>(h * uiScale);
    const int scaledWidth = (w % h == 0) ? (w / h) * scaledHeight : static_cast<int>(w * uiScale);
    return {scaledWidth, scaledHeight};
}

QImage loadScaledStrip(int id, double uiScale, double devicePixelRatio)
{
    // One copy per id and scale, like shared system images; QImage copies share their pixels.
    static std::map<std::tuple<int, double, double>, QImage> cache;
    const auto key = std::make_tuple(id, uiScale, devicePixelRatio);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    QImage made = makeScaledStrip(id, uiScale, devicePixelRatio);
    if (!made.isNull())
        cache.emplace(key, made);
    return made;
}

QIcon loadSkinIcon(int id)
{
    QIcon icon;
    const QImage design = loadSkinImage(id);
    if (design.isNull())
        return icon;
    icon.addPixmap(QPixmap::fromImage(design));
    const QImage hi = readImage(skinResourcePath(id, true));
    if (!hi.isNull())
        icon.addPixmap(QPixmap::fromImage(hi));
    return icon;
}

QCursor loadSkinCursor(int id, QPoint hotSpot, double displayScale)
{
    const double scale = displayScale > 0.0 ? displayScale : 1.0;
    const int side = static_cast<int>(32 * scale);
    QImage source = loadSkinImage(id);
    if (source.isNull() || side <= 0)
        return QCursor(Qt::ArrowCursor);
    if (side > source.width()) {
        QImage hi = readImage(skinResourcePath(id, true));
        if (!hi.isNull())
            source = hi;
    }
    const QImage picture = scaledTo(source, QSize(side, side));
    return QCursor(QPixmap::fromImage(picture), static_cast<int>(hotSpot.x() * scale), static_cast<int>(hotSpot.y() * scale));
}

namespace {

QImage makeScaledStrip(int id, double uiScale, double devicePixelRatio)
{
    const QImage design = loadSkinImage(id);
    if (design.isNull())
        return {};
    const QSize logical = scaledStripSize(design.size(), uiScale);
    if (logical.isEmpty())
        return {};
    const double ratio = devicePixelRatio > 1.0 ? devicePixelRatio : 1.0;
    const QSize pixels(static_cast<int>(logical.width() * ratio), static_cast<int>(logical.height() * ratio));

    // Prefer the double-resolution drawing whenever the result is larger than design size.
    QImage source = design;
    if (pixels.width() > design.width() || pixels.height() > design.height()) {
        QImage hi = readImage(skinResourcePath(id, true));
        if (!hi.isNull() && hi.size() == design.size() * 2)
            source = hi;
    }

    QImage result;
    const int w = design.width();
    const int h = design.height();
    // Frames as the catalogue lists them: a long bar is one picture even when its width is a
    // multiple of its height.
    const SkinEntry* entry = skinEntry(id);
    const int frames = entry ? entry->frames : ((w % h == 0) ? w / h : 1);
    if (frames > 1) {
        // Scale frame by frame: a whole-strip scale would blend the edges of adjacent frames.
        const int srcFrame = source.width() / frames;
        const int dstFrame = static_cast<int>(logical.width() / frames * ratio);
        result = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        result.fill(Qt::transparent);
        QPainter p(&result);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (int i = 0; i < frames; ++i) {
            const QImage frame = source.copy(i * srcFrame, 0, srcFrame, source.height());
            p.drawImage(i * dstFrame, 0, scaledTo(frame, QSize(dstFrame, pixels.height())));
        }
    } else {
        result = scaledTo(source, pixels);
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

} // namespace

QRect stripFrameRect(QSize stripSize, QSize frameSize, int index)
{
    if (frameSize.isEmpty() || index < 0)
        return {};
    const QRect frame(index * frameSize.width(), 0, frameSize.width(), frameSize.height());
    if (frame.right() >= stripSize.width() || frame.bottom() >= stripSize.height())
        return {};
    return frame;
}

void drawStripFrame(QPainter& painter, const QImage& strip, QSize frameSize, int index, QPoint at)
{
    if (strip.isNull())
        return;
    const qreal r = strip.devicePixelRatio();
    const QSize logicalStrip(static_cast<int>(strip.width() / r), static_cast<int>(strip.height() / r));
    const QRect frame = stripFrameRect(logicalStrip, frameSize, index);
    if (frame.isEmpty())
        return;
    const QRectF source(frame.x() * r, frame.y() * r, frame.width() * r, frame.height() * r);
    painter.drawImage(QRectF(at, frame.size()), strip, source);
}

void drawSkinImage(QPainter& painter, const QImage& image, int x, int y, double factor, double uiScale)
{
    if (image.isNull())
        return;
    const double w = image.width() / image.devicePixelRatio();
    const double h = image.height() / image.devicePixelRatio();
    const QRect target(x, y, static_cast<int>(w * factor * uiScale), static_cast<int>(h * factor * uiScale));
    if (target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    painter.restore();
}

QImage colorKeyed(const QImage& image, QColor key)
{
    if (image.isNull())
        return {};
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = key.rgb() & 0x00ffffffu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00ffffffu) == k || qAlpha(line[x]) == 0)
                line[x] = 0;
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage flattened(const QImage& image, QColor background)
{
    if (image.isNull())
        return {};
    QImage out(image.size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(background);
    QPainter p(&out);
    p.drawImage(QPoint(0, 0), image);
    return out;
}

} // namespace kivora::ui
