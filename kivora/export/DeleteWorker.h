#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kivora::exporting {

class WorkerContext;

// How recordings are deleted, decided on the UI thread before the work starts.
struct DeleteMode {
    bool recorderCard = false; // leave the recorder's deleted marks instead of using the trash
    int layout = 0; // the card's folder layout (data file places)
};

// Deletes one recording (its main-camera movie path). On a recorder card a recording name gets the
// recorder's marks (.DMY, .TDA, hidden); anything else goes to the desktop trash: the movie and,
// for a main-camera name, its sub movie and its data file when they exist. False with a reason at
// the first file that could not be moved; what was moved before stays in the trash.
bool DeleteRecording(const std::filesystem::path& movie, const DeleteMode& mode, std::string& error);

struct DeleteOutcome {
    std::vector<std::filesystem::path> deleted; // in the order they were deleted
    bool cancelled = false;
    bool failed = false;
    std::string error;
};

// The worker's part of a delete: the movies from the last to the first, stopping at a cancel or
// the first failure. Posts progress per recording. Worker thread.
DeleteOutcome RunDelete(
    const std::vector<std::filesystem::path>& movies, const DeleteMode& mode, WorkerContext& context);

} // namespace kivora::exporting
