#pragma once

#include "kivora/views/EventList.h"

#include <QString>

#include <vector>

namespace kivora::map {

// What one sending of the crash points tells the page, in order: clear the points and the
// current track's lines, draw the group track (when asked) and the current track, then one call
// per point from the last event to the first. result 0 when the walk stopped at an event without
// a position (the caller retries), else 1.
struct CrashPointBatch {
    std::vector<QString> scripts;
    int result = 1;

    bool operator==(const CrashPointBatch&) const = default;
};

// Events without an icon of the page (outside 0..13) and events whose position is not on the
// globe or is 0,0 are left out. The caller holds the locks that keep the events' samples alive.
CrashPointBatch buildCrashPointBatch(
    const std::vector<views::EventEntry>& events, int recordingIndex, bool withGroupTrack);

} // namespace kivora::map
