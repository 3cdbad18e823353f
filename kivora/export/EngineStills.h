#pragma once

// What a still needs from a playback engine. The only file of this layer that knows the engines,
// so that the window's IExportContext can be written in a few lines and the engines can change
// behind it.

#include "kivora/recording/TelemetrySample.h"

#include <QImage>

#include <cstdint>
#include <optional>

namespace kivora::playback {
class MovieEngine;
}

namespace kivora::exporting {

// The engine's current picture at its native size; a null image when nothing is shown.
// UI thread; takes no engine lock (the session guards its own picture).
QImage EnginePicture(playback::MovieEngine& engine);

// The telemetry record of a frame of the engine's loaded telemetry, unlinked; none before the
// telemetry is loaded. Takes the engine's apiLock.
std::optional<recording::GpsSample> EngineFix(playback::MovieEngine& engine, std::int64_t frame);

} // namespace kivora::exporting
