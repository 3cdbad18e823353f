#include "kivora/ui/COffScreenDC.h"

#include "tests/ui/UiTestApp.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using kivora::ui::COffScreenDC;

namespace {

// A paint device that only counts what reaches it, to see how many transfers a paint makes.
class CountingEngine : public QPaintEngine {
public:
    int images = 0;
    int other = 0;
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++other; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { ++images; }
    void drawRects(const QRectF*, int) override { ++other; }
    void drawPath(const QPainterPath&) override { ++other; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++other; }
    void drawTextItem(const QPointF&, const QTextItem&) override { ++other; }
    Type type() const override { return User; }
};

class CountingDevice : public QPaintDevice {
public:
    mutable CountingEngine engine;
    QPaintEngine* paintEngine() const override { return &engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 200;
        case PdmHeight: return 100;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }
};

// A view in the usual shape: everything is drawn into the back buffer, then copied once.
class BufferedView : public QWidget {
public:
    COffScreenDC dc;
    void paintInto(QPainter& screen)
    {
        if (!dc.isValid() || dc.size() != size())
            dc.createForWidget(*this);
        {
            QPainter p(&dc.surface());
            p.fillRect(rect(), QColor(20, 30, 40));
            for (int i = 0; i < 50; ++i)
                p.fillRect(QRect(i * 4, 10, 2, 80), QColor(200, 100, 0));
            p.drawText(rect(), Qt::AlignCenter, QStringLiteral("60 km/h"));
        }
        dc.copyTo(screen);
    }
};

} // namespace

TEST(COffScreenDC, CreateSizesAndMainWindowSide)
{
    kivora::uitest::app();
    COffScreenDC dc;
    EXPECT_FALSE(dc.isValid());
    EXPECT_FALSE(dc.create(QSize(0, 10)));
    ASSERT_TRUE(dc.create(QSize(30, 20), 2.0));
    EXPECT_EQ(dc.size(), QSize(30, 20));
    EXPECT_EQ(dc.surface().size(), QSize(60, 40));
    EXPECT_EQ(dc.surface().pixel(0, 0), qRgb(0, 0, 0)); // a new surface is black
    dc.destroy();
    EXPECT_FALSE(dc.isValid());

    EXPECT_EQ(COffScreenDC::mainWindowSide(1.0), 640);
    EXPECT_EQ(COffScreenDC::mainWindowSide(1.25), 800);
    EXPECT_EQ(COffScreenDC::mainWindowSide(1.33), 851); // (int)10214.4 / 12
}

TEST(COffScreenDC, APaintReachesTheScreenAsOneTransfer)
{
    kivora::uitest::app();
    BufferedView view;
    view.resize(200, 100);
    CountingDevice screen;
    for (int paint = 1; paint <= 3; ++paint) {
        QPainter p(&screen);
        view.paintInto(p);
        p.end();
        EXPECT_EQ(screen.engine.images, paint);
        EXPECT_EQ(screen.engine.other, 0);
        EXPECT_EQ(view.dc.copyCount(), paint);
    }
}

TEST(COffScreenDC, CopyReplacesPixelsAndKeyedCopySkipsTheKey)
{
    kivora::uitest::app();
    COffScreenDC dc(QSize(4, 1));
    {
        QPainter p(&dc.surface());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(0, 0, 2, 1), QColor(255, 0, 255));
        p.fillRect(QRect(2, 0, 2, 1), QColor(10, 200, 30));
    }
    QImage target(6, 1, QImage::Format_ARGB32_Premultiplied);
    target.fill(QColor(1, 2, 3));
    {
        QPainter p(&target);
        dc.copyToKeyed(p, QPoint(1, 0), QRect(), QColor(255, 0, 255));
    }
    EXPECT_EQ(target.pixel(1, 0), qRgb(1, 2, 3)); // magenta left out
    EXPECT_EQ(target.pixel(2, 0), qRgb(1, 2, 3));
    EXPECT_EQ(target.pixel(3, 0), qRgb(10, 200, 30));
    EXPECT_EQ(target.pixel(4, 0), qRgb(10, 200, 30));

    {
        QPainter p(&target);
        dc.copyTo(p, QPoint(0, 0), QRect(1, 0, 2, 1)); // a part of the surface
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(target.pixel(1, 0), qRgb(10, 200, 30));
    EXPECT_EQ(target.pixel(2, 0), qRgb(1, 2, 3));
    EXPECT_EQ(dc.copyCount(), 2);
}
