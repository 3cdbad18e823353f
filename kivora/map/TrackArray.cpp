#include "kivora/map/TrackArray.h"

#include <cmath>

namespace kivora::map {

bool drawableFix(const recording::GpsSample& sample)
{
    const double lat = sample.latitude;
    const double lng = sample.longitude;
    if (sample.valid != 1 || !std::isfinite(lat) || !std::isfinite(lng))
        return false;
    if (std::abs(lat) > 90.0 || std::abs(lng) > 180.0)
        return false;
    return !(lat == 0.0 && lng == 0.0);
}

QVariantList buildTrackArray(std::span<const recording::GpsSample> samples)
{
    QVariantList array;
    for (const recording::GpsSample& sample : samples) {
        if (!drawableFix(sample))
            continue;
        array.append(sample.latitude);
        array.append(sample.longitude);
        array.append(static_cast<int>(sample.time));
    }
    array.append(static_cast<int>(array.size()));
    return array;
}

} // namespace kivora::map
