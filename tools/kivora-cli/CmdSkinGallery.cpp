// skin-gallery OUTDIR: renders every skin image at layout scales 1.0 and 2.0 into PNG files, plus
// one contact sheet and one main-window preview per scale, so the artwork can be reviewed without
// starting the program.
#include "tools/kivora-cli/Commands.h"
#include "tools/kivora-cli/QtApplication.h"
#include "tools/kivora-cli/SkinGalleryControls.h"

#include "kivora/ui/CLapTimeArea.h"
#include "kivora/ui/CResourceImage.h"
#include "kivora/ui/SkinFontSet.h"
#include "kivora/ui/SkinImages.h"

#include <QDir>
#include <QApplication>
#include <QPainter>

#include <cstdio>
#include <memory>
#include <vector>

namespace kivora::cli {

namespace {

struct Tile {
    int id;
    QImage image;
};

QImage contactSheet(const std::vector<Tile>& tiles, double scale)
{
    const int pad = static_cast<int>(12 * scale);
    const int label = static_cast<int>(14 * scale);
    const int maxWidth = static_cast<int>(1240 * scale);
    // Flow layout: left to right, wrapping at maxWidth.
    std::vector<QPoint> at;
    int x = pad, y = pad, rowHeight = 0, width = 0;
    for (const Tile& t : tiles) {
        const QSize s = t.image.deviceIndependentSize().toSize();
        const int w = std::max(s.width(), static_cast<int>(40 * scale));
        if (x + w + pad > maxWidth && x > pad) {
            x = pad;
            y += rowHeight + label + pad;
            rowHeight = 0;
        }
        at.emplace_back(x, y);
        x += w + pad;
        rowHeight = std::max(rowHeight, s.height());
        width = std::max(width, x);
    }
    const int height = y + rowHeight + label + pad;
    QImage sheet(std::max(width, maxWidth), height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x0b, 0x0d, 0x10));
    QPainter p(&sheet);
    QFont f;
    f.setPixelSize(std::max(9, static_cast<int>(10 * scale)));
    p.setFont(f);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const QSize s = tiles[i].image.deviceIndependentSize().toSize();
        // A checker behind each picture shows where it is transparent.
        p.fillRect(QRect(at[i], s), QColor(0x1c, 0x20, 0x26));
        p.drawImage(at[i], tiles[i].image);
        p.setPen(QColor(0x9a, 0xa2, 0xae));
        p.drawText(QRect(at[i].x(), at[i].y() + s.height(), std::max(s.width(), 60), label), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(tiles[i].id));
    }
    return sheet;
}

// The skin put together roughly where the main window places it, to judge the whole look.
QImage mainWindowPreview(double scale)
{
    const auto s = [scale](double v) { return static_cast<int>(v * scale); };
    const int cw = s(1120), ch = s(697);
    QImage canvas(cw, ch, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(0x08, 0x09, 0x0b));
    ui::CResourceImage set;
    set.load(QSize());
    ui::SkinFontSet fonts;
    fonts.create(scale, 1.0);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const int l = s(6), t = s(24);
    const int innerW = cw - 2 * s(6), innerH = ch + s(-10) - s(38) - s(24);
    const int r = l + innerW - s(440) - 2 * s(6), bm = t + innerH + s(-150) - s(105);
    p.fillRect(QRect(l, t, r - l, bm - t), QColor(0x05, 0x06, 0x08)); // video surface
    p.fillRect(QRect(r, t + 1, s(440) + 2 * s(6), ch + s(-4) + s(1) - s(38) - t - 1), QColor(0x16, 0x19, 0x1e));

    const auto strip = [&](int id, QRect at, int frame) {
        const QImage img = ui::loadScaledStrip(id, scale);
        ui::drawStripFrame(p, img, at.size(), frame, at.topLeft());
    };
    // Position slider: 40 % played.
    const int sw = r - l, played = sw * 4 / 10;
    p.drawImage(QRect(l, bm, played, s(10)), ui::loadScaledStrip(174, scale));
    p.drawImage(QRect(l + played + 1, bm, sw - played, s(10)), ui::loadScaledStrip(159, scale));
    p.drawImage(QRect(l + played - s(12), bm, s(25), s(10)), ui::loadScaledStrip(160, scale));
    // Information panel and graph.
    const QRect info(l + s(1), bm + s(10), r - s(1) - l, s(105));
    p.drawImage(info, set.image(201));
    ui::drawSkinImage(p, set.image(209), info.x() + s(22), info.y() + s(62), 1.0, scale);
    ui::drawSkinImage(p, set.image(210), info.x() + s(142), info.y() + s(62), 1.0, scale);
    ui::drawSkinImage(p, set.image(208), info.x() + s(262), info.y() + s(62), 1.0, scale);
    ui::drawSkinImage(p, set.image(333), info.x() + s(380), info.y() + s(45), 1.0, scale);
    ui::drawSkinImage(p, set.image(195), info.x() + s(445), info.y() + s(60), 1.0, scale);
    ui::drawSkinImage(p, set.image(360), info.x() + s(490), info.y() + s(60), 1.0, scale);
    ui::drawSkinImage(p, set.image(207), info.x() + s(454), info.y() + s(9), 1.0, scale);
    ui::drawSkinImage(p, set.image(203), info.x() + s(537), info.y() + s(55), 1.0, scale);
    for (int n = 0; n < 3; ++n)
        strip(217, QRect(info.x() + s(26 + 120 * n), info.y() + s(45), s(12), s(12)), 2);
    const QRect graph(l + s(1), s(105) + bm + s(10), r - s(1) - l, s(2) + ch - s(10) - s(38) - s(6) - s(105) - bm);
    p.drawImage(QRect(graph.topLeft(), QSize(graph.width(), s(120))), ui::loadSkinImage(162));
    // Frame, caption, buttons.
    set.drawSkinFrame(p, cw, ch, scale);
    ui::drawCaptionText(p, QStringLiteral("kivora"), fonts.f10(), scale);
    for (int i = 0; i < 3; ++i) {
        const int w = i == 0 ? s(46) : s(26);
        const int x = cw + s(-6) - i * w - s(46) - s(4);
        strip(i == 0 ? 155 : (i == 1 ? 157 : 156), QRect(x, 0, w, s(18)), i == 0 ? 1 : 0);
    }
    const int ids[14] = {154, 144, 148, 142, 139, 145, 153, 150, 200, 146, 138, 151, 137, 357};
    for (int i = 0; i < 14; ++i) {
        const int x = s(20) + i * (s(32) + s(15)) + (i >= 9 ? s(32) - s(2) : 0);
        const int y = ch - (s(32) + s(38)) / 2 - s(1);
        strip(ids[i], QRect(x, y, s(32), s(32)), i == 2 ? 1 : (i == 13 ? 2 : (i == 7 ? 3 : 0)));
    }
    const int vx = cw - s(120), vy = s(-5) + ch - (s(38) + s(12)) / 2;
    p.drawImage(QRect(vx, vy, s(70), s(20)), ui::loadScaledStrip(167, scale), QRectF(0, 0, 70 * scale, 20 * scale));
    p.drawImage(QRect(vx + s(70), vy, s(30), s(20)), ui::loadScaledStrip(168, scale),
                QRectF(70 * scale, 0, 30 * scale, 20 * scale));
    p.drawImage(QRect(vx + s(66), vy, s(10), s(20)), ui::loadScaledStrip(169, scale));
    ui::drawSkinImage(p, set.image(190), cw - s(155), ch - s(30), 1.0, scale);
    return canvas;
}

} // namespace

int runSkinGallery(std::span<char*> args)
{
    if (args.size() != 1) {
        std::fputs("usage: kivora-cli skin-gallery OUTDIR\n", stderr);
        return 2;
    }
    // Widgets (the skinned controls) need a QApplication.
    const auto app = ensureQtApplication<QApplication>();
    const QDir out(QString::fromLocal8Bit(args[0]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "skin-gallery: cannot create %s\n", args[0]);
        return 1;
    }
    const auto& catalog = ui::skinCatalog();
    if (catalog.empty()) {
        std::fputs("skin-gallery: the skin catalogue is missing\n", stderr);
        return 1;
    }
    int written = 0, missing = 0;
    for (double scale : {1.0, 2.0}) {
        std::vector<Tile> tiles;
        for (const ui::SkinEntry& e : catalog) {
            const QImage image = ui::loadScaledStrip(e.id, scale);
            if (image.isNull()) {
                std::fprintf(stderr, "skin-gallery: no image for id %d\n", e.id);
                ++missing;
                continue;
            }
            const QString file = out.filePath(QStringLiteral("%1-x%2.png").arg(e.id).arg(scale, 0, 'f', 1));
            if (!image.save(file, "PNG")) {
                std::fprintf(stderr, "skin-gallery: cannot write %s\n", qPrintable(file));
                return 1;
            }
            ++written;
            tiles.push_back({e.id, image});
        }
        const QString preview = out.filePath(QStringLiteral("preview-x%1.png").arg(scale, 0, 'f', 1));
        if (!mainWindowPreview(scale).save(preview, "PNG")) {
            std::fprintf(stderr, "skin-gallery: cannot write %s\n", qPrintable(preview));
            return 1;
        }
        const QString sheet = out.filePath(QStringLiteral("sheet-x%1.png").arg(scale, 0, 'f', 1));
        if (!contactSheet(tiles, scale).save(sheet, "PNG")) {
            std::fprintf(stderr, "skin-gallery: cannot write %s\n", qPrintable(sheet));
            return 1;
        }
    }
    std::printf("skin-gallery: %d images, 2 sheets and 2 window previews in %s\n", written, args[0]);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fputs("skin-gallery: the skinned controls need a widget application\n", stderr);
        return 1;
    }
    const int controls = renderControlGallery(out);
    if (controls < 0)
        return 1;
    std::printf("skin-gallery: %d control pictures in %s\n", controls, args[0]);
    return missing == 0 ? 0 : 1;
}

} // namespace kivora::cli
