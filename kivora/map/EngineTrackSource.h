#pragma once

#include "kivora/map/IMapTrackSource.h"
#include "kivora/recording/RecordingEntry.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kivora::playback {
class MovieEngine;
}

namespace kivora::map {

// The map's tracks read from the two movie engines. Every use of the engines by the map is in
// this class. UI thread only; the group track is read by its own thread.
class EngineTrackSource final : public IMapTrackSource {
public:
    // The engines must outlive this object.
    EngineTrackSource(playback::MovieEngine& mainEngine, playback::MovieEngine& subEngine);
    // Waits for the reading thread, which stops after the data file it is reading.
    ~EngineTrackSource() override;
    EngineTrackSource(const EngineTrackSource&) = delete;
    EngineTrackSource& operator=(const EngineTrackSource&) = delete;

    // The recordings of the current group (the list the telemetry group was given). Their data
    // files are read at once, off the UI thread: a large group never holds up the window.
    void setGroup(std::vector<recording::RecordingEntry> entries);

    std::optional<std::vector<recording::GpsSample>> groupTrack() override;
    void onGroupTrackReady(std::function<void()> ready) override;
    std::optional<std::vector<recording::GpsSample>> currentTrack() override;
    std::optional<std::pair<double, double>> positionAt(std::int64_t frame) override;
    std::int64_t lastFrame() override;

private:
    void readLoop();
    void deliver(std::uint64_t generation, std::vector<recording::GpsSample> track);

    playback::MovieEngine& m_main;
    playback::MovieEngine& m_sub;

    // UI thread.
    QObject m_context; // receives the reading thread's results
    std::uint64_t m_generation = 0; // of the group last given
    std::vector<recording::GpsSample> m_groupTrack;
    bool m_groupRead = true; // an empty group has an empty track
    std::function<void()> m_ready;

    // Shared with the reading thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::filesystem::path> m_pending; // guarded by m_mutex
    std::uint64_t m_pendingGeneration = 0; // guarded by m_mutex; the group to read
    bool m_stop = false; // guarded by m_mutex
    std::thread m_reader; // last member: starts once everything above exists
};

} // namespace kivora::map
