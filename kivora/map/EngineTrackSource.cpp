#include "kivora/map/EngineTrackSource.h"

#include "kivora/playback/MovieEngine.h"
#include "kivora/recording/TelemetryReader.h"

#include <QMetaObject>

#include <span>

namespace kivora::map {

EngineTrackSource::EngineTrackSource(playback::MovieEngine& mainEngine, playback::MovieEngine& subEngine)
    : m_main(mainEngine)
    , m_sub(subEngine)
    , m_reader([this] { readLoop(); })
{
}

EngineTrackSource::~EngineTrackSource()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_reader.join();
}

void EngineTrackSource::setGroup(std::vector<recording::RecordingEntry> entries)
{
    std::vector<std::filesystem::path> paths;
    paths.reserve(entries.size());
    for (const recording::RecordingEntry& e : entries)
        paths.push_back(e.path);
    ++m_generation;
    m_groupTrack.clear();
    m_groupRead = paths.empty();
    if (m_groupRead)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(paths);
        m_pendingGeneration = m_generation;
    }
    m_wake.notify_all();
}

void EngineTrackSource::readLoop()
{
    std::uint64_t done = 0;
    for (;;) {
        std::vector<std::filesystem::path> paths;
        std::uint64_t generation = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_pendingGeneration != done; });
            if (m_stop)
                return;
            paths = std::move(m_pending);
            generation = done = m_pendingGeneration;
        }
        // Fresh readers of the group's own files: no engine lock is needed, and none is held
        // while a large group is read, so playback goes on meanwhile. A newer group or the end
        // stops the reading between files.
        std::vector<recording::GpsSample> track;
        bool superseded = false;
        for (const std::filesystem::path& movie : paths) {
            {
                std::lock_guard lock(m_mutex);
                superseded = m_stop || m_pendingGeneration != generation;
            }
            if (superseded)
                break;
            std::vector<recording::GpsSample> part;
            const bool read = recording::ReadTrack(std::span<const std::filesystem::path>(&movie, 1), part);
            track.insert(track.end(), part.begin(), part.end());
            // A group whose data files are partly missing still shows what was read before.
            if (!read)
                break;
        }
        if (!superseded)
            deliver(generation, std::move(track));
    }
}

void EngineTrackSource::deliver(std::uint64_t generation, std::vector<recording::GpsSample> track)
{
    QMetaObject::invokeMethod(
        &m_context,
        [this, generation, track = std::move(track)]() mutable {
            if (generation != m_generation)
                return;
            m_groupTrack = std::move(track);
            m_groupRead = true;
            if (m_ready)
                m_ready();
        },
        Qt::QueuedConnection);
}

std::optional<std::vector<recording::GpsSample>> EngineTrackSource::groupTrack()
{
    if (!m_groupRead)
        return std::nullopt;
    return m_groupTrack;
}

void EngineTrackSource::onGroupTrackReady(std::function<void()> ready)
{
    m_ready = std::move(ready);
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
