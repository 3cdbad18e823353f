#pragma once

// The checks a save makes before any file is touched. Plain functions: the commands and the tests
// share them.

#include "kivora/recording/RecordingEntry.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivora::exporting {

inline constexpr std::uint64_t kMaxJoinBytes = 1024ull << 20;
inline constexpr std::size_t kMaxJoinRecordings = 99;

// Main, sub and data bytes of the selection.
std::uint64_t NeededBytes(const std::vector<recording::RecordingEntry>& selection);

// 0 when a selection may be saved as one movie, else the text slot that refuses it: 138 over
// 1 024 MiB, 140 over 99 recordings.
int JoinRefusal(const std::vector<recording::RecordingEntry>& selection);

// Bytes available to this process on the file system that holds folder; none when it cannot be
// told.
std::optional<std::uint64_t> FreeSpace(const std::filesystem::path& folder);

// Room is only enough when strictly more bytes are free than needed.
inline bool HasRoom(std::uint64_t needed, std::optional<std::uint64_t> available)
{
    return available && needed < *available;
}

// What one save writes: the main movies joined in order into output, and the sub movies joined
// into subOutput when every part has one.
struct SavePlan {
    std::vector<std::filesystem::path> mains;
    std::vector<std::filesystem::path> subs; // empty when any part lacks its sub movie
    std::filesystem::path output;
    std::filesystem::path subOutput; // empty with subs
    std::string subNote; // why the sub movie is left out (empty when it is not)
    // With no subs: the sub camera's name beside the output. A movie there from an earlier save
    // would pass for this save's sub movie; it goes when the output replaces that save's main one.
    std::filesystem::path staleSub;
    // Files of the selection that must survive whatever the save replaces (their sub movies).
    std::vector<std::filesystem::path> keep;
    std::uint64_t bytes = 0; // what the progress counts to
    std::uint64_t mainBytes = 0; // of it, the main movies and their data files
};

// The plan for the ticked recordings (in their order) into folder: the output takes the first
// recording's name, the sub output the same name with the sub camera's letter.
SavePlan MakeSavePlan(
    const std::vector<recording::RecordingEntry>& selection, const std::filesystem::path& folder);

} // namespace kivora::exporting
