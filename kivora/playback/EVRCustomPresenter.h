#pragma once

// The custom presenter of a session: takes decoded pictures from the session's frame queue into
// one of its two native-size surfaces, decides by the presentation clock when each is shown, and
// shows it through its present engine (which converts nothing: the surface widget converts what
// it paints, at the size it paints it). It also answers the picture requests of the
// engine (native size, destination rectangle, repaint, current image) and the rate questions.

#include "kivora/playback/FrameQueue.h"
#include "kivora/playback/PresentEngine.h"
#include "kivora/playback/PresentationClock.h"
#include "kivora/playback/SamplePool.h"
#include "kivora/playback/Scheduler.h"
#include "kivora/playback/VideoRect.h"

#include <QRectF>

#include <functional>
#include <mutex>

namespace kivora::playback {

enum class RenderState { Started = 1, Stopped = 2, Paused = 3, Shutdown = 4 };

// Results of the picture requests, with the codes the engine's error reporter knows.
enum class PresenterResult : std::uint32_t {
    Ok = 0,
    InvalidArgument = 0x80070057u,
    InvalidPointer = 0x80004003u,
    Shutdown = 0xC00D3E85u,
    UnsupportedRate = 0xC00D36D2u,
};

// Threads: the decode thread (input notify, end of stream), the scheduler thread (presenting,
// returned surfaces) and the session's callers (clock changes, picture requests).
// Every public operation takes objectLock. Lock order: objectLock, then the pool, scheduler, present engine
// and frame queue locks (each a leaf). The scheduler thread never holds its own lock while
// taking objectLock.
class EVRCustomPresenter {
public:
    // endOfStream: called once per stretch of playback when the last picture has been shown while
    // the clock runs; it is called with objectLock held, so it must only queue work.
    EVRCustomPresenter(FrameQueue& mixer, const PresentationClock& clock, std::function<void()> endOfStream);
    ~EVRCustomPresenter();
    EVRCustomPresenter(const EVRCustomPresenter&) = delete;
    EVRCustomPresenter& operator=(const EVRCustomPresenter&) = delete;

    // Services handed over: the output type of the movie (native size and frame rate). Makes the
    // two surfaces. renderState becomes Stopped.
    PresenterResult setMediaType(int width, int height, double fps);
    void setOutput(PresentEngine::Output output);

    void beginStreaming();
    void endStreaming();
    void shutdown();

    // Clock state changes (the session calls them in step with its clock).
    void onClockStart(bool newPosition);
    void onClockPause();
    void onClockStop();
    void onClockRate(float rate);

    // A seek began generation g: nothing queued or in flight from before it is shown.
    void flush(std::uint64_t generation);
    // The decode thread put a picture into the frame queue, or delivered its last one.
    void processInputNotify();
    void notifyEndOfStream();

    // Picture requests.
    PresenterResult nativeVideoSize(int& width, int& height) const;
    PresenterResult setVideoPosition(const QRectF* source, const VideoRect* destination);
    PresenterResult videoPosition(QRectF& source, VideoRect& destination) const;
    void setAspectRatioMode(int mode);
    int aspectRatioMode() const;
    PresenterResult repaint();
    QImage currentImage() const;
    std::optional<Time100ns> shownTime() const { return m_presentEngine.currentTime(); }
    // The mixer bitmap: drawn over the picture, black is transparent.
    PresenterResult setOverlay(const QImage& overlay, const QRectF& place);
    void clearOverlay();

    // Rates. refreshHz: the display's refresh rate (0 when unknown).
    float fastestRate(bool thin, bool reverse, double refreshHz = 60.0) const;
    PresenterResult isRateSupported(bool thin, float rate, float& nearest, double refreshHz = 60.0) const;

    RenderState renderState() const;
    bool prerolled() const;

private:
    void processOutputLocked();
    void deliverLocked(VideoSamplePtr sample);
    void presentAndRecycle(VideoSamplePtr sample);
    void returnSample(VideoSamplePtr sample);
    void checkEndOfStreamLocked();
    void onScheduledPresent(VideoSamplePtr sample);
    // A picture that is two frames late while newer ones wait is not shown.
    bool overdue(Time100ns time, Time100ns duration, float rate) const;

    FrameQueue& m_mixer;
    const PresentationClock& m_clock;
    std::function<void()> m_endOfStream;

    mutable std::mutex m_objectLock; // guards the fields below
    RenderState m_renderState = RenderState::Shutdown;
    bool m_sampleNotify = false;
    bool m_repaint = false;
    bool m_prerolled = false;
    bool m_endStreaming = false;
    bool m_endReported = false;
    QRectF m_sourceRect{0.0, 0.0, 1.0, 1.0};
    float m_rate = 1.0f;
    int m_nativeWidth = 0;
    int m_nativeHeight = 0;
    double m_fps = 0.0;
    int m_aspectRatioMode = 1;
    VideoRect m_destination;
    std::uint32_t m_tokenCounter = 0;
    std::uint64_t m_generation = 0;
    VideoSamplePtr m_lastSample;

    SamplePool m_pool;
    PresentEngine m_presentEngine;
    Scheduler m_scheduler;
};

} // namespace kivora::playback
