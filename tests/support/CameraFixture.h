#pragma once

// A camera as the main window has it, for the engine tests and the playback benchmarks: a receiver
// of its engine's messages that counts "ready" and "ended", and a video surface when the camera
// shows pictures (the sub camera has none).

#include "kivora/platform/MessageTable.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/VideoSurface.h"

#include <QObject>
#include <QSize>

#include <memory>

namespace kivora::playback::test {

struct Camera {
    // An empty size: no surface.
    explicit Camera(QSize surfaceSize = {})
    {
        messages.on(WM_MOVIE_READY, [this](auto, auto) { ++ready; });
        messages.on(WM_MOVIE_ENDED, [this](auto, auto) { ++ended; });
        if (!surfaceSize.isEmpty()) {
            surface = std::make_unique<VideoSurface>();
            surface->resize(surfaceSize);
        }
    }
    QObject receiver;
    platform::MessageTable messages{&receiver};
    std::unique_ptr<VideoSurface> surface;
    int ready = 0;
    int ended = 0;

    MovieWindow window() { return MovieWindow{messages.target(), surface.get()}; }
};

} // namespace kivora::playback::test
