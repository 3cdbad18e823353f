#include "kivora/app/FrameFeed.h"

namespace kivora::app {

FrameValues buildFrameValues(const recording::TelemetryReader* reader, std::int64_t g)
{
    FrameValues v;
    v.frame = g;
    if (!reader)
        return v;
    const recording::TelemetrySample sample = reader->sampleAtFrame(g);
    const recording::MotionSample* motion = sample.motion;
    if (!motion)
        return v;
    v.hasMotion = true;
    v.accelX = motion->accelX;
    v.accelY = motion->accelY;
    v.accelZ = motion->accelZ;
    v.statusLetter = motion->code122;
    v.voltageTenths = motion->code48;
    if (sample.gps)
        v.gps = *sample.gps;
    if (sample.vehicle)
        v.vehicle = *sample.vehicle;
    return v;
}

} // namespace kivora::app
