#pragma once

#include "kivora/recording/TelemetryReader.h"

#include <cstdint>
#include <optional>

namespace kivora::app {

// The telemetry of one shown frame, copied out of the reader while the engine locks are held and
// handed to every view after they are released.
struct FrameValues {
    std::int64_t frame = 0;
    bool hasMotion = false;
    double accelX = 0.0;
    double accelY = 0.0;
    double accelZ = 0.0;
    int statusLetter = 0;
    std::int32_t voltageTenths = 0;
    std::optional<recording::GpsSample> gps; // the motion sample's linked record
    std::optional<recording::VehicleSample> vehicle;
};

// Frame g of the reader's frame index; a null reader (nothing loaded) gives no motion.
// The caller holds the engine locks.
FrameValues buildFrameValues(const recording::TelemetryReader* reader, std::int64_t g);

} // namespace kivora::app
