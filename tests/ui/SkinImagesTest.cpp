#include "kivora/ui/SkinImages.h"

#include "tests/ui/UiTestApp.h"

#include <QCursor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace kivora::ui;

namespace {

// Mean colour (premultiplied ARGB channels) of a rectangle of an image.
std::array<double, 4> meanColour(const QImage& image, QRect r)
{
    std::array<double, 4> sum{};
    const QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
            sum[3] += qAlpha(p);
        }
    const double n = double(r.width()) * r.height();
    for (double& v : sum)
        v /= n;
    return sum;
}

double distance(const std::array<double, 4>& a, const std::array<double, 4>& b)
{
    double d = 0;
    for (int i = 0; i < 4; ++i)
        d = std::max(d, std::abs(a[i] - b[i]));
    return d;
}

} // namespace

TEST(SkinImages, ScaledStripSizeRule)
{
    struct Case {
        QSize design;
        double scale;
        QSize expected;
    };
    const Case cases[] = {
        {{128, 32}, 1.5, {192, 48}}, // square frames: 4 × (int)(32 × 1.5)
        {{45, 18}, 1.5, {67, 27}},   // not a strip of squares: (int)(w × s)
        {{48, 12}, 1.25, {60, 15}},
        {{184, 18}, 1.25, {230, 22}},
        {{25, 10}, 1.75, {43, 17}},
        {{128, 32}, 1.1, {140, 35}}, // 4 × (int)35.2, not (int)140.8
        {{0, 10}, 1.0, {}},
        {{10, 10}, 0.0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scaledStripSize(c.design, c.scale), c.expected) << c.design.width() << "x" << c.design.height() << " @" << c.scale;
}

TEST(SkinImages, FrameRectsStayInsideTheStrip)
{
    const QSize strip(192, 48), frame(48, 48);
    EXPECT_EQ(stripFrameRect(strip, frame, 0), QRect(0, 0, 48, 48));
    EXPECT_EQ(stripFrameRect(strip, frame, 3), QRect(144, 0, 48, 48));
    EXPECT_TRUE(stripFrameRect(strip, frame, 4).isEmpty());
    EXPECT_TRUE(stripFrameRect(strip, frame, -1).isEmpty());
    EXPECT_TRUE(stripFrameRect(strip, QSize(), 0).isEmpty());
}

TEST(SkinImages, ScaledStripKeepsEachFrameApart)
{
    kivora::uitest::app();
    const QImage design = loadSkinImage(148); // play button: normal, hover, pressed, disabled
    ASSERT_EQ(design.size(), QSize(128, 32));
    for (double scale : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        const QImage strip = loadScaledStrip(148, scale);
        ASSERT_EQ(strip.size(), scaledStripSize(design.size(), scale));
        const int f = strip.height();
        for (int i = 0; i < 4; ++i) {
            // Each scaled frame looks like its design frame...
            const auto want = meanColour(design, QRect(i * 32, 0, 32, 32));
            const auto got = meanColour(strip, QRect(i * f, 0, f, f));
            EXPECT_LT(distance(want, got), 12.0) << "frame " << i;
            // ...and no neighbour bleeds into its transparent corners.
            EXPECT_EQ(qAlpha(strip.pixel(i * f, 0)), 0) << "frame " << i;
            EXPECT_EQ(qAlpha(strip.pixel(i * f + f - 1, f - 1)), 0) << "frame " << i;
        }
        // Frames really differ: pressed is blue, normal is grey.
        const auto normal = meanColour(strip, QRect(0, 0, f, f));
        const auto pressed = meanColour(strip, QRect(2 * f, 0, f, f));
        EXPECT_GT(pressed[2] - pressed[0], normal[2] - normal[0] + 20);
    }
}

TEST(SkinImages, DrawStripFrameDrawsTheChosenFrameAtAnyPixelRatio)
{
    kivora::uitest::app();
    const QImage design = loadSkinImage(217);
    for (double ratio : {1.0, 2.0}) {
        const QImage strip = loadScaledStrip(217, 1.0, ratio);
        ASSERT_EQ(strip.deviceIndependentSize().toSize(), QSize(48, 12));
        EXPECT_EQ(strip.size(), QSize(int(48 * ratio), int(12 * ratio)));
        for (int i = 0; i < 4; ++i) {
            QImage canvas(12, 12, QImage::Format_ARGB32_Premultiplied);
            canvas.fill(Qt::transparent);
            {
                QPainter p(&canvas);
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                drawStripFrame(p, strip, QSize(12, 12), i, QPoint(0, 0));
            }
            const auto want = meanColour(design, QRect(i * 12, 0, 12, 12));
            EXPECT_LT(distance(want, meanColour(canvas, canvas.rect())), 10.0) << "ratio " << ratio << " frame " << i;
        }
    }
}

TEST(SkinImages, MissingIdGivesNothing)
{
    kivora::uitest::app();
    EXPECT_FALSE(hasSkinImage(99999));
    EXPECT_TRUE(loadSkinImage(99999).isNull());
    EXPECT_TRUE(loadScaledStrip(99999, 1.5).isNull());
    EXPECT_TRUE(loadPngResource(99999).isNull());
    QImage canvas(10, 10, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::red);
    QPainter p(&canvas);
    drawSkinImage(p, QImage(), 0, 0, 1.0, 1.0); // must not crash or draw
    p.end();
    EXPECT_EQ(canvas.pixel(5, 5), QColor(Qt::red).rgb());
}

TEST(SkinImages, DrawSkinImageScalesByFactorAndLayoutScale)
{
    kivora::uitest::app();
    const QImage badge = loadPngResource(331);
    ASSERT_EQ(badge.size(), QSize(56, 24));
    QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        drawSkinImage(p, badge, 10, 20, 0.5, 1.5); // 42 × 18
    }
    QRect painted;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qAlpha(canvas.pixel(x, y)) > 0)
                painted |= QRect(x, y, 1, 1);
    EXPECT_GE(painted.left(), 10);
    EXPECT_GE(painted.top(), 20);
    EXPECT_LE(painted.right(), 10 + 42 - 1);
    EXPECT_LE(painted.bottom(), 20 + 18 - 1);
    EXPECT_GT(painted.width(), 36);
}

TEST(SkinImages, ColourKeyAndFlatten)
{
    QImage img(2, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgb(0, 0, 0));
    img.setPixel(1, 0, qRgb(10, 20, 30));
    const QImage keyed = colorKeyed(img, QColor(0, 0, 0));
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), qRgb(10, 20, 30));

    QImage clear(1, 1, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    EXPECT_EQ(flattened(clear, QColor(255, 255, 255)).pixel(0, 0), qRgb(255, 255, 255));
}

TEST(SkinImages, ZoomCursorAndWindowIconFollowTheDisplayScale)
{
    kivora::uitest::app();
    const QCursor cursor = loadSkinCursor(191, QPoint(13, 13), 1.5);
    EXPECT_EQ(cursor.pixmap().size(), QSize(48, 48));
    EXPECT_EQ(cursor.hotSpot(), QPoint(19, 19));
    EXPECT_EQ(loadSkinCursor(99999, QPoint(), 1.0).shape(), Qt::ArrowCursor);

    const QIcon icon = loadSkinIcon(128);
    ASSERT_FALSE(icon.isNull());
    const auto sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(64, 64)));
}
