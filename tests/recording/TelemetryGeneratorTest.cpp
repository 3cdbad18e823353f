// The decoder against the generator's own record of what it wrote: never decoder against itself.

#include "kivora/recording/TelemetryReader.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/RecordingWriter.h"

#include <gtest/gtest.h>

using namespace kivora;

namespace {
int axisCode(char axis)
{
    switch (axis) {
    case 'X': return 1;
    case 'Y': return 2;
    case 'Z': return 3;
    default: return 0;
    }
}
} // namespace

TEST(TelemetryGenerator, DecodedRecordsEqualWhatTheGeneratorWrote)
{
    const democard::Trigger triggers[] = {
        democard::Trigger::Shock, democard::Trigger::Parking, democard::Trigger::Manual};
    for (const democard::Trigger trigger : triggers) {
        TempFolder dir;
        democard::RecordingRecipe recipe;
        recipe.trigger = trigger;
        recipe.seriesStart = true;
        recipe.frameCount = 150;
        recipe.main = {320, 180};
        recipe.withSub = false;
        recipe.audio = false;
        recipe.overlay = false;
        recipe.movieFolder = dir.path();
        const auto written = democard::writeRecording(recipe, 7);
        ASSERT_TRUE(written) << written.error;
        const democard::WrittenRecording& w = *written.value;
        ASSERT_TRUE(w.data.has_value());

        recording::TelemetryReader reader;
        ASSERT_TRUE(recording::InitReader(reader));
        ASSERT_TRUE(recording::Load(reader, *w.data));
        ASSERT_EQ(reader.gps.size(), w.records.size());
        for (std::size_t i = 0; i < w.records.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << w.name << " record " << i);
            const democard::TelemetryRecord& r = w.records[i];
            const recording::GpsSample& gps = reader.gps[i];
            const recording::MotionSample& motion = reader.motion[i];
            EXPECT_EQ(gps.valid, r.valid ? 1 : 0);
            if (r.valid) {
                EXPECT_NEAR(gps.latitude, r.latitude, 1e-9);
                EXPECT_NEAR(gps.longitude, r.longitude, 1e-9);
            }
            if (r.speedKmh >= 0)
                EXPECT_EQ(gps.speed, r.speedKmh);
            else
                EXPECT_EQ(gps.speed, recording::kNoSpeed);
            // The decoder keeps single precision for the axes.
            EXPECT_NEAR(motion.accelX, r.accelX / 1000.0, 1e-6);
            EXPECT_NEAR(motion.accelY, r.accelY / 1000.0, 1e-6);
            EXPECT_NEAR(motion.accelZ, r.accelZ / 1000.0, 1e-6);
            EXPECT_EQ(motion.shockAxis, axisCode(r.shockAxis));
            EXPECT_EQ(motion.speeding, r.speeding ? recording::kEventSpeeding : 0);
            EXPECT_EQ(motion.code122, r.status);
            // The supply voltage shown with a record is the next record's.
            const int nextVoltage = i + 1 < w.records.size() ? w.records[i + 1].voltageTenths : 0;
            EXPECT_EQ(motion.code48, nextVoltage);
        }
    }
}
