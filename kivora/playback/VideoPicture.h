#pragma once

#include "kivora/playback/FfmpegHandles.h"

#include <QImage>
#include <QSize>

#include <memory>
#include <mutex>

namespace kivora::playback {

// A decoded picture as the presenter passes it on: the decoder's planes at the native size,
// shared, never written. It becomes 32-bit RGB only where it is drawn or saved: a picture that is
// presented but never painted (fast rates, scrubbing) costs no conversion, and a painted one is
// converted once, straight to the size it is drawn at. Copies share the picture; any thread.
class VideoPicture {
public:
    VideoPicture() = default;
    explicit VideoPicture(AVFramePtr frame);

    bool isNull() const { return !m_shared; }
    QSize size() const;
    // The picture at its native size; converted on the first call, then shared. Null on failure.
    QImage image() const;
    // The picture converted and scaled to size in one pass, written into target (reused when it
    // has that size and is not shared). False on failure.
    bool scaleInto(QSize size, QImage& target) const;

    friend bool operator==(const VideoPicture& a, const VideoPicture& b) { return a.m_shared == b.m_shared; }

private:
    struct Shared {
        explicit Shared(AVFramePtr f) : frame(std::move(f)) {}
        AVFramePtr frame;
        std::once_flag converted;
        QImage image;
    };
    std::shared_ptr<Shared> m_shared;
};

} // namespace kivora::playback
