#pragma once

#include "kivora/map/IMapTrackSource.h"
#include "kivora/recording/RecordingEntry.h"

#include <vector>

namespace kivora::playback {
class MovieEngine;
}

namespace kivora::map {

// The map's tracks read from the two movie engines. Every use of the engines by the map is in
// this class. UI thread only.
class EngineTrackSource final : public IMapTrackSource {
public:
    // The engines must outlive this object.
    EngineTrackSource(playback::MovieEngine& mainEngine, playback::MovieEngine& subEngine);

    // The recordings of the current group (the list the telemetry group was given); the group
    // track is read from their data files on first use.
    void setGroup(std::vector<recording::RecordingEntry> entries);

    std::vector<recording::GpsSample> groupTrack() override;
    std::optional<std::vector<recording::GpsSample>> currentTrack() override;
    std::optional<std::pair<double, double>> positionAt(std::int64_t frame) override;
    std::int64_t lastFrame() override;

private:
    playback::MovieEngine& m_main;
    playback::MovieEngine& m_sub;
    std::vector<recording::RecordingEntry> m_group;
    std::vector<recording::GpsSample> m_groupTrack; // guarded by the main engine's parserLock
    bool m_groupRead = false;
};

} // namespace kivora::map
