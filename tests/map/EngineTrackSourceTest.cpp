#include "kivora/map/EngineTrackSource.h"
#include "kivora/map/TrackArray.h"
#include "kivora/playback/MovieEngine.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivora;

// The group track comes from the data files of the group's recordings; without an open movie
// there is no current track and no last frame.
TEST(EngineTracks, GroupFromDataFilesNothingWhileClosed)
{
    TempFolder folder;
    const kivora::testing::RunResult card = kivora::testing::runProgram(
        { KIVORA_CLI_PATH, "democard", (folder / "card").string(), "--recordings", "2", "--days", "1",
            "--seconds", "12", "--main", "320x180", "--no-sub", "--no-audio" });
    ASSERT_EQ(card.status, 0) << card.out;
    std::vector<recording::RecordingEntry> group;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder / "card")) {
        if (file.path().filename().string().ends_with("M.MOV"))
            group.push_back(recording::RecordingEntry { .path = file.path() });
    }
    ASSERT_EQ(group.size(), 2u);
    std::sort(group.begin(), group.end(), [](const auto& a, const auto& b) { return a.path < b.path; });

    playback::MovieEngine mainEngine;
    playback::MovieEngine subEngine;
    map::EngineTrackSource tracks(mainEngine, subEngine);
    EXPECT_TRUE(tracks.groupTrack().empty());
    tracks.setGroup(group);
    const std::vector<recording::GpsSample> track = tracks.groupTrack();
    EXPECT_GE(track.size(), 2u * 110u); // ten records a second from both files
    EXPECT_GT(map::buildTrackArray(track).size(), 1);

    EXPECT_FALSE(tracks.currentTrack());
    EXPECT_FALSE(tracks.positionAt(0));
    EXPECT_EQ(tracks.lastFrame(), -1);
}
