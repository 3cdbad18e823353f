#pragma once

// JPEG stills that carry where and when their frame was taken, as EXIF tags that photo tools and
// map tools read: the frame's date and time, the GPS position and speed of a valid fix, the
// recording and frame in the description, and this program as the software.

#include "kivora/recording/SystemTime.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class QImage;

namespace kivora::recording {
struct GpsSample;
}

namespace kivora::exporting {

struct StillStamp {
    recording::SystemTime time; // local time of the frame; year 0: none
    bool hasFix = false; // position and speed below are valid
    double latitude = 0.0; // signed decimal degrees
    double longitude = 0.0;
    std::optional<double> speedKmh;
    std::string description; // "<recording file name> frame <n>"
};

// The stamp of a frame: time, position and speed from its telemetry record when it has one with a
// date, otherwise the time from the recording's name plus the frame's offset (framePeriodMs per
// frame). gps may be null.
StillStamp StampForFrame(const std::filesystem::path& recording, std::int64_t frame, double framePeriodMs,
    const recording::GpsSample* gps);

// Encodes image as JPEG (quality 0..100) with the stamp's EXIF tags and writes it to path under a
// temporary name that is renamed into place when complete. False with a reason on failure; an
// existing file at path is then unchanged.
bool WriteStill(const QImage& image, const std::filesystem::path& path, const StillStamp& stamp, int quality,
    std::string& error);

} // namespace kivora::exporting
