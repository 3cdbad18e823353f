#pragma once

#include "kivora/recording/TelemetrySample.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kivora::map {

// Where the map's tracks come from. The page asks for them while it draws; each call returns at
// once. UI thread only.
class IMapTrackSource {
public:
    virtual ~IMapTrackSource() = default;

    // The GPS samples of the current recording group, in order (times need not be frames);
    // nothing while they are still being read.
    virtual std::optional<std::vector<recording::GpsSample>> groupTrack() = 0;
    // Called on the UI thread each time a group track becomes ready after being read.
    virtual void onGroupTrackReady(std::function<void()> ready) = 0;
    // The GPS samples of the movie the views show (times are frame numbers); nothing when no
    // movie is open or it has no GPS samples.
    virtual std::optional<std::vector<recording::GpsSample>> currentTrack() = 0;
    // Latitude and longitude of the GPS sample shown at a frame of the open movie, as recorded
    // (invalid positions included); nothing without one.
    virtual std::optional<std::pair<double, double>> positionAt(std::int64_t frame) = 0;
    // The last frame of the open movie; -1 when none is open.
    virtual std::int64_t lastFrame() = 0;
};

} // namespace kivora::map
