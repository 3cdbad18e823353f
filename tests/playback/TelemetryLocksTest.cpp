// The engine's locks around the telemetry readers: order, and release on every path out.

#include "kivora/playback/TelemetryLocks.h"

#include "kivora/recording/RecordingName.h"
#include "tests/recording/TelemetryFixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace kivora;
using kivora::testing::encodeBlock;
using kivora::testing::plainRecords;
using kivora::testing::TempFolder;
using kivora::testing::writeFile;

// A lock that writes what happens to it into a shared log.
struct LoggedLock {
    std::string name;
    std::vector<std::string>& log;
    int held = 0;
    void lock()
    {
        log.push_back("+" + name);
        ++held;
    }
    void unlock()
    {
        log.push_back("-" + name);
        --held;
    }
};

TEST(TelemetryLocks, TakeParserThenApiAndReleaseThemWhetherTheReadSucceedsOrNot)
{
    TempFolder folder("telemetry-locks");
    const auto movie = folder / "AG__-230115-083000-000123M.MOV";
    const auto missing = folder / "AG__-230115-083100-000124M.MOV";
    kivora::testing::BlockOptions options;
    options.trailer = "231201";
    writeFile(recording::DataPath(movie), encodeBlock(plainRecords(5), options));

    std::vector<std::string> log;
    LoggedLock parser { "parser", log }, api { "api", log };
    const std::vector<std::string> apiOnly { "+api", "-api" };
    for (const auto& path : { movie, missing }) {
        SCOPED_TRACE(path.filename().string());
        const bool present = path == movie;
        recording::TelemetryHeader header;
        log.clear();
        EXPECT_EQ(playback::ReadHeader(api, path, header), present);
        EXPECT_EQ(log, apiOnly);

        std::array<char, 6> trailer {};
        log.clear();
        EXPECT_EQ(playback::ReadTrailer(api, path, trailer), present);
        EXPECT_EQ(log, apiOnly);

        std::vector<recording::GpsSample> track;
        const std::filesystem::path movies[] = { path };
        log.clear();
        EXPECT_EQ(playback::ReadTrack(api, std::span<const std::filesystem::path>(movies), track), present);
        EXPECT_EQ(log, apiOnly);
        EXPECT_EQ(track.size(), present ? 5u : 0u);

        recording::TelemetryReader current, preload;
        recording::InitReader(current);
        recording::InitReader(preload);
        log.clear();
        EXPECT_TRUE(playback::LoadForMovie(parser, api, current, preload, path));
        EXPECT_EQ(log, (std::vector<std::string> { "+parser", "+api", "-api", "-parser" }));
        EXPECT_EQ(current.loaded, present);
    }
    EXPECT_EQ(parser.held, 0);
    EXPECT_EQ(api.held, 0);
}

} // namespace
