#pragma once

// The presenter's video output: keeps the surface on screen and hands it to the camera's video
// surface widget, scaled into the destination rectangle.

#include "kivora/playback/VideoSample.h"

#include <QImage>
#include <QRect>
#include <QRectF>

#include <functional>
#include <mutex>
#include <optional>

namespace kivora::playback {

// What the surface widget draws: the picture scaled into the destination rectangle, and the
// overlay bitmap (transparent where it is black) in its normalised place over the surface.
struct PresentedFrame {
    VideoPicture picture;
    QRect destination;
    QImage overlay;
    QRectF overlayPlace;
};

// Thread: any; guarded by its own mutex. Lock order: after the presenter's objectLock.
class PresentEngine {
public:
    // Receives what to show; called with the engine's lock released, on the presenting thread.
    // The receiver crosses to the UI thread itself (queued).
    using Output = std::function<void(const PresentedFrame& frame)>;

    void setOutput(Output output);
    void setDestination(const QRect& rect);
    QRect destination() const;

    // Samples of an older seek generation are never shown once the generation moved on.
    void setGeneration(std::uint64_t generation);
    // Whether a sample of that generation would be shown now.
    bool accepts(std::uint64_t generation) const;

    // Shows sample and returns the surface it replaces (to go back to the pool): the previous one,
    // or sample itself when it is stale. A null sample does nothing (the last frame stays).
    VideoSamplePtr present(VideoSamplePtr sample);
    void setOverlay(const QImage& overlay, const QRectF& place);
    void clearOverlay();
    // Hands the current picture to the output again.
    void repaint();
    // A copy of the picture on screen (null before the first frame).
    QImage currentImage() const;
    // Presentation time of the picture on screen; none before the first frame of this generation.
    std::optional<Time100ns> currentTime() const;
    bool hasFrame() const;
    // Gives up the surface on screen (the pool is being replaced); the picture stays on the widget.
    VideoSamplePtr releaseCurrent();

private:
    PresentedFrame frameLocked() const;

    mutable std::mutex m_mutex;
    Output m_output;
    QRect m_destination;
    QImage m_overlay;
    QRectF m_overlayPlace;
    std::uint64_t m_generation = 0;
    VideoSamplePtr m_current;
};

} // namespace kivora::playback
