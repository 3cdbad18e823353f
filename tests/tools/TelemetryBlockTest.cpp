#include "tools/democard/TelemetryBlock.h"
#include "tools/democard/RecordingName.h"

#include <gtest/gtest.h>

#include <string>

using namespace kivora::democard;

namespace {
std::string text(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n)
{
    return std::string(
        b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}
} // namespace

TEST(DemocardTelemetryBlock, HeaderCountRecordsAndTrailerSitAtTheirOffsets)
{
    TelemetryHeader h;
    TelemetryRecord a;
    a.valid = true;
    a.latitude = 35.0 + 39.1234 / 60.0;
    a.longitude = 139.0 + 42.5 / 60.0;
    roundPositionToFields(a);
    a.speedKmh = 45;
    a.time = { 2023, 1, 15, 23, 59, 59 };
    a.addSeconds = 1;
    a.voltageTenths = 125;
    a.accelX = -123;
    a.accelY = 1000;
    a.accelZ = 0;
    a.manual = true;
    a.shockAxis = 'Y';
    a.driveSupport = 'B';
    a.emergencyStop = true;
    a.parking = true;
    a.speeding = true;
    a.status = 'r';
    TelemetryRecord b; // invalid fix: blank position and speed, '*' seconds
    b.time = { 2023, 1, 16, 0, 0, 0 };
    b.addSeconds = -1;
    b.latitude = -12.5;

    const std::vector<TelemetryRecord> records { a, b };
    const auto block = encodeBlock(h, records);
    ASSERT_EQ(block.size(), 34u + 2 * 124u + 12u);
    EXPECT_EQ(text(block, 0, 6), "CSMDAT");
    EXPECT_EQ(text(block, 6, 26), "0500050008000000M010203H0N");
    EXPECT_EQ(block[32], 0);
    EXPECT_EQ(block[33], 2);
    const std::size_t r = 34;
    EXPECT_EQ(block[r + 5], 'A');
    EXPECT_EQ(text(block, r + 6, 9), "3539.1234");
    EXPECT_EQ(block[r + 15], 'N');
    EXPECT_EQ(text(block, r + 16, 10), "13942.5000");
    EXPECT_EQ(block[r + 26], 'E');
    EXPECT_EQ(text(block, r + 27, 4), "0045");
    EXPECT_EQ(text(block, r + 31, 12), "230115235959");
    EXPECT_EQ(text(block, r + 44, 3), "001");
    EXPECT_EQ(text(block, r + 48, 3), "125");
    EXPECT_EQ(text(block, r + 57, 15), "-0123+1000+0000");
    EXPECT_EQ(text(block, r + 72, 6), "DYBDDD");
    EXPECT_EQ(text(block, r + 78, 34), std::string(34, ' ')); // no vehicle data
    EXPECT_EQ(block[r + 122], 'r');

    const std::size_t s = r + 124;
    EXPECT_EQ(block[s + 5], 'V');
    EXPECT_EQ(text(block, s + 6, 9), std::string(9, ' '));
    EXPECT_EQ(text(block, s + 16, 10), std::string(10, ' '));
    EXPECT_EQ(text(block, s + 27, 4), "    ");
    EXPECT_EQ(text(block, s + 44, 1), "*");
    EXPECT_EQ(text(block, s + 48, 3), "   ");
    EXPECT_EQ(text(block, s + 72, 6), "N NNNN");

    EXPECT_EQ(text(block, s + 124, 12), "CSMEND230101");
    EXPECT_NEAR(a.latitude, 35.652057, 1e-6);
}

TEST(DemocardTelemetryBlock, EmptyBlockAndMissingGpsVersion)
{
    TelemetryHeader h;
    h.gpsVersion.clear();
    const auto block = encodeBlock(h, {});
    ASSERT_EQ(block.size(), 46u);
    EXPECT_EQ(text(block, 32, 2), std::string("\0\0", 2));
    EXPECT_EQ(text(block, 34, 12), "CSMEND      ");
}

TEST(DemocardTelemetryBlock, PositionFieldsRoundAndKeepTheirHemisphere)
{
    struct Case {
        double latitude;
        double longitude;
        const char* latField;
        const char* lonField;
    };
    const Case cases[] = {
        { 35.0 + 59.99996 / 60.0, 139.5, "3600.0000", "13930.0000" }, // minutes round up into the degrees
        { -33.8688, -151.2093, "3352.1280", "15112.5580" },
        { 0.0, 0.0, "0000.0000", "00000.0000" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latField);
        EXPECT_EQ(latitudeField(c.latitude), c.latField);
        EXPECT_EQ(longitudeField(c.longitude), c.lonField);
        TelemetryRecord r;
        r.valid = true;
        r.latitude = c.latitude;
        r.longitude = c.longitude;
        roundPositionToFields(r);
        std::uint8_t bytes[kRecordBytes];
        encodeRecord(r, 0, bytes);
        EXPECT_EQ(bytes[15] != 0, c.latitude >= 0);
        EXPECT_EQ(bytes[26] != 0, c.longitude >= 0);
        EXPECT_NEAR(r.latitude, c.latitude, 1e-6);
        EXPECT_EQ(latitudeField(r.latitude), c.latField); // rounding is stable
    }
}

TEST(DemocardNames, EveryTriggerGivesAThirtyCharacterRecorderName)
{
    const DateTime start { 2023, 1, 15, 8, 30, 0 };
    struct Case {
        Trigger trigger;
        bool series;
        const char* name;
    };
    const Case cases[] = {
        { Trigger::Continuous, true, "A__S-230115-083000-000123M.MOV" },
        { Trigger::Shock, false, "AG__-230115-083000-000123M.MOV" },
        { Trigger::Manual, false, "AM__-230115-083000-000123M.MOV" },
        { Trigger::SpeedCamera, false, "A_O_-230115-083000-000123M.MOV" },
        { Trigger::Radar, false, "A_R_-230115-083000-000123M.MOV" },
        { Trigger::TimeLapse, false, "T___-230115-083000-000123M.MOV" },
        { Trigger::Parking, true, "P__S-230115-083000-000123M.MOV" },
        { Trigger::ParkingShock, false, "PG__-230115-083000-000123M.MOV" },
        { Trigger::ParkingTimeLapse, false, "P_T_-230115-083000-000123M.MOV" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recordingName(c.trigger, c.series, start, 123, 'M'), c.name);
        Trigger back;
        ASSERT_TRUE(triggerFromName(triggerName(c.trigger), back));
        EXPECT_EQ(back, c.trigger);
    }
    EXPECT_EQ(recordingName(Trigger::Shock, false, start, 1234567, 'D'), "AG__-230115-083000-234567D.ADA");
}

TEST(DemocardNames, DatesRollOverAndBadDatesAreRejected)
{
    EXPECT_EQ(addSeconds({ 2023, 12, 31, 23, 59, 59 }, 1), (DateTime { 2024, 1, 1, 0, 0, 0 }));
    EXPECT_EQ(addSeconds({ 2024, 2, 28, 12, 0, 0 }, 86400), (DateTime { 2024, 2, 29, 12, 0, 0 }));
    DateTime t;
    EXPECT_TRUE(parseYyMmDd("240229", t));
    EXPECT_FALSE(parseYyMmDd("230229", t));
    EXPECT_FALSE(parseYyMmDd("2301", t));
    EXPECT_FALSE(parseYyMmDd("23a115", t));
}
