#include "kivora/ui/SkinFontSet.h"

#include "tests/ui/UiTestApp.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

#include <gtest/gtest.h>

using kivora::ui::SkinFontSet;

TEST(SkinFontSet, PointSizeTruncatesTwice)
{
    struct Case {
        int size;
        double scale;
        double ratio;
        int expected;
    };
    const Case cases[] = {
        {9, 1.0, 1.0, 9},
        {13, 1.5, 1.0, 19},   // 19.5 truncates
        {10, 1.25, 1.25, 9},  // (int)12.5 = 12, 12 / 1.25 = 9.6
        {22, 2.0, 1.5, 29},   // 44 / 1.5 = 29.33
        {17, 0.75, 1.0, 12},  // 12.75
        {10, 1.0, 0.0, 0},    // no ratio: no size rather than a division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(SkinFontSet::scaledPointSize(c.size, c.scale, c.ratio), c.expected)
            << c.size << " " << c.scale << " " << c.ratio;
}

TEST(SkinFontSet, PixelHeightRoundsLikeMulDiv)
{
    EXPECT_EQ(SkinFontSet::pixelHeight(9, 96), 12);
    EXPECT_EQ(SkinFontSet::pixelHeight(10, 96), 13); // 13.33
    EXPECT_EQ(SkinFontSet::pixelHeight(13, 120), 22); // 21.67
    EXPECT_EQ(SkinFontSet::pixelHeight(3, 96), 4);    // exactly 4
    EXPECT_EQ(SkinFontSet::pixelHeight(15, 96), 20);
    EXPECT_EQ(SkinFontSet::pixelHeight(1, 108), 2);   // 1.5 rounds away from zero
}

TEST(SkinFontSet, CreatesFiveScaledFontsThatShowJapanese)
{
    kivora::uitest::app();
    SkinFontSet fonts;
    EXPECT_FALSE(fonts.isCreated());
    EXPECT_EQ(fonts.f13(), QGuiApplication::font()); // empty set: the system font

    ASSERT_TRUE(fonts.create(1.5, 1.0, 96));
    const int expected[] = {17, 20, 25, 33, 44}; // MulDiv((int)(1.5 × size), 96, 72)
    for (int i = 0; i < 5; ++i) {
        const QFont f = fonts.font(static_cast<SkinFontSet::Size>(i));
        EXPECT_EQ(f.pixelSize(), expected[i]) << i;
        EXPECT_EQ(f.families().value(0), SkinFontSet::faceName());
        EXPECT_FALSE(f.bold());
        EXPECT_FALSE(f.italic());
    }
    EXPECT_EQ(SkinFontSet::faceName(), QStringLiteral("メイリオ"));
    // The face is missing on Linux; it must resolve to the Japanese face, not to a Latin one.
    EXPECT_EQ(QFontInfo(fonts.f10()).family(), QStringLiteral("Noto Sans CJK JP"));
    const QFontMetrics metrics(fonts.f10());
    EXPECT_TRUE(metrics.inFont(QChar(0x3042))); // あ
    EXPECT_TRUE(metrics.inFont(QChar(0x95C9))); // 閉

    fonts.destroy();
    EXPECT_FALSE(fonts.isCreated());
    EXPECT_FALSE(fonts.create(1.0, 0.0, 96));
}
