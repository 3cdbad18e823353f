#pragma once

#include <filesystem>

namespace kivora::app {

// The picture code a played recording gets from its main movie's height and the telemetry
// header's quality letter: 360 → 1, 720 → 3, 1080 → 5, 1440 → 7, 1296 → 9, one more when the
// letter is not 'H'; any other height 0.
int resolutionCode(int height, char qualityLetter);

// The rate a recording starts at: x0.5 (code -2) for time-lapse names ("T" first or third
// letter), x1.0 (code 1) otherwise.
int defaultRateCode(const std::filesystem::path& recording);

// Parking and parking-shock recordings (by their name).
bool isParkingRecording(const std::filesystem::path& recording);

} // namespace kivora::app
