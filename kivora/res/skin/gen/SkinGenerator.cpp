// Build-time tool: draws every image of the skin catalogue at design size and at double size, or
// the program's icon for the desktop's icon theme.
// usage: kivora-skingen CATALOGUE.tsv OUTDIR
//        kivora-skingen --app-icons OUTDIR
#include "kivora/res/skin/gen/SkinArt.h"
#include "kivora/ui/SkinCatalog.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSvgGenerator>

#include <cstdio>

using namespace kivora;

namespace {

bool drawEntry(QPainter& p, const ui::SkinEntry& e, int frame)
{
    const int id = e.kind == ui::SkinKind::Mask ? e.id - 1 : e.id; // a mask is cut from the picture before it
    const double w = e.frameWidth();
    const double h = e.height;
    return skinart::drawControls(p, id, frame, w, h) || skinart::drawPanels(p, id, frame, w, h)
        || skinart::drawMarks(p, id, frame, w, h);
}

QImage render(const ui::SkinEntry& e, int scale, bool& ok)
{
    QImage image(e.width * scale, e.height * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    ok = true;
    for (int f = 0; f < e.frames; ++f) {
        p.save();
        p.scale(scale, scale);
        p.translate(f * e.frameWidth(), 0);
        p.setClipRect(QRectF(0, 0, e.frameWidth(), e.height));
        ok = drawEntry(p, e, f) && ok;
        p.restore();
    }
    p.end();
    if (e.kind == ui::SkinKind::Mask) {
        // One bit per pixel: set where the picture covers more than half a pixel.
        QImage mask(image.size(), QImage::Format_Mono);
        mask.setColor(0, qRgb(0, 0, 0));
        mask.setColor(1, qRgb(255, 255, 255));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                mask.setPixel(x, y, qAlpha(image.pixel(x, y)) > 127 ? 1 : 0);
        return mask;
    }
    // Transparent pixels carry black so that colour-keyed drawing and alpha blending agree.
    return image;
}

bool saveAtomically(const QImage& image, const QString& path)
{
    const QString tmp = path + QStringLiteral(".tmp");
    if (image.save(tmp, "PNG") && (QFile::remove(path) || !QFile::exists(path)) && QFile::rename(tmp, path))
        return true;
    QFile::remove(tmp);
    return false;
}

// The window icon (id 128) for the hicolor theme: <out>/hicolor/NxN/apps/kivora.png and
// <out>/hicolor/scalable/apps/kivora.svg, all from the same drawing code as the skin.
int drawAppIcons(const QDir& out)
{
    constexpr double kDesign = 32;
    int failures = 0;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256, 512 }) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(size / kDesign, size / kDesign);
        const bool drawn = skinart::drawMarks(p, 128, 0, kDesign, kDesign);
        p.end();
        if (!drawn || !out.mkpath(folder)
            || !saveAtomically(image, out.filePath(folder + QStringLiteral("/kivora.png")))) {
            std::fprintf(stderr, "kivora-skingen: cannot write the %d px icon\n", size);
            ++failures;
        }
    }
    const QString folder = QStringLiteral("hicolor/scalable/apps");
    const QString svg = out.filePath(folder + QStringLiteral("/kivora.svg"));
    if (!out.mkpath(folder)) {
        ++failures;
    } else {
        QSvgGenerator generator;
        generator.setFileName(svg + QStringLiteral(".tmp"));
        generator.setSize(QSize(int(kDesign), int(kDesign)));
        generator.setViewBox(QRectF(0, 0, kDesign, kDesign));
        generator.setTitle(QStringLiteral("kivora"));
        QPainter p(&generator);
        p.setRenderHint(QPainter::Antialiasing, true);
        const bool drawn = skinart::drawMarks(p, 128, 0, kDesign, kDesign);
        p.end();
        if (!drawn || !(QFile::remove(svg) || !QFile::exists(svg))
            || !QFile::rename(svg + QStringLiteral(".tmp"), svg)) {
            std::fprintf(stderr, "kivora-skingen: cannot write the scalable icon\n");
            QFile::remove(svg + QStringLiteral(".tmp"));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--app-icons") {
        const QDir out(QString::fromLocal8Bit(argv[2]));
        if (!out.mkpath(QStringLiteral("."))) {
            std::fprintf(stderr, "kivora-skingen: cannot create %s\n", argv[2]);
            return 1;
        }
        return drawAppIcons(out);
    }
    if (argc != 3) {
        std::fputs("usage: kivora-skingen CATALOGUE.tsv OUTDIR\n", stderr);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kivora-skingen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray text = file.readAll();
    std::string error;
    const auto entries
        = ui::parseSkinCatalog(std::string_view(text.constData(), std::size_t(text.size())), &error);
    if (entries.empty()) {
        std::fprintf(stderr, "kivora-skingen: %s\n", error.empty() ? "empty catalogue" : error.c_str());
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "kivora-skingen: cannot create %s\n", argv[2]);
        return 1;
    }
    int failures = 0;
    for (const auto& e : entries) {
        for (int scale : { 1, 2 }) {
            bool ok = false;
            const QImage image = render(e, scale, ok);
            const QString name
                = scale == 1 ? QStringLiteral("%1.png").arg(e.id) : QStringLiteral("%1@2x.png").arg(e.id);
            if (!ok) {
                std::fprintf(stderr, "kivora-skingen: no artwork for id %d\n", e.id);
                ++failures;
                break;
            }
            // Written to a temporary name first so an interrupted build never leaves half a picture.
            if (!saveAtomically(image, out.filePath(name))) {
                std::fprintf(stderr, "kivora-skingen: cannot write %s\n", qPrintable(out.filePath(name)));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
