#pragma once

// The playback object of one camera: opens one movie, plays, pauses, stops and seeks it in whole
// frames, changes its rate and volume, places its picture in the camera's video surface and
// reports "ready" and "ended" to that surface. The main window owns two (main and sub camera).

#include "kivora/platform/PostMessage.h"
#include "kivora/playback/CPlayer.h"
#include "kivora/playback/RateCode.h"
#include "kivora/playback/VideoRect.h"
#include "kivora/recording/AtomScan.h"
#include "kivora/recording/TelemetryReader.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>

namespace kivora::playback {

class VideoSurface;

enum class EngineState { Closed = 0, Stopped = 1, Playing = 2, Paused = 3 };

// Open results.
inline constexpr int kOpenFailed = 0;
inline constexpr int kOpenOk = 1;
inline constexpr int kOpenTooShort = 2;

// Where an engine reports and draws: the camera's surface. surface is null for the sub camera,
// whose movie is followed but never drawn.
struct MovieWindow {
    platform::MessageTarget target; // receives WM_MOVIE_READY and WM_MOVIE_ENDED
    VideoSurface* surface = nullptr; // must outlive every open movie of the engine (UI thread object)
};

// Threads: the operations are called from the UI thread and from the main window's worker
// threads. Operations marked locked hold apiLock for their whole run; the others touch their
// fields without it, as the callers expect. Lock order: apiLock of the main engine, then apiLock
// of the sub engine (LockBoth); parserLock before apiLock (LoadTelemetry); engine locks before
// hMutexFind.
class MovieEngine {
public:
    MovieEngine() = default;
    ~MovieEngine();
    MovieEngine(const MovieEngine&) = delete;
    MovieEngine& operator=(const MovieEngine&) = delete;

    // The engine whose duration decides whether an opened movie is ready to play (the main
    // camera's, for both cameras). Default: this engine.
    void setMainEngine(MovieEngine* main) { m_main = main ? main : this; }

    bool Init(MovieWindow window, const QString& overlayFontFace);
    int Uninit();
    bool IsMovieFile(const std::filesystem::path& path); // locked
    int Open(const std::filesystem::path& path); // locked: 0, 1 or 2
    int Close(); // locked
    bool LoadTelemetry(const std::filesystem::path& moviePath); // parserLock, then locked
    int ReleaseTelemetry(); // locked
    int Play(); // locked; 0 not ready
    int Pause(); // locked; 0 not ready
    int Stop(); // locked; 0 not ready
    int GetPosition(); // locked; frame, -1 clock failure
    // The frame of the picture on screen: the presenter shows a picture up to three quarters of a
    // frame before its time, so the clock reads a frame behind the picture for most of each frame.
    int GetShownPosition(); // locked
    int SeekAndHold(std::int64_t frame); // locked; 0 not ready
    int SetRate(int code); // not locked
    bool SetAspectMode(int mode); // not locked
    std::int64_t GetDuration(); // locked; frames
    float GetFramePeriod() const { return framePeriod; } // not locked
    bool GetNativeSize(int& width, int& height) const; // not locked
    int SetVolume(int volume); // not locked
    bool ShowOverlayText(const QString& text); // locked
    int ClearOverlayText(); // locked
    bool SetZoom(int anchorX, int anchorY, int panX, int panY, float factor, bool repaint); // locked
    bool SaveSnapshot(const std::filesystem::path& path); // not locked
    bool Repaint(); // not locked

    // Part of the pair's PreloadTelemetry (main engine): see MoviePair.
    bool PreloadTelemetry(const std::filesystem::path& moviePath);

    // True when the session's topology is ready (the picture services exist).
    bool ready() const { return session && session->ready(); }
    EngineState engineState() const { return state.load(); }

    // Named queries. Values read without a lock are written by the UI thread only (the open,
    // close, rate and aspect operations), so the UI thread reads them as they stand.
    bool isInitialised() const { return initialised != 0; }
    bool hasTelemetry() const { return telemetryLoaded != 0; } // LoadTelemetry ran since the open
    bool hasSession() const { return session != nullptr; }
    CPlayer* player() const { return session.get(); }
    std::uint64_t serial() const { return sessionSerial; }
    int rate() const { return rateCode.load(); }
    int aspect() const { return aspectMode; }
    bool canReverse() const { return canPlayBackwards != 0; }
    float zoom() const { return zoomFactor; }
    const VideoRect& pictureRect() const { return videoRect; }
    int volumeLevel() const { return volume.load(); }
    // The telemetry the views read once the clock runs (the probe reader, after
    // adoptLoadedTelemetry). UI thread; the loader threads never touch it.
    const recording::TelemetryReader& shownTelemetry() const { return probeReader; }
    // The header of the telemetry LoadTelemetry just decoded. UI thread, after the loader joined.
    const recording::TelemetryHeader& loadedHeader() const { return currentReader.header; }
    const recording::TelemetryReader& loadedTelemetry() const { return currentReader; }
    // Moves the loaded telemetry to where the views read it; false when it holds no GPS record.
    // Caller holds the engine's apiLock (LockBoth).
    bool adoptLoadedTelemetry();
    // Releases what the views read. Caller holds the engine's apiLock (LockBoth).
    void releaseShownTelemetry();
    std::recursive_mutex& lock() { return apiLock; }
    // Guards the telemetry readers; taken before apiLock.
    std::mutex& telemetryLock() { return parserLock; }

    // One per Open; apiLock. Public only while the CLI's snapshot command still reads it (its
    // layer moves to hasSession()); everything else uses the queries above.
    std::unique_ptr<CPlayer> session;

private:
    friend class MoviePair;

    // Threads: written by the UI thread's operations (Open, Close, SetRate, SetAspectMode,
    // SetZoom, Init), read by the pair and the worker threads under apiLock where marked locked.
    std::atomic<int> volume { 0 }; // 0..65535, last SetVolume; any thread
    float framePeriod = 0.0f; // ms per frame of the open movie; 0 while closed; UI thread
    int canPlayBackwards = 0; // our back-end cannot play backwards
    std::atomic<int> rateCode { 1 }; // any thread
    int aspectMode = 1; // UI thread
    int zoomAnchorX = 0; // apiLock
    int zoomAnchorY = 0; // apiLock
    float zoomFactor = 1.0f; // apiLock
    int panX = 0; // apiLock
    int panY = 0; // apiLock
    VideoRect videoRect; // UI thread
    std::atomic<EngineState> state { EngineState::Closed }; // any thread
    int initialised = 0; // UI thread (Init, Uninit)
    int telemetryLoaded = 0; // apiLock (LoadTelemetry on the loader thread), read by the UI thread
    QFont overlayFont; // UI thread
    std::recursive_mutex apiLock; // main engine's before the sub engine's
    std::mutex parserLock; // before apiLock
    recording::TelemetryReader probeReader; // frame-period probe of Open; then the views' (UI thread)
    recording::TelemetryReader currentReader; // LoadTelemetry: parserLock, then apiLock
    recording::TelemetryReader spareReader; // PreloadTelemetry: parserLock
    // Counts the sessions Open made. A new session may take a closed one's address, so only the
    // count tells them apart. apiLock.
    std::uint64_t sessionSerial = 0;
    QImage overlayBitmap; // 300 × 120, the overlay text; apiLock
    MovieWindow window; // set by Init; UI thread

    // The clock's frame, read `frames` ahead; the rules of GetPosition. Locked.
    int positionAhead(double frames);
    bool applyVideoRect(bool keepAspect);
    bool surfaceSize(int& width, int& height) const;

    MovieEngine* m_main = this;
    std::atomic<bool> m_preloadBusy { false };
    std::filesystem::path m_preloadPath; // guarded by parserLock
};

// Frame number of a time: truncation, forgiving the rounding of the single-precision frame
// arithmetic (a seek to frame k reads back as k).
std::int64_t framesOf(double time100ns, float framePeriodMs);

} // namespace kivora::playback
