#pragma once

#include "kivora/recording/TelemetrySample.h"

#include <QVariantList>

#include <span>

namespace kivora::map {

// True for a fix the map can draw: the valid flag, finite coordinates on the globe, and not the
// 0,0 a receiver reports before its first fix.
bool drawableFix(const recording::GpsSample& sample);

// The track array the page reads: latitude, longitude and frame (the sample's time) of every
// drawable fix in order, then the count of those elements. A track without one is [0].
QVariantList buildTrackArray(std::span<const recording::GpsSample> samples);

} // namespace kivora::map
