#include "kivora/views/InfoPanelText.h"

#include <gtest/gtest.h>

#include <optional>

namespace kivora::views {
namespace {

recording::SystemTime at(int y, int mo, int d, int h, int mi, int s)
{
    recording::SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    return t;
}

std::string orNone(const std::optional<QString>& text)
{
    return text ? text->toStdString() : "<none>";
}

TEST(InfoPanelText, FrameDateTime)
{
    struct Case {
        recording::SystemTime start;
        int position;
        float msPerFrame;
        bool timeLapse;
        const char* expected;
    };
    const recording::SystemTime start = at(2023, 4, 5, 12, 0, 0);
    const Case cases[] = {
        { start, 0, 33.333f, false, "2023/04/05 12:00:00" },
        { start, 300, 33.333f, false, "2023/04/05 12:00:09" }, // 9999.9 ms: still second 9
        { start, 300, 33.333f, true, "2023/04/05 12:02:29" }, // fifteen times the real time
        { at(2055, 1, 1, 0, 0, 0), 0, 33.333f, false, "2020/01/01 00:00:00" },
        { at(2050, 6, 1, 8, 0, 0), 0, 33.333f, false, "2015/06/01 08:00:00" },
        { at(2049, 6, 1, 8, 0, 0), 0, 33.333f, false, "2049/06/01 08:00:00" },
        { at(2023, 12, 31, 23, 59, 59), 31, 33.3333f, false, "2024/01/01 00:00:00" }, // rolls the year
        { at(2024, 2, 28, 23, 59, 59), 31, 33.3333f, false, "2024/02/29 00:00:00" }, // leap day
        { start, -1, 33.333f, false, "<none>" },
        { recording::SystemTime {}, 0, 33.333f, false, "<none>" }, // no start time
        { at(2023, 2, 30, 0, 0, 0), 0, 33.333f, false, "<none>" }, // no such day
    };
    for (const Case& c : cases)
        EXPECT_EQ(orNone(frameDateTimeText(c.start, c.position, c.msPerFrame, c.timeLapse)),
            std::string(c.expected))
            << c.position << " " << c.start.year;
}

TEST(InfoPanelText, FileTimeRoundTrip)
{
    const recording::SystemTime t = at(2023, 4, 5, 12, 34, 56);
    const auto ft = toFileTime(t);
    ASSERT_TRUE(ft);
    recording::SystemTime back = fromFileTime(*ft);
    EXPECT_EQ(back.dayOfWeek, 3); // a Wednesday
    back.dayOfWeek = 0;
    EXPECT_EQ(back, t);
    EXPECT_EQ(*toFileTime(at(1601, 1, 1, 0, 0, 0)), 0);
}

TEST(InfoPanelText, SpeedVoltageAndAcceleration)
{
    EXPECT_EQ(orNone(speedText(0.0, true)), std::string("0 "));
    EXPECT_EQ(orNone(speedText(45.4, true)), std::string("45 "));
    EXPECT_EQ(orNone(speedText(999.0, true)), std::string("999 "));
    EXPECT_EQ(orNone(speedText(1000.0, true)), std::string("<none>"));
    EXPECT_EQ(orNone(speedText(45.0, false)), std::string("<none>")); // no fix
    EXPECT_EQ(orNone(speedText(-1.0, true)), std::string("<none>")); // no GPS record

    EXPECT_EQ(orNone(voltageText(118)), std::string("11.8"));
    EXPECT_EQ(orNone(voltageText(125)), std::string("12.5"));
    EXPECT_EQ(orNone(voltageText(0)), std::string("0.0"));
    EXPECT_EQ(orNone(voltageText(-1)), std::string("<none>"));

    struct Case {
        double g;
        const char* expected;
    };
    const Case cases[] = {
        { -0.129, "-0.12G" },
        { -0.125, "-0.12G" },
        { 0.999, "0.99G" },
        { 1.5, "1.50G" },
        // Thousandths as the decoder gives them; 0.29 × 100 is 28.999… in binary.
        { 290 / 1000.0, "0.29G" },
        { -570 / 1000.0, "-0.57G" },
        { 1160 / 1000.0, "1.16G" },
        { 0.0, "0.00G" },
        { -4.99, "-4.99G" },
        { -5.0, "<none>" },
        { -7.0, "<none>" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(orNone(accelerationText(c.g)), std::string(c.expected)) << c.g;
}

TEST(InfoPanelText, RateTextsAndBadges)
{
    EXPECT_EQ(rateText(1), QString::fromUtf8("再生速度x1.0"));
    EXPECT_EQ(rateText(2), QString::fromUtf8("再生速度x2.0"));
    EXPECT_EQ(rateText(4), QString::fromUtf8("再生速度x4.0"));
    EXPECT_EQ(rateText(-2), QString::fromUtf8("再生速度x0.5"));
    EXPECT_EQ(rateText(-4), QString::fromUtf8("再生速度x0.25"));
    EXPECT_TRUE(rateText(-1).isEmpty());
    EXPECT_TRUE(rateText(0).isEmpty());

    EXPECT_EQ(qualityBadgeId(0), 0);
    EXPECT_EQ(qualityBadgeId(1), 331);
    EXPECT_EQ(qualityBadgeId(10), 340);
    EXPECT_EQ(qualityBadgeId(11), 0);
    EXPECT_EQ(statusBadgeId('R'), 195);
    EXPECT_EQ(statusBadgeId('r'), 358);
    EXPECT_EQ(statusBadgeId('M'), 359);
}

} // namespace
} // namespace kivora::views
