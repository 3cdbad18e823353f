#include "kivora/export/EngineStills.h"
#include "kivora/export/StillWriter.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/recording/FolderLayout.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/CameraFixture.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/FrameCode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>

using namespace kivora::exporting;
using kivora::playback::MovieEngine;
using kivora::playback::test::Camera;
using kivora::testing::runProgram;
namespace rec = kivora::recording;
namespace fs = std::filesystem;

namespace {

int frameCode(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return kivora::democard::readFrameCode(
        rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()));
}

std::string exifValue(const fs::path& jpeg, const char* tag)
{
    auto r = runProgram({ "exiftool", "-n", "-s3", std::string("-") + tag, jpeg.string() });
    while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r'))
        r.out.pop_back();
    return r.out;
}

} // namespace

TEST(EngineStills, AStillOfTheShownFrameCarriesItsRecord)
{
    rec::setCurrentLayout(0);
    MovieEngine closed;
    EXPECT_TRUE(EnginePicture(closed).isNull());
    EXPECT_FALSE(EngineFix(closed, 0));

    TempFolder card;
    const auto entries = kivora::exporting::test::writeCard(
        card.path(), { .recordings = 1, .frames = 150, .withSub = false });
    ASSERT_EQ(entries.size(), 1u);
    const fs::path movie = entries[0].path;
    Camera camera(QSize(320, 180));
    MovieEngine engine;
    ASSERT_TRUE(engine.Init(camera.window(), "Noto Sans CJK JP"));
    ASSERT_EQ(engine.Open(movie), 1);
    ASSERT_TRUE(processEventsUntil([&] { return camera.ready == 1; }));
    ASSERT_TRUE(engine.LoadTelemetry(movie));
    {
        // As the window does once the loader is done: the views (and stills) read the adopted copy.
        std::lock_guard lock(engine.lock());
        engine.adoptLoadedTelemetry();
    }
    // The first frame whose record has a fix (the generated drive starts without one).
    int frame = 0;
    while (frame < 149 && !(EngineFix(engine, frame) && EngineFix(engine, frame)->valid == 1))
        ++frame;
    ASSERT_EQ(engine.SeekAndHold(frame), 1);
    ASSERT_TRUE(processEventsUntil([&] { return frameCode(EnginePicture(engine)) == frame; }));

    const auto fix = EngineFix(engine, frame);
    ASSERT_TRUE(fix);
    ASSERT_EQ(fix->valid, 1) << "no fix in the generated recording";
    const fs::path jpeg = card / "still.jpg";
    std::string error;
    ASSERT_TRUE(WriteStill(
        EnginePicture(engine), jpeg, StampForFrame(movie, frame, engine.GetFramePeriod(), &*fix), 95, error))
        << error;
    EXPECT_EQ(frameCode(QImage(QString::fromStdString(jpeg.string()))), frame);
    char when[64];
    std::snprintf(when, sizeof when, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(fix->dateTime.year),
        unsigned(fix->dateTime.month), unsigned(fix->dateTime.day), unsigned(fix->dateTime.hour),
        unsigned(fix->dateTime.minute), unsigned(fix->dateTime.second));
    EXPECT_EQ(exifValue(jpeg, "DateTimeOriginal"), when);
    EXPECT_NEAR(std::atof(exifValue(jpeg, "GPSLatitude").c_str()), fix->latitude, 1e-6);
    EXPECT_NEAR(std::atof(exifValue(jpeg, "GPSLongitude").c_str()), fix->longitude, 1e-6);
    engine.Close();
}
