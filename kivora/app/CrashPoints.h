#pragma once

#include "kivora/views/EventList.h"

#include <mutex>
#include <vector>

namespace kivora::map {
class IMapView;
}
namespace kivora::recording {
struct TelemetryReader;
}

namespace kivora::app {

// The event list of the open recording as the map shows it (its crash points), and whether the
// map has taken it. The map stops at an event it cannot place, and the clock would send the whole
// group again every tick: it only ever gets the events that have a position. UI thread; the list
// is also read by others under mutex().
class CrashPoints {
public:
    // "hMutexCpSet": guards the list. Lock order: before any engine lock.
    std::mutex& mutex() { return m_mutex; }
    // Under mutex().
    const std::vector<views::EventEntry>& events() const { return m_events; }

    // Rebuilds the list from reader and hands its events with a position to the map; null reader
    // (no recording open) only empties the list and gives 1. Otherwise the map's result (1 taken).
    // The caller holds mutex() and the locks that guard reader.
    int send(map::IMapView& map, const recording::TelemetryReader* reader,
        const views::EventChannels& channels, int recordingIndex, bool withGroupTrack);

    // The clock's map-status step has to send: the page is ready and has not taken the list yet.
    bool due(const map::IMapView& map) const;
    void markSent() { m_sent = true; }
    // A new page (the map reloaded) has not seen the list.
    void sendAgain() { m_sent = false; }
    // Another recording: the list empties and the next ready page is sent it again.
    void reset();

private:
    std::mutex m_mutex;
    std::vector<views::EventEntry> m_events; // guarded by m_mutex
    bool m_sent = false; // UI thread
};

} // namespace kivora::app
