#include "kivora/ui/CSkinProgressBarCtrl.h"

#include "tests/ui/UiTestApp.h"

#include <gtest/gtest.h>

using namespace kivora::ui;

namespace {

// Text pixels on blue are whitish (red channel up); on white they are bluish (red channel down).
// Both blends keep the blue channel full.
struct Region {
    int pure = 0; // exactly the background
    int text = 0; // text pixels (any other colour)
    int foreign = 0; // colours that are neither blue/white blends
};

Region scan(const QImage& image, int x0, int x1, int y0, int y1, QColor background)
{
    Region r;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.rgb() == background.rgb())
                ++r.pure;
            else if (c.blue() >= 250 && std::abs(c.red() - c.green()) <= 2)
                ++r.text;
            else
                ++r.foreign;
        }
    return r;
}

TEST(SkinProgressBar, ThirtySevenPercentWhiteOnBlueThenBlueOnWhite)
{
    kivora::uitest::app();
    EXPECT_EQ(CSkinProgressBarCtrl::progressText(37), QStringLiteral("37 %"));
    for (double scale : { 1.0, 2.0 }) {
        const SkinStyle style = SkinStyle::forScale(scale);
        CSkinProgressBarCtrl bar(nullptr, style);
        EXPECT_EQ(bar.objectName(), QStringLiteral("progress bar"));
        // 100 design pixels wide: the text box spans the whole bar and the split runs through the text.
        const int w = style.s(100), h = style.s(22);
        bar.resize(w, h);
        bar.setRange(0, 100);
        bar.setPos(37);
        const int p = bar.bluePartWidth(w);
        EXPECT_EQ(p, static_cast<int>(w * 0.37));
        const QImage shot = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);

        const Region blue = scan(shot, 0, p, 0, h, CSkinProgressBarCtrl::kBlue);
        const Region white = scan(shot, p, w, 0, h, CSkinProgressBarCtrl::kWhite);
        EXPECT_EQ(blue.foreign, 0);
        EXPECT_EQ(white.foreign, 0);
        EXPECT_GT(blue.text, 0) << "white text over the blue part";
        EXPECT_GT(white.text, 0) << "blue text over the white part";
        // Whitish on blue, bluish on white.
        int brightest = 0, darkest = 255;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < p; ++x)
                brightest = std::max(brightest, shot.pixelColor(x, y).red());
            for (int x = p; x < w; ++x)
                darkest = std::min(darkest, shot.pixelColor(x, y).red());
        }
        EXPECT_GT(brightest, 200);
        EXPECT_LT(darkest, 60);
    }
}

TEST(SkinProgressBar, BlueWidthFollowsTheRange)
{
    kivora::uitest::app();
    CSkinProgressBarCtrl bar(nullptr, SkinStyle::forScale(1.0));
    bar.setRange(0, 200);
    bar.setPos(50);
    EXPECT_EQ(bar.bluePartWidth(400), 100);
    bar.setRange(5, 5); // a range below 1 shows no blue
    EXPECT_EQ(bar.bluePartWidth(400), 0);
    bar.setRange(0, 100);
    bar.setPos(150); // beyond the maximum the bar is all blue, and still paints
    bar.resize(100, 22);
    const QImage shot = bar.grab().toImage();
    EXPECT_EQ(shot.pixelColor(99, 1).rgb(), CSkinProgressBarCtrl::kBlue.rgb());
}

} // namespace
