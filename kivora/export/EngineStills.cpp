#include "kivora/export/EngineStills.h"

#include "kivora/playback/CPlayer.h"
#include "kivora/playback/MovieEngine.h"

#include <mutex>

namespace kivora::exporting {

QImage EnginePicture(playback::MovieEngine& engine)
{
    int width = 0, height = 0;
    if (!engine.session || !engine.GetNativeSize(width, height))
        return {};
    QImage picture = engine.session->currentImage();
    if (picture.isNull() || picture.width() != width || picture.height() != height)
        return {};
    return picture;
}

std::optional<recording::GpsSample> EngineFix(playback::MovieEngine& engine, std::int64_t frame)
{
    std::lock_guard lock(engine.apiLock);
    if (!engine.currentReader.loaded || !engine.currentReader.framesBuilt)
        return std::nullopt;
    const recording::TelemetrySample sample = engine.currentReader.sampleAtFrame(frame);
    if (!sample.gps)
        return std::nullopt;
    recording::GpsSample fix = *sample.gps;
    fix.motion = nullptr;
    fix.vehicle = nullptr;
    return fix;
}

} // namespace kivora::exporting
