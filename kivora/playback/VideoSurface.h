#pragma once

// The smallest video surface: paints the presenter's picture scaled into its destination rectangle
// and the overlay on top, black elsewhere. The full camera surface builds on it.

#include "kivora/playback/PresentEngine.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <mutex>
#include <utility>

namespace kivora::playback {

class VideoSurface : public QWidget {
public:
    explicit VideoSurface(QWidget* parent = nullptr);
    ~VideoSurface() override;

    // The presenter's output for this surface: any thread may call it; the frame is handed over
    // queued to the UI thread. Calls after the surface is destroyed do nothing.
    PresentEngine::Output output();

    // UI thread.
    void showFrame(const PresentedFrame& frame);
    void clearFrame();
    const PresentedFrame& frame() const { return m_frame; }
    int framesShown() const { return m_framesShown; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Whether a frame arrived since the last call: a paint it caused needs nothing re-applied.
    bool takeFramePending() { return std::exchange(m_framePending, false); }

private:
    struct Guard {
        std::mutex mutex;
        VideoSurface* surface = nullptr; // guarded by mutex; null once the surface is gone
    };
    std::shared_ptr<Guard> m_guard;
    PresentedFrame m_frame; // UI thread
    VideoPicture m_scaledFrom; // UI thread: the picture m_scaled was converted from
    QImage m_scaled;           // UI thread
    int m_framesShown = 0;  // UI thread
    bool m_framePending = false; // UI thread
    QElapsedTimer m_lastPaint;   // UI thread
    QTimer m_paintDue;           // UI thread: a paint held back to the screen's refresh
};

} // namespace kivora::playback
