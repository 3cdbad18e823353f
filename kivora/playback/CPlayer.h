#pragma once

// The media session of one camera: opens a movie, demuxes and decodes it on its own thread,
// keeps the presentation clock, feeds the presenter and the audio output, and reports "ready"
// and "ended" through the engine's notify function from its event thread.

#include "kivora/playback/EVRCustomPresenter.h"
#include "kivora/playback/FrameQueue.h"
#include "kivora/playback/MediaSource.h"
#include "kivora/playback/PresentationClock.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kivora::playback {

class AudioOutput;

enum class SessionState { Closed = 0, Ready = 1, OpenPending = 2, Started = 3, Paused = 4, Stopped = 5, Closing = 6 };

// Session results, in the codes the engine's error reporter knows (0 = success).
enum class SessionResult : std::uint32_t {
    Ok = 0,
    InvalidRequest = 0xC00D36B2u, // not allowed in the session's state (ignored by the engine)
    NotReady = 0xC00D36B6u,
};

class CPlayer {
public:
    // notify(msg) is called on the event thread to post a movie message to the camera's surface.
    // output: where the presenter hands its pictures; none makes a session without video output
    // (the sub camera): it keeps its clock and decodes a still only when asked.
    using Notify = std::function<void(unsigned msg)>;
    CPlayer(Notify notify, PresentEngine::Output output);
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Opens the movie (Closed → Ready → OpenPending). The topology becomes ready on the event
    // thread, which then posts WM_MOVIE_READY. A failure leaves the session Closed.
    MediaError openUrl(const std::filesystem::path& path);
    void close();

    SessionState state() const { return m_state.load(); }
    bool ready() const { return m_ready.load(); }
    bool audioDisabled() const { return m_audioDisabled.load(); }
    bool hasVideoOutput() const { return m_hasOutput; }
    // The error that ended the presentation early (reported once through the engine's error
    // reporter); None while the movie plays or ended normally. Damaged packets are skipped, not errors.
    MediaError error() const { return m_error.load(); }

    // Transport. UI thread (serialised by the engine's apiLock).
    SessionResult play();
    SessionResult pause();
    SessionResult seekAndHold(Time100ns t);
    SessionResult setRate(float rate, bool thin);
    void setVolume(float volume); // 0..1, every channel

    // Clock time in 100 ns units; false when there is no clock (not ready).
    bool clockTime(Time100ns& t) const;
    Time100ns duration() const;

    // Picture requests (display control).
    bool nativeSize(int& width, int& height) const;
    PresenterResult setVideoPosition(const QRectF* source, const VideoRect* destination);
    void setAspectRatioMode(int mode);
    PresenterResult repaint();
    QImage currentImage();
    bool setOverlay(const QImage& overlay, const QRectF& place);
    void clearOverlay();
    float fastestRate(bool thin) const;

private:
    enum class Event { TopologyReady, EndOfPresentation };
    void postEvent(Event e);
    void eventLoop(std::stop_token stop);
    void onTopologyReady();
    void onEndOfPresentation(std::stop_token stop);
    void decodeLoop(std::stop_token stop);
    void requestSeek(Time100ns t);

    const Notify m_notify;
    const PresentEngine::Output m_output;
    const bool m_hasOutput;

    std::atomic<SessionState> m_state{SessionState::Closed};
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_audioDisabled{false};
    std::atomic<MediaError> m_error{MediaError::None}; // written by the decode thread

    // Written by openUrl before the threads start, read-only while they run; the decode thread is
    // the only user of the codec contexts, except decodeStill (headless sessions have no decode thread).
    MediaSource m_source;
    std::mutex m_stillMutex; // guards m_source's use by currentImage of a headless session
    std::filesystem::path m_path;

    PresentationClock m_clock;
    FrameQueue m_mixer{4};
    std::unique_ptr<EVRCustomPresenter> m_presenter;
    std::unique_ptr<AudioOutput> m_audio;

    // Decode thread commands. Guarded by m_decodeMutex.
    std::mutex m_decodeMutex;
    std::condition_variable_any m_decodeWake;
    std::optional<Time100ns> m_pendingSeek;
    std::uint64_t m_generation = 0;   // last generation handed out
    bool m_thin = false;
    float m_rate = 1.0f;

    // Event thread queue. Guarded by m_eventMutex.
    std::mutex m_eventMutex;
    std::condition_variable_any m_eventWake;
    std::deque<Event> m_events;

    std::jthread m_eventThread;  // owner: this session; joined by close()
    std::jthread m_decodeThread; // owner: this session; started at topology ready, joined by close()
};

} // namespace kivora::playback
