#pragma once

#include "tools/democard/MovieEncoder.h"

#include <cstdint>
#include <string>

namespace kivora::democard {

// What one picture shows: the road as seen by the front (main) or rear (sub) camera, moved by the
// distance driven and the heading, shaken at an impact, with the recorder's overlay text.
struct SceneFrame {
    std::uint16_t code = 0;
    bool rear = false;
    bool parked = false;
    double distanceM = 0;
    double headingDeg = 0;
    int shakePx = 0;
    bool overlay = true;
    std::string overlayLeft; // date and time
    std::string overlayRight; // speed or voltage
};

void paintScene(FramePlanes& planes, const SceneFrame& frame);

// Adds sensor grain that changes from frame to frame below the frame-code band, so that the
// encoder spends a recorder's bit rate on the picture while the code stays readable.
void addGrain(FramePlanes& planes, int frameIndex);

} // namespace kivora::democard
