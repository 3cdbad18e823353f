#include "kivora/map/EngineTrackSource.h"
#include "kivora/map/TrackArray.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivora;

namespace {

std::vector<recording::RecordingEntry> cardGroup(const TempFolder& folder, int recordings)
{
    const kivora::testing::RunResult card = kivora::testing::runProgram(
        { KIVORA_CLI_PATH, "democard", (folder / "card").string(), "--recordings", std::to_string(recordings),
            "--days", "1", "--seconds", "12", "--main", "320x180", "--no-sub", "--no-audio" });
    EXPECT_EQ(card.status, 0) << card.out;
    std::vector<recording::RecordingEntry> group;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder / "card")) {
        if (file.path().filename().string().ends_with("M.MOV"))
            group.push_back(recording::RecordingEntry { .path = file.path() });
    }
    std::sort(group.begin(), group.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return group;
}

// Latitude, longitude and record index of every sample, for comparing tracks.
std::vector<std::tuple<double, double, std::int32_t>> keys(const std::vector<recording::GpsSample>& track)
{
    std::vector<std::tuple<double, double, std::int32_t>> out;
    for (const recording::GpsSample& g : track)
        out.emplace_back(g.latitude, g.longitude, g.recordIndex);
    return out;
}

} // namespace

// The group track is read off the UI thread and arrives complete and in the group's order; a
// group given while another is read replaces it. Without an open movie there is no current track.
TEST(EngineTracks, GroupReadInTheBackgroundInOrderNothingWhileClosed)
{
    TempFolder folder;
    std::vector<recording::RecordingEntry> group = cardGroup(folder, 3);
    ASSERT_EQ(group.size(), 3u);
    std::vector<recording::GpsSample> expected;
    ASSERT_TRUE(recording::ReadTrack(std::span<const recording::RecordingEntry>(group), expected));

    playback::MovieEngine mainEngine;
    playback::MovieEngine subEngine;
    map::EngineTrackSource tracks(mainEngine, subEngine);
    int ready = 0;
    tracks.onGroupTrackReady([&] { ++ready; });
    ASSERT_TRUE(tracks.groupTrack());
    EXPECT_TRUE(tracks.groupTrack()->empty());

    // First a group of one, then at once the whole group: only the last one counts.
    tracks.setGroup({ group[1] });
    tracks.setGroup(group);
    ASSERT_TRUE(processEventsUntil([&] { return tracks.groupTrack().has_value(); }, 30000));
    EXPECT_EQ(keys(*tracks.groupTrack()), keys(expected));
    EXPECT_GE(expected.size(), 3u * 110u); // ten records a second from every file
    EXPECT_GT(map::buildTrackArray(*tracks.groupTrack()).size(), 1);
    processEventsUntil([] { return false; }, 200);
    EXPECT_EQ(ready, 1);

    // A missing data file ends the track there; what came before stays.
    std::filesystem::remove(recording::DataPath(group[1].path));
    tracks.setGroup(group);
    ASSERT_TRUE(processEventsUntil([&] { return tracks.groupTrack().has_value(); }, 30000));
    std::vector<recording::GpsSample> first;
    ASSERT_TRUE(recording::ReadTrack(std::span<const recording::RecordingEntry>(&group[0], 1), first));
    EXPECT_EQ(keys(*tracks.groupTrack()), keys(first));

    tracks.setGroup({});
    ASSERT_TRUE(tracks.groupTrack());
    EXPECT_TRUE(tracks.groupTrack()->empty());

    EXPECT_FALSE(tracks.currentTrack());
    EXPECT_FALSE(tracks.positionAt(0));
    EXPECT_EQ(tracks.lastFrame(), -1);
}
