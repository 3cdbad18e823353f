#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"

#include "tests/ui/SkinControlsTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

using namespace kivora::ui;
using kivora::uitest::MessageSink;
using kivora::uitest::sendMouse;
using Msg = MessageSink::Message;

namespace {

class SkinSliderTest : public ::testing::Test {
protected:
    QApplication& app = kivora::uitest::app(); // before any widget

    // A position slider as the main window makes it: 800 wide at the given scale.
    std::unique_ptr<CSkinSliderCtrl> makeSlider(double scale, int minimum, int maximum, int width = 800)
    {
        sink.resize(width, 100);
        auto slider = std::make_unique<CSkinSliderCtrl>(&sink, 38100, SkinStyle::forScale(scale));
        slider->setImages(174, 159, 160, 161);
        slider->setRange(minimum, maximum);
        return slider;
    }

    MessageSink sink;
};

TEST_F(SkinSliderTest, CreatedAlongTheParentTenDesignPixelsHigh)
{
    for (double scale : { 1.0, 2.0 }) {
        auto slider = makeSlider(scale, 0, 99, 640);
        EXPECT_EQ(slider->geometry(), QRect(0, 0, 640, static_cast<int>(10 * scale)));
        EXPECT_EQ(slider->objectName(), QStringLiteral("movie slider"));
        EXPECT_TRUE(slider->isVisibleTo(&sink));
        EXPECT_TRUE(slider->isInteractive());
    }
}

TEST_F(SkinSliderTest, ValueUnderTheMouse)
{
    auto slider = makeSlider(1.0, 0, 99); // 8 pixels per value
    const std::pair<int, int> cases[]
        = { { 0, 0 }, { 7, 0 }, { 8, 1 }, { 399, 49 }, { 799, 99 }, { 805, 99 }, { -5, 0 } };
    for (auto [x, value] : cases)
        EXPECT_EQ(slider->valueAt(x), value) << "x " << x;

    // Many more values than pixels: no integer division by a zero step.
    slider->setRange(0, 99999);
    EXPECT_EQ(slider->valueAt(400), 50000);
    slider->setRange(0, 0);
    EXPECT_EQ(slider->valueAt(799), 0);
    slider->setRange(10, 5); // an empty range gives its minimum
    EXPECT_EQ(slider->valueAt(100), 10);
}

TEST_F(SkinSliderTest, PressAreaIsWidenedByTenDesignPixels)
{
    for (double scale : { 1.0, 2.0 }) {
        auto slider = makeSlider(scale, 0, 99);
        const int widen = static_cast<int>(10 * scale);
        EXPECT_TRUE(slider->inPressArea(-widen + 1));
        EXPECT_FALSE(slider->inPressArea(-widen));
        EXPECT_TRUE(slider->inPressArea(800 + widen - 1));
        EXPECT_FALSE(slider->inPressArea(800 + widen));

        sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(-widen + 1, 3));
        EXPECT_EQ(sink.take(), (std::vector<Msg> { { 0x8066, 38100, 0 } }));
        sendMouse(slider.get(), QEvent::MouseButtonRelease, QPoint(-widen + 1, 3));
        EXPECT_EQ(sink.take(), (std::vector<Msg> { { 0x8067, 38100, 0 } }));

        sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(800 + widen, 3));
        EXPECT_TRUE(sink.take().empty());
        EXPECT_FALSE(slider->isCaptured());
    }
}

TEST_F(SkinSliderTest, PressDragReleasePostsAndNeverMovesTheThumb)
{
    auto slider = makeSlider(1.0, 0, 99);
    slider->setPos(10);
    sendMouse(slider.get(), QEvent::MouseMove, QPoint(400, 3), Qt::LeftButton);
    EXPECT_TRUE(sink.take().empty()) << "no drag before a press";

    sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(400, 3));
    EXPECT_TRUE(slider->isCaptured());
    sendMouse(slider.get(), QEvent::MouseMove, QPoint(480, 3), Qt::LeftButton);
    sendMouse(
        slider.get(), QEvent::MouseMove, QPoint(900, 3), Qt::LeftButton); // outside the widened area: nothing
    sendMouse(slider.get(), QEvent::MouseMove, QPoint(-8, 3), Qt::LeftButton);
    sendMouse(slider.get(), QEvent::MouseButtonRelease, QPoint(900, 3));
    EXPECT_EQ(sink.take(),
        (std::vector<Msg> {
            { 0x8066, 38100, 50 }, { 0x8065, 38100, 60 }, { 0x8065, 38100, 0 }, { 0x8067, 38100, 0 } }));
    EXPECT_FALSE(slider->isCaptured());
    EXPECT_EQ(slider->pos(), 10);

    sendMouse(slider.get(), QEvent::MouseMove, QPoint(300, 3), Qt::LeftButton);
    EXPECT_TRUE(sink.take().empty()) << "no drag after the release";
}

TEST_F(SkinSliderTest, RangeOfOneValueAcceptsAPressButNoDrag)
{
    auto slider = makeSlider(1.0, 0, 0);
    sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(600, 3));
    sendMouse(slider.get(), QEvent::MouseMove, QPoint(200, 3), Qt::LeftButton);
    sendMouse(slider.get(), QEvent::MouseButtonRelease, QPoint(200, 3));
    EXPECT_EQ(sink.take(), (std::vector<Msg> { { 0x8066, 38100, 0 }, { 0x8067, 38100, 0 } }));
}

TEST_F(SkinSliderTest, PressOnOrAwayFromTheThumb)
{
    auto slider = makeSlider(1.0, 0, 99);
    slider->setPos(50);
    // Thumb 25 wide at 50 × (800 − 25) ÷ 100 = 387.
    EXPECT_EQ(slider->thumbRect(), QRect(387, 0, 25, 10));
    const std::pair<int, bool> cases[]
        = { { 400, false }, { 378, false }, { 377, true }, { 421, false }, { 422, true }, { 50, true } };
    for (auto [x, outside] : cases) {
        sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(x, 3));
        EXPECT_EQ(slider->pressedOutsideThumb(), outside) << "x " << x;
        sendMouse(slider.get(), QEvent::MouseButtonRelease, QPoint(x, 3));
    }
    sink.take();
}

TEST_F(SkinSliderTest, NotInteractiveIgnoresTheMouseAndReleasesQuietly)
{
    auto slider = makeSlider(1.0, 0, 99);
    slider->setInteractive(false);
    sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(100, 3));
    EXPECT_FALSE(slider->isCaptured());

    slider->setInteractive(true);
    sendMouse(slider.get(), QEvent::MouseButtonPress, QPoint(100, 3));
    slider->setInteractive(false);
    sendMouse(slider.get(), QEvent::MouseMove, QPoint(200, 3), Qt::LeftButton);
    sendMouse(slider.get(), QEvent::MouseButtonRelease, QPoint(200, 3));
    EXPECT_FALSE(slider->isCaptured());
    EXPECT_EQ(sink.take(), (std::vector<Msg> { { 0x8066, 38100, 12 } }));
}

TEST_F(SkinSliderTest, PaintsPlayedAndRemainingBarsAndTheThumb)
{
    auto slider = makeSlider(1.0, 0, 99);
    slider->setPos(25);
    const QImage shot = slider->grab().toImage();
    const QImage played = loadSkinImage(174);
    const QImage remaining = loadSkinImage(159);
    ASSERT_FALSE(played.isNull());
    // Played bar up to (int)(800 × 25 ÷ 100) = 200, remaining bar after it; thumb at 193.
    const auto overBlack = [](const QImage& image, QPoint at) {
        const QRgb p = qPremultiply(image.convertToFormat(QImage::Format_ARGB32).pixel(at));
        return std::array<int, 3> { qRed(p), qGreen(p), qBlue(p) };
    };
    const auto near = [](std::array<int, 3> a, std::array<int, 3> b) {
        for (int i = 0; i < 3; ++i)
            if (std::abs(a[i] - b[i]) > 8)
                return false;
        return true;
    };
    EXPECT_TRUE(near(overBlack(shot, { 100, 5 }), overBlack(played, { 100, 5 })));
    EXPECT_TRUE(near(overBlack(shot, { 600, 5 }), overBlack(remaining, { 600, 5 })));
    EXPECT_FALSE(near(overBlack(played, { 100, 5 }), overBlack(remaining, { 600, 5 })))
        << "the bars must differ";
    EXPECT_EQ(slider->thumbRect().x(), 193);
}

} // namespace
