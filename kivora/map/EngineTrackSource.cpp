#include "kivora/map/EngineTrackSource.h"

#include "kivora/playback/MovieEngine.h"
#include "kivora/playback/TelemetryLocks.h"

#include <mutex>
#include <span>

namespace kivora::map {

EngineTrackSource::EngineTrackSource(playback::MovieEngine& mainEngine, playback::MovieEngine& subEngine)
    : m_main(mainEngine)
    , m_sub(subEngine)
{
}

void EngineTrackSource::setGroup(std::vector<recording::RecordingEntry> entries)
{
    std::lock_guard lock(m_main.telemetryLock());
    m_group = std::move(entries);
    m_groupTrack.clear();
    m_groupRead = false;
}

std::vector<recording::GpsSample> EngineTrackSource::groupTrack()
{
    std::lock_guard lock(m_main.telemetryLock());
    if (!m_groupRead) {
        m_groupRead = true;
        // A group whose data files are partly missing still shows what was read.
        playback::ReadTrack(m_main.lock(), std::span<const recording::RecordingEntry>(m_group), m_groupTrack);
    }
    return m_groupTrack;
}

std::optional<std::vector<recording::GpsSample>> EngineTrackSource::currentTrack()
{
    std::scoped_lock locks(m_main.telemetryLock(), m_sub.telemetryLock());
    if (!m_main.isInitialised() || m_main.shownTelemetry().gps.empty())
        return std::nullopt;
    return m_main.shownTelemetry().gps;
}

std::optional<std::pair<double, double>> EngineTrackSource::positionAt(std::int64_t frame)
{
    std::scoped_lock locks(m_main.telemetryLock(), m_sub.telemetryLock());
    const recording::TelemetrySample sample = m_main.shownTelemetry().sampleAtFrame(frame);
    if (!sample.gps)
        return std::nullopt;
    return std::pair { sample.gps->latitude, sample.gps->longitude };
}

std::int64_t EngineTrackSource::lastFrame()
{
    if (!m_main.isInitialised() || m_main.engineState() == playback::EngineState::Closed)
        return -1;
    return m_main.GetDuration() - 1;
}

} // namespace kivora::map
