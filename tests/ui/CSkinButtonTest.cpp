#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/SkinImages.h"

#include "tests/ui/SkinControlsTestSupport.h"

#include <QKeyEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kivora::ui;
using kivora::uitest::sendMouse;

namespace {

struct FrameCase {
    const char* name;
    SkinItemState state;
    int frame;
    QColor text;
};

TEST(SkinFrameChoice, FirstMatchingStateWins)
{
    const QColor grey(128, 128, 128), white(255, 255, 255);
    const FrameCase cases[] = {
        { "normal", {}, 0, white },
        { "grayed beats all", { true, true, true, true, true }, 1, grey },
        { "disabled", { false, true, false, false, false }, 3, grey },
        { "disabled beats pressed and latched", { false, true, true, true, true }, 3, grey },
        { "pressed", { false, false, true, false, false }, 2, grey },
        { "pressed beats checked", { false, false, true, true, false }, 2, grey },
        { "checked", { false, false, false, true, false }, 2, white },
        { "checked beats latched", { false, false, false, true, true }, 2, white },
        { "latched", { false, false, false, false, true }, 2, grey },
    };
    for (const FrameCase& c : cases) {
        const SkinFrameChoice choice = chooseSkinFrame(c.state);
        EXPECT_EQ(choice.frame, c.frame) << c.name;
        EXPECT_EQ(choice.text, c.text) << c.name;
    }
}

// The widget painted on its own over transparent pixels.
QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The colour of the most opaque pixel: a caption over transparent pixels shows its pen colour.
QColor captionColour(const QImage& image)
{
    QColor best(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(qUnpremultiply(image.pixel(x, y)));
            if (c.alpha() > best.alpha())
                best = c;
        }
    return best;
}

class SkinButtonTest : public ::testing::Test {
protected:
    QApplication& app = kivora::uitest::app(); // before any widget
    SkinStyle style = SkinStyle::forScale(1.0);
    QWidget parent;
};

TEST_F(SkinButtonTest, StateChoosesFrameAndCaptionColour)
{
    CSkinButton button(&parent, 38000, QRect(0, 0, 32, 32), style);
    button.setImage(137, QRect(0, 0, 32, 32));
    ASSERT_TRUE(button.hasImage());
    EXPECT_EQ(button.currentFrame().frame, 0);

    button.setLatched(true);
    EXPECT_EQ(button.currentFrame().frame, 2);
    EXPECT_EQ(button.currentFrame().text, QColor(128, 128, 128));
    button.setLatched(false);

    button.setEnabled(false);
    EXPECT_EQ(button.currentFrame().frame, 3);
    EXPECT_EQ(button.currentFrame().text, QColor(128, 128, 128));
    button.setEnabled(true);

    button.setDown(true);
    EXPECT_EQ(button.currentFrame().frame, 2);
    button.setDown(false);
}

TEST_F(SkinButtonTest, PaintDrawsTheChosenFrameAndCaption)
{
    const QImage strip = loadScaledStrip(137, 1.0);
    ASSERT_FALSE(strip.isNull());
    const auto frameOnly = [&](int frame) {
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        drawStripFrame(p, strip, QSize(32, 32), frame, QPoint(0, 0));
        return image;
    };

    CSkinButton button(&parent, 38000, QRect(0, 0, 32, 32), style);
    button.setImage(137, QRect(0, 0, 32, 32));
    EXPECT_EQ(render(button), frameOnly(0));
    button.setEnabled(false);
    EXPECT_EQ(render(button), frameOnly(3));
    button.setEnabled(true);
    button.setLatched(true);
    EXPECT_EQ(render(button), frameOnly(2));

    // Captions: grey while latched or disabled, white otherwise (a button without a strip shows
    // the caption alone).
    CSkinButton captioned(&parent, 38001, QRect(0, 0, 64, 32), style);
    captioned.setText(QStringLiteral("MM"));
    const auto grey = [](QColor c) {
        return std::abs(c.red() - 128) <= 3 && c.red() == c.green() && c.green() == c.blue();
    };
    EXPECT_EQ(captionColour(render(captioned)).rgb(), QColor(Qt::white).rgb());
    captioned.setLatched(true);
    EXPECT_TRUE(grey(captionColour(render(captioned))));
    captioned.setLatched(false);
    captioned.setEnabled(false);
    EXPECT_TRUE(grey(captionColour(render(captioned))));

    button.setNoDraw(true);
    QImage empty(32, 32, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    EXPECT_EQ(render(button), empty);
}

TEST_F(SkinButtonTest, HoverShowsFrameOneUnlessLatched)
{
    CSkinButton button(&parent, 38000, QRect(0, 0, 32, 32), style);
    button.setImage(137, QRect(0, 0, 32, 32));
    sendMouse(&button, QEvent::MouseMove, QPoint(10, 10));
    ASSERT_TRUE(button.isHovered());
    EXPECT_EQ(button.currentFrame().frame, 1);
    EXPECT_EQ(button.currentFrame().text, QColor(255, 255, 255));
    button.setLatched(true);
    EXPECT_EQ(button.currentFrame().frame, 2);
    button.setLatched(false);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovered());
    EXPECT_EQ(button.currentFrame().frame, 0);
}

TEST_F(SkinButtonTest, KeyboardCannotPressIt)
{
    CSkinButton button(&parent, 38000, QRect(0, 0, 32, 32), style);
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    for (int key : { Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter }) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &press);
        QCoreApplication::sendEvent(&button, &release);
    }
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);

    sendMouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST_F(SkinButtonTest, ScaledFramesAndTooltip)
{
    const SkinStyle twice = SkinStyle::forScale(2.0);
    CSkinButton button(&parent, 38001, QRect(0, 0, 64, 64), twice);
    button.setImage(137, QRect(0, 0, twice.s(32), twice.s(32)));
    EXPECT_EQ(button.frameSize(), QSize(64, 64));
    button.setToolTip(QStringLiteral("tip"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("tip"));
    EXPECT_EQ(button.controlId(), 38001);
}

TEST_F(SkinButtonTest, CheckButtonBoxCheckMarkAndHoverOverTheBoxOnly)
{
    for (double scale : { 1.0, 2.0 }) {
        const SkinStyle st = SkinStyle::forScale(scale);
        CSkinCheckButton check(&parent, 1004, QRect(0, 0, st.s(200), st.s(20)), st);
        check.setImage(217, QRect(0, 0, st.s(12), st.s(12)));
        EXPECT_EQ(check.boxRect(), QRect(0, st.s(4), st.s(12), st.s(12)));
        EXPECT_EQ(check.currentFrame().frame, 0);
        check.setCheckMark(true);
        EXPECT_EQ(check.currentFrame().frame, 2);
        check.setCheckMark(false);
        check.setEnabled(false);
        EXPECT_EQ(check.currentFrame().frame, 3);
        check.setEnabled(true);

        sendMouse(&check, QEvent::MouseMove, QPoint(st.s(100), st.s(10)));
        EXPECT_FALSE(check.isHovered()) << "over the caption";
        sendMouse(&check, QEvent::MouseMove, QPoint(st.s(6), st.s(10)));
        EXPECT_TRUE(check.isHovered()) << "over the box";
        EXPECT_EQ(check.currentFrame().frame, 1);
    }
}

TEST_F(SkinButtonTest, CheckButtonDrawsTheBoxFrameAtItsPlace)
{
    CSkinCheckButton check(&parent, 1005, QRect(0, 0, 200, 20), style);
    check.setImage(217, QRect(0, 0, 12, 12));
    check.setCheckMark(true);
    const QImage strip = loadScaledStrip(217, 1.0);
    QImage expected(200, 20, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    {
        QPainter p(&expected);
        drawStripFrame(p, strip, QSize(12, 12), 2, QPoint(0, 4));
    }
    EXPECT_EQ(render(check), expected);
}

} // namespace
