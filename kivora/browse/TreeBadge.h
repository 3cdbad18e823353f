#pragma once

#include <QImage>

#include <cstdint>

namespace kivora::browse {

// The folder tree's badge for a node's trigger flags: the empty grid (skin 319) with one layer per
// flag present, int(39s) × int(26s) on white. Null for flags 0. Layers are kept per scale.
QImage treeBadge(std::uint32_t triggerFlags, double uiScale);

} // namespace kivora::browse
