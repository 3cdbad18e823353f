#pragma once

#include "kivora/views/EventChannel.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kivora::views {

// One event of a movie: where it starts and what it is.
struct EventEntry {
    std::int64_t step = 0; // the frame at which the event starts (where the graph puts its mark)
    std::int32_t recordIndex = 0;
    int icon = kNoEvent;
    int channel = 0;
    const recording::MotionSample* sample = nullptr; // into the reader; valid while it is unchanged
};

// The events of the reader's movie in frame order, as the map receives them: at every step the
// speeding channel (when on for the map), then the first of channels 0, 1, 2, 3, 4, 5, 7, 8, 9
// that is on for the map and reports an event; an entry only where the event starts.
// The caller holds the locks that guard the reader.
std::vector<EventEntry> buildEventList(
    const recording::TelemetryReader* reader, const EventChannels& channels);

// The graph's previous-event click: the last event before `cursor` whose channel is shown on the
// graph, or else the last such event of the movie. Nothing when no event is shown.
std::optional<std::int64_t> previousEventStep(
    const std::vector<EventEntry>& events, const EventChannels& channels, std::int64_t cursor);
// The next-event click: the first shown event after `cursor`, or else the first of the movie.
std::optional<std::int64_t> nextEventStep(
    const std::vector<EventEntry>& events, const EventChannels& channels, std::int64_t cursor);

} // namespace kivora::views
