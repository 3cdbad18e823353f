#pragma once

// What a bundle's report says about one recording, read from its data file, and the stills at its
// shock and manual event marks.

#include "kivora/export/EvidenceReport.h"
#include "kivora/recording/SystemTime.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kivora::exporting {

struct StillMark {
    std::int64_t timeMs = 0; // from the recording's start
    std::size_t event = 0; // index into ReportRecording::events
};

// The recording's start, length, places, speeds and events; marks receives the moments of its
// shocks and manual marks (one per mark, not one per record it lasts). A recording without a
// readable data file gets its name, start and length only.
ReportRecording SummariseRecording(
    const std::filesystem::path& movie, int layout, std::vector<StillMark>& marks);

// Writes a still of the main movie at each mark into folder and records its path (relative to
// bundleRoot) in the recording's event. Stills that cannot be made are left out with a note.
void WriteEventStills(const std::filesystem::path& movie, int layout, const std::vector<StillMark>& marks,
    const std::filesystem::path& folder, const std::filesystem::path& bundleRoot, ReportRecording& recording,
    std::vector<std::string>& notes);

// "2023-01-15 08:30:00" local time.
std::string LocalTimeText(const recording::SystemTime& time);

} // namespace kivora::exporting
