#include "kivora/app/CrashPoints.h"

#include "kivora/map/IMapView.h"

namespace kivora::app {

int CrashPoints::send(map::IMapView& map, const recording::TelemetryReader* reader,
    const views::EventChannels& channels, int recordingIndex, bool withGroupTrack)
{
    if (!reader) {
        m_events.clear();
        return 1;
    }
    m_events = views::buildEventList(reader, channels);
    std::vector<views::EventEntry> placed;
    placed.reserve(m_events.size());
    for (const views::EventEntry& e : m_events)
        if (e.sample && e.sample->gps)
            placed.push_back(e);
    return map.SendCrashPoints(placed, recordingIndex, withGroupTrack);
}

bool CrashPoints::due(const map::IMapView& map) const
{
    return !m_sent && map.htmlReady();
}

void CrashPoints::reset()
{
    {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }
    m_sent = false;
}

} // namespace kivora::app
