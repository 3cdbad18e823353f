// skin-gallery OUTDIR: renders every skin image at layout scales 1.0 and 2.0 into PNG files, plus
// one contact sheet per scale, so the artwork can be reviewed without starting the program.
#include "tools/kivora-cli/Commands.h"

#include "kivora/ui/SkinImages.h"

#include <QDir>
#include <QGuiApplication>
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

} // namespace

int runSkinGallery(std::span<char*> args)
{
    if (args.size() != 1) {
        std::fputs("usage: kivora-cli skin-gallery OUTDIR\n", stderr);
        return 2;
    }
    std::unique_ptr<QGuiApplication> app;
    static int argc = 1;
    static char name[] = "kivora-cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
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
        const QString sheet = out.filePath(QStringLiteral("sheet-x%1.png").arg(scale, 0, 'f', 1));
        if (!contactSheet(tiles, scale).save(sheet, "PNG")) {
            std::fprintf(stderr, "skin-gallery: cannot write %s\n", qPrintable(sheet));
            return 1;
        }
    }
    std::printf("skin-gallery: %d images and 2 sheets in %s\n", written, args[0]);
    return missing == 0 ? 0 : 1;
}

} // namespace kivora::cli
