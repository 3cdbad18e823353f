#include "kivora/recording/TelemetryDecode.h"
#include "kivora/recording/TelemetryReader.h"

#include "tests/recording/TelemetryFixtures.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace kivora::recording;
using kivora::testing::encodeBlock;
using kivora::testing::encodeRecord;
using kivora::testing::RecordFields;

namespace {

GpsSample gpsOf(const RecordFields& r)
{
    const auto rec = encodeRecord(r);
    return DecodeGpsSample(RecordBytes(rec.data(), 124), 0, kMsPerRecord);
}

MotionSample motionOf(const RecordFields& r)
{
    const auto rec = encodeRecord(r);
    return DecodeMotionSample(RecordBytes(rec.data(), 124), 0, kMsPerRecord);
}

std::span<const std::uint8_t> text(std::string_view s)
{
    return { reinterpret_cast<const std::uint8_t*>(s.data()), s.size() };
}

} // namespace

TEST(TelemetryDecode, PositionAndSpeedFields)
{
    struct Case {
        const char* latitude;
        std::uint8_t sign;
        const char* speed;
        double expectedLatitude;
        double expectedSpeed;
    } cases[] = {
        { "3539.1234", 'N', "0045", 35.652056666, 45.0 }, { "3539.1234", 0, "0045", -35.652056666, 45.0 },
        { "         ", 'N', "    ", kNoPosition, kNoSpeed },
        { "  35.5000", 'N', " 7.5", 0.591666666, 7.5 }, // leading blanks and a decimal point are accepted
        { "9e99     ", 'N', "+ 12", 0.0, 0.0 }, // absurd values do not overflow
    };
    for (const Case& c : cases) {
        RecordFields r;
        r.latitude = c.latitude;
        r.latitudeSign = c.sign;
        r.speed = c.speed;
        const GpsSample g = gpsOf(r);
        if (std::string_view(c.latitude).starts_with("9e99"))
            EXPECT_TRUE(std::isfinite(g.latitude));
        else
            EXPECT_NEAR(g.latitude, c.expectedLatitude, 1e-6) << c.latitude;
        EXPECT_DOUBLE_EQ(g.speed, c.expectedSpeed) << c.speed;
    }
    RecordFields r;
    r.longitude = "13945.6789";
    r.longitudeSign = 0;
    r.status = 'V';
    const GpsSample g = gpsOf(r);
    EXPECT_NEAR(g.longitude, -(139 + 45.6789 / 60.0), 1e-9);
    EXPECT_EQ(g.valid, 0);
    EXPECT_EQ(gpsOf(RecordFields {}).valid, 1);
}

TEST(TelemetryDecode, NumbersIgnoreTheProcessLocale)
{
    // A UI toolkit may switch LC_NUMERIC to a locale with a decimal comma.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    RecordFields r;
    r.speed = "12.5";
    EXPECT_DOUBLE_EQ(gpsOf(r).speed, 12.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(FieldToLong(text("  -12x")), -12);
    EXPECT_EQ(FieldToLong(text("--5")), 0);
    EXPECT_DOUBLE_EQ(FieldToDouble(text("+1000")), 1000.0);
}

TEST(TelemetryDecode, DateAndTimeAddSecondsUnlessStarred)
{
    struct Case {
        const char* dateTime;
        const char* add;
        SystemTime expected;
    } cases[] = {
        { "230115235959", "001", { 2023, 1, 1, 16, 0, 0, 0, 0 } },
        { "230115235959", "*01", { 2023, 1, 0, 15, 23, 59, 59, 0 } },
        { "230228235930", "045", { 2023, 3, 3, 1, 0, 0, 15, 0 } },
        { "230229120000", "000", { 2023, 3, 3, 1, 12, 0, 0, 0 } }, // day 29 of a common year rolls over
    };
    for (const Case& c : cases) {
        RecordFields r;
        r.dateTime = c.dateTime;
        r.addSeconds = c.add;
        EXPECT_EQ(gpsOf(r).dateTime, c.expected) << c.dateTime << " + " << c.add;
    }
}

TEST(TelemetryDecode, EventsAxisSpeedingAndAcceleration)
{
    struct Case {
        char manual, axis, support, emergency, parking, speeding;
        int event, shockAxis, speedingCode;
    } cases[] = {
        { 'D', 'X', 'N', 'D', '_', '_', 6, 1, 0 }, // emergency wins over manual
        { 'D', 'Y', 'A', '_', 'D', 'D', 5, 2, 8 },
        { '_', 'Z', 'A', '_', 'D', '_', 7, 3, 0 },
        { '_', '_', 'A', '_', '_', '_', 12, 0, 0 },
        { '_', '_', 'B', '_', '_', '_', 13, 0, 0 },
        { '_', '_', 'H', '_', '_', '_', 11, 0, 0 },
        { '_', 'x', 'N', '_', '_', '_', -1, 0, 0 },
    };
    for (const Case& c : cases) {
        RecordFields r;
        r.manual = c.manual;
        r.shockAxis = c.axis;
        r.driveSupport = c.support;
        r.emergency = c.emergency;
        r.parking = c.parking;
        r.speeding = c.speeding;
        const MotionSample m = motionOf(r);
        EXPECT_EQ(m.eventCode, c.event);
        EXPECT_EQ(m.shockAxis, c.shockAxis);
        EXPECT_EQ(m.speeding, c.speedingCode);
    }
    RecordFields r;
    r.accelX = "-0123";
    r.accelY = "+1000";
    r.accelZ = "     ";
    const MotionSample m = motionOf(r);
    EXPECT_EQ(m.accelX, static_cast<double>(-123.0f / 1000.0f));
    EXPECT_EQ(m.accelY, 1.0);
    EXPECT_EQ(m.accelZ, 0.0);
}

TEST(TelemetryDecode, HeaderValuesOnlyForTypesThatCarryThem)
{
    auto decode = [](const std::string& text, bool timeLapse) {
        TelemetryHeader h;
        EXPECT_TRUE(DecodeBlockHeader(
            { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() }, timeLapse, h));
        return h;
    };
    const TelemetryHeader m = decode(kivora::testing::headerText("0500100015002000", 'M', 'H', 'J'), false);
    EXPECT_FLOAT_EQ(m.value0, 0.5f);
    EXPECT_FLOAT_EQ(m.value3, 2.0f);
    EXPECT_EQ(m.typeLetter, 'M');
    EXPECT_EQ(std::string(m.raw6.data(), 6), "010203");
    EXPECT_EQ(m.qualityLetter, 'H');
    EXPECT_EQ(m.code25, 'J');
    EXPECT_EQ(m.timeLapseLetter, 'N');
    const TelemetryHeader x = decode(kivora::testing::headerText("0500100015002000", 'X', 'L', 'J'), true);
    EXPECT_FLOAT_EQ(x.value0, -1.0f);
    EXPECT_FLOAT_EQ(x.value2, -1.0f);
    EXPECT_EQ(x.timeLapseLetter, 'T');

    TelemetryHeader none;
    EXPECT_FALSE(DecodeBlockHeader(text("short"), false, none));
}

TEST(TelemetryDecode, RepeatedHeadersLetTheLastCompleteOneWin)
{
    // Header, count, then at header offset 30 "@CS" + an upper-case letter: the header moves on by 34.
    std::string data = kivora::testing::headerText("0100010001000100", 'M');
    data += std::string("\0\0", 2);
    data += "xx@CSM";
    data += kivora::testing::headerText("0900090009000900", 'D');
    TelemetryHeader h;
    ASSERT_TRUE(DecodeBlockHeader(text(data), false, h));
    EXPECT_FLOAT_EQ(h.value0, 0.9f);
    EXPECT_EQ(h.typeLetter, 'D');

    // A lower-case letter, or a second header cut short, keeps the first.
    std::string lower = data;
    lower[33] = 'm';
    ASSERT_TRUE(DecodeBlockHeader(text(lower), false, h));
    EXPECT_FLOAT_EQ(h.value0, 0.1f);
    ASSERT_TRUE(DecodeBlockHeader(text(std::string_view(data).substr(0, 40)), false, h));
    EXPECT_FLOAT_EQ(h.value0, 0.1f);
}

TEST(TelemetryDecode, TimeLapseNamesAndRecordTimes)
{
    EXPECT_TRUE(IsTimeLapseDataName("/c/T___-230115-083000-000123D.ADA"));
    EXPECT_TRUE(IsTimeLapseDataName("/c/A_T_-230115-083000-000123D.ADA"));
    EXPECT_FALSE(IsTimeLapseDataName("/T/AG__-230115-083000-000123D.ADA"));

    const auto rec = encodeRecord(RecordFields {});
    EXPECT_EQ(DecodeGpsSample(RecordBytes(rec.data(), 124), 3, kMsPerRecord).time, 300);
    EXPECT_EQ(DecodeMotionSample(RecordBytes(rec.data(), 124), 2, kMsPerRecordTimeLapse).time, 133);
}
