#include "kivora/recording/AtomScan.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/TelemetryReader.h"

#include "tests/recording/TelemetryFixtures.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

using namespace kivora::recording;
using kivora::testing::TempFolder;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::vector<std::string> lines;
};

// Runs kivora-cli with times in UTC.
CliRun runCli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), { "env", "TZ=UTC", KIVORA_CLI_PATH });
    const kivora::testing::RunResult result = kivora::testing::runProgram(std::move(arguments));
    CliRun run { result.status, result.out, {} };
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);)
        run.lines.push_back(line);
    return run;
}

std::filesystem::path onlyFile(const std::filesystem::path& folder, std::string_view extension)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == extension)
            return entry.path();
    }
    return {};
}

} // namespace

TEST(TelemetryCli, RowsCarryTheMovieFramesInEveryFormat)
{
    TempFolder card("telemetry-cli");
    ASSERT_EQ(runCli({ "democard", card.path().string(), "--tiny", "1", "--no-sub", "--jobs", "1", "--layout",
                         "1" })
                  .status,
        0);
    const auto movie = onlyFile(card / "Video", ".MOV");
    const auto data = onlyFile(card / "_VData", ".ADA");
    ASSERT_FALSE(movie.empty());
    ASSERT_FALSE(data.empty());

    // What the player would show for this movie.
    TelemetryReader reader;
    InitReader(reader);
    ASSERT_TRUE(Load(reader, data));
    ASSERT_GT(reader.gps.size(), 2u);
    TelemetryReader probe;
    ASSERT_NE(ProbeTiming(probe, movie), kProbeFailed);
    const auto tree = OpenMovieTree(movie);
    ASSERT_TRUE(tree);
    ASSERT_TRUE(BuildFrameIndex(reader, FrameCount(*tree), probe.msPerFrame));

    const CliRun json = runCli({ "telemetry", movie.string() });
    ASSERT_EQ(json.status, 0);
    ASSERT_EQ(json.lines.size(), reader.gps.size());
    for (std::size_t i = 0; i < json.lines.size(); ++i) {
        const std::string prefix
            = "{\"index\":" + std::to_string(i) + ",\"frame\":" + std::to_string(reader.motion[i].time) + ",";
        EXPECT_EQ(json.lines[i].rfind(prefix, 0), 0u) << json.lines[i];
        EXPECT_EQ(json.lines[i].back(), '}');
    }

    const CliRun csv = runCli({ "telemetry", movie.string(), "--format", "csv" });
    ASSERT_EQ(csv.status, 0);
    ASSERT_EQ(csv.lines.size(), reader.gps.size() + 1);
    EXPECT_EQ(csv.lines[0],
        "index,frame,valid,lat,lon,speed,datetime,event,speeding,shock_axis,ax,ay,az,code48,code122");
    for (const std::string& line : csv.lines)
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 14) << line;

    const CliRun gpx = runCli({ "telemetry", movie.string(), "--format", "gpx" });
    ASSERT_EQ(gpx.status, 0);
    std::size_t points = 0;
    for (const std::string& line : gpx.lines)
        points += line.find("<trkpt ") != std::string::npos;
    std::size_t valid = 0;
    for (const GpsSample& g : reader.gps)
        valid += g.valid == 1 && g.latitude != kNoPosition;
    EXPECT_EQ(points, valid);
    // A real XML parser judges the track.
    const auto file = card / "track.gpx";
    kivora::testing::writeFile(file, { gpx.out.begin(), gpx.out.end() });
    EXPECT_EQ(kivora::testing::runProgram({ "xmllint", "--noout", file.string() }).status, 0);

    // The data file itself can be given; it has no frames.
    const CliRun direct = runCli({ "telemetry", data.string() });
    ASSERT_EQ(direct.status, 0);
    ASSERT_EQ(direct.lines.size(), reader.gps.size());
    EXPECT_EQ(direct.lines[0].rfind("{\"index\":0,\"frame\":null,", 0), 0u);

    // Without its data file the movie's own copy of the block gives the same rows, and stderr
    // says which was read.
    std::filesystem::remove(data);
    const CliRun fallback = runCli({ "telemetry", movie.string() });
    EXPECT_EQ(fallback.status, 0);
    EXPECT_EQ(fallback.out, json.out);
    const std::string note = kivora::testing::runProgram(
        { "env", "TZ=UTC", KIVORA_CLI_PATH, "telemetry", movie.string() }, kivora::testing::Stderr::Merge)
                                 .out;
    EXPECT_NE(note.find("copy inside the movie"), std::string::npos) << note.substr(0, 200);
}

TEST(TelemetryCli, MissingDataAndBadArgumentsAreReported)
{
    TempFolder folder("telemetry-cli-bad");
    const auto movie = folder / "AG__-230115-083000-000123M.MOV";
    EXPECT_EQ(runCli({ "telemetry", movie.string() }).status, 1);
    kivora::testing::writeFile(
        folder / "AG__-230115-083000-000123D.ADA", { 'n', 'o', 'p', 'e', '!', '!', '!' });
    EXPECT_EQ(runCli({ "telemetry", movie.string() }).status, 1);
    EXPECT_EQ(runCli({ "telemetry" }).status, 2);
    EXPECT_EQ(runCli({ "telemetry", movie.string(), "--format", "xml" }).status, 2);

    // A data file beside a movie that is not a movie: the rows come without frames.
    kivora::testing::writeFile(folder / "AG__-230115-083000-000123D.ADA",
        kivora::testing::encodeBlock(kivora::testing::plainRecords(2)));
    kivora::testing::writeFile(movie, { 'x' });
    const CliRun rows = runCli({ "telemetry", movie.string(), "--format", "csv" });
    EXPECT_EQ(rows.status, 0);
    ASSERT_EQ(rows.lines.size(), 3u);
    EXPECT_EQ(rows.lines[1].rfind(
                  "0,,1,35.652057,139.761315,45.0,2023-01-15T08:30:00,-1,0,0,0.000,0.000,0.000,101,R", 0),
        0u);
}
