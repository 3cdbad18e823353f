#include "kivora/map/CrashPointBatch.h"

#include "kivora/map/ScriptText.h"
#include "kivora/recording/TelemetrySample.h"

#include <cmath>

namespace kivora::map {

namespace {

constexpr int kIconCount = 14;

bool onGlobe(double lat, double lng)
{
    return std::isfinite(lat) && std::isfinite(lng) && std::abs(lat) <= 90.0 && std::abs(lng) <= 180.0
        && !(lat == 0.0 && lng == 0.0);
}

} // namespace

CrashPointBatch buildCrashPointBatch(
    const std::vector<views::EventEntry>& events, int recordingIndex, bool withGroupTrack)
{
    CrashPointBatch batch;
    batch.scripts.push_back(clearCrashPosCall());
    batch.scripts.push_back(removeLineListCall());
    if (withGroupTrack)
        batch.scripts.push_back(createLineCall());
    batch.scripts.push_back(createGridLineCall(recordingIndex));

    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        const recording::MotionSample* motion = it->sample;
        if (!motion || !motion->gps) {
            batch.result = 0;
            break;
        }
        const recording::GpsSample& gps = *motion->gps;
        if (it->icon < 0 || it->icon >= kIconCount || !onGlobe(gps.latitude, gps.longitude))
            continue;
        CrashPosArgs args;
        args.icon = it->icon;
        args.accelX = motion->accelX;
        args.accelY = motion->accelY;
        args.accelZ = motion->accelZ;
        args.ifile = 0;
        args.igrid = recordingIndex;
        args.ipos = motion->time;
        args.lat = gps.latitude;
        args.lng = gps.longitude;
        args.valid = gps.valid;
        args.speed = gps.speed;
        args.direction = gps.direction;
        batch.scripts.push_back(addCrashPosCall(args));
    }
    return batch;
}

} // namespace kivora::map
