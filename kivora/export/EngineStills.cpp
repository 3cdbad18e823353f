#include "kivora/export/EngineStills.h"

#include "kivora/playback/CPlayer.h"
#include "kivora/playback/MovieEngine.h"

#include <mutex>

namespace kivora::exporting {

QImage EnginePicture(playback::MovieEngine& engine)
{
    int width = 0, height = 0;
    if (!engine.hasSession() || !engine.GetNativeSize(width, height))
        return {};
    QImage picture = engine.player()->currentImage();
    if (picture.isNull() || picture.width() != width || picture.height() != height)
        return {};
    return picture;
}

std::optional<recording::GpsSample> EngineFix(playback::MovieEngine& engine, std::int64_t frame)
{
    std::lock_guard lock(engine.lock());
    const recording::TelemetryReader& reader = engine.shownTelemetry();
    if (!reader.loaded || !reader.framesBuilt)
        return std::nullopt;
    const recording::TelemetrySample sample = reader.sampleAtFrame(frame);
    if (!sample.gps)
        return std::nullopt;
    recording::GpsSample fix = *sample.gps;
    fix.motion = nullptr;
    fix.vehicle = nullptr;
    return fix;
}

} // namespace kivora::exporting
