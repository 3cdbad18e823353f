#include "kivora/export/StillWriter.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/TelemetryReader.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

using namespace kivora::exporting;
using kivora::testing::runProgram;
namespace fs = std::filesystem;
namespace rec = kivora::recording;

namespace {

// Tags as exiftool reads them, in numbers (-n), by tag name.
std::map<std::string, std::string> exifTags(const fs::path& jpeg)
{
    const auto r = runProgram(
        { "exiftool", "-n", "-s", "-DateTimeOriginal", "-SubSecTimeOriginal", "-GPSLatitude", "-GPSLongitude",
            "-GPSSpeed", "-GPSSpeedRef", "-Software", "-ImageDescription", "-ImageWidth", jpeg.string() });
    std::map<std::string, std::string> tags;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        key.erase(key.find_last_not_of(' ') + 1);
        tags[key] = line.substr(colon + 2);
    }
    return tags;
}

QImage picture()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

} // namespace

TEST(StillWriter, PlaceAndTimeOfTheFrameReadBack)
{
    rec::setCurrentLayout(0);
    TempFolder card;
    const auto entries
        = kivora::exporting::test::writeCard(card.path(), { .recordings = 1, .withSub = false });
    ASSERT_EQ(entries.size(), 1u);
    const fs::path movie = entries[0].path;
    std::vector<rec::GpsSample> track;
    ASSERT_TRUE(rec::ReadTrack(std::span<const fs::path>(&movie, 1), track));
    const rec::GpsSample* fix = nullptr;
    for (const auto& s : track)
        if (s.valid == 1 && s.dateTime.year != 0 && s.speed != rec::kNoSpeed)
            fix = &s;
    ASSERT_NE(fix, nullptr) << "the generated card has no valid fix";

    const StillStamp stamp = StampForFrame(movie, 12, 1000.0 / 30, fix);
    const fs::path jpeg = card / "still.jpg";
    std::string error;
    ASSERT_TRUE(WriteStill(picture(), jpeg, stamp, 90, error)) << error;
    auto tags = exifTags(jpeg);

    char when[64];
    std::snprintf(when, sizeof when, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(fix->dateTime.year),
        unsigned(fix->dateTime.month), unsigned(fix->dateTime.day), unsigned(fix->dateTime.hour),
        unsigned(fix->dateTime.minute), unsigned(fix->dateTime.second));
    EXPECT_EQ(tags["DateTimeOriginal"], when);
    EXPECT_NEAR(std::atof(tags["GPSLatitude"].c_str()), fix->latitude, 1e-6);
    EXPECT_NEAR(std::atof(tags["GPSLongitude"].c_str()), fix->longitude, 1e-6);
    EXPECT_NEAR(std::atof(tags["GPSSpeed"].c_str()), fix->speed, 0.01);
    EXPECT_EQ(tags["GPSSpeedRef"], "K");
    EXPECT_EQ(tags["Software"].rfind("kivora ", 0), 0u) << tags["Software"];
    EXPECT_EQ(tags["ImageDescription"], movie.filename().string() + " frame 12");
    EXPECT_EQ(tags["ImageWidth"], "64");
}

TEST(StillWriter, WithoutTelemetryTheTimeComesFromTheName)
{
    TempFolder folder;
    // 450 frames at 30 fps: 15 s after the start in the name. No record: no position.
    const StillStamp stamp = StampForFrame("AG__-230115-083000-000123M.MOV", 450, 1000.0 / 30, nullptr);
    EXPECT_FALSE(stamp.hasFix);
    const fs::path jpeg = folder / "230115-083000-M-000450.jpg";
    std::string error;
    ASSERT_TRUE(WriteStill(picture(), jpeg, stamp, 90, error)) << error;
    auto tags = exifTags(jpeg);
    EXPECT_EQ(tags["DateTimeOriginal"], "2023:01:15 08:30:15");
    EXPECT_EQ(tags.count("GPSLatitude"), 0u);

    // A record without a valid fix gives its time but no place.
    rec::GpsSample noFix;
    noFix.valid = 0;
    noFix.dateTime = { 2023, 1, 15, 0, 8, 31, 2, 0 };
    EXPECT_FALSE(StampForFrame("AG__-230115-083000-000123M.MOV", 0, 33.3, &noFix).hasFix);
}

TEST(StillWriter, AFailedWriteLeavesNothing)
{
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(WriteStill(picture(), folder / "missing" / "x.jpg", {}, 90, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WriteStill(QImage(), folder / "x.jpg", {}, 90, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_empty(folder.path()));
}
