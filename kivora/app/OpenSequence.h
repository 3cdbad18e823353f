#pragma once

#include <cstdint>

namespace kivora::app {

// What a select step resets besides the selection.
struct SelectSwitches {
    bool resetSlider = false; // position slider and graph cursor to 0
    bool resetGraph = false; // graph range to 0, redrawn
    bool resetInfo = false; // information panel reset and redrawn
};

// The four steps that open a recording and the marks they keep:
//   select → timer 101 (500 ms; a later selection restarts it, so only the last one opens)
//   → open both cameras → the engine reports ready → the telemetry loader thread → 0x8515
//   → telemetry loaded: the clock starts, and playback when it was asked for.
// The window (Host) does the work of each step; this class decides what happens in which order
// and keeps the marks, so the rules can be driven without movies. UI thread only.
class OpenSequence {
public:
    static constexpr int kDelayedOpenMs = 500;
    static constexpr int kOpenTimeoutMs = 5000;
    static constexpr int kSlotOpenFailed = 96;
    static constexpr int kSlotTooShort = 97;

    class Host {
    public:
        virtual int listSize() const = 0;
        // An automatic walk through the list is under way (the toolbar is left alone).
        virtual bool listAdvancing() const = 0;
        // The list is still being filled (no telemetry is loaded yet).
        virtual bool listLoading() const = 0;

        // Single-shot timers 101 and 102.
        virtual void startTimer(int id, int ms) = 0;
        virtual void killTimer(int id) = 0;

        // Select step.
        virtual void stopBoth() = 0;
        virtual void clearMapHasData() = 0;
        virtual void applySwitches(const SelectSwitches& switches) = 0;
        virtual void refreshToolbar() = 0;
        // Wait cursor on and every toolbar button and control disabled; or the cursor back.
        virtual void beginWait() = 0;
        virtual void endWait() = 0;

        // Timer 101: stop the clock and the telemetry loader, release the telemetry, close both
        // cameras, redraw the graph and disable the toolbar.
        virtual void closeForOpen() = 0;
        // OpenBoth with the recording at index: 0 failure, 2 too short, anything else success.
        virtual int openBoth(int index) = 0;
        // Window title, graph drawing on, voltage mode.
        virtual void openSucceeded(int index) = 0;
        // Map-has-data cleared, map choice refreshed.
        virtual void openFailed() = 0;
        // Redraw both video surfaces and show the "ERROR" box with the text of the slot.
        virtual void showOpenError(int slot) = 0;
        virtual void enableToolbar() = 0;
        virtual void leaveZoom() = 0;
        virtual void clearNearEndLock() = 0;
        // The next recording of the list with advance mode 1; false at the end of the list.
        virtual bool selectNextRecording() = 0;
        virtual void nextFolder() = 0;

        // Timer 102.
        virtual void redrawSurfaces() = 0;

        // Engine ready: duration, speed label, zoom, aspect and SeekBoth to frame 0.
        virtual void prepareReady() = 0;
        // Starts the telemetry loader thread for the selected recording (joining a previous one);
        // it reports with telemetryLoaded(generation, ...).
        virtual void startLoader(std::uint64_t generation) = 0;
        // Starts the preloader of the recording after the selected one.
        virtual void startPreloader() = 0;

        // Telemetry loaded.
        virtual void applyVolumeAndRate() = 0;
        virtual bool play() = 0; // true when playback started
        virtual void setPlayFace(bool pauseFace) = 0;
        virtual void startClock() = 0;
        // Position restore of a finished file operation, map-has-data update.
        virtual void afterTelemetryLoaded() = 0;

    protected:
        ~Host() = default;
    };

    explicit OpenSequence(Host& host)
        : m_host(host)
    {
    }

    // Step 1. False (nothing changes) when index is outside the list.
    bool select(int index, const SelectSwitches& switches, int advanceMode = 0);
    // Step 2 (timer 101).
    void onDelayedOpen();
    // Timer 102.
    void onOpenTimeout();
    // Step 3 (the engine reports that the movie can play).
    void onEngineReady();
    // Step 4 (0x8515). generation tells which open the loader worked for; preloaded is the data
    // file's preload result, loaded whether the telemetry went into both engines.
    void onTelemetryLoaded(std::uint64_t generation, bool preloaded, bool loaded);

    // Closing or resetting the recording: nothing is open any more.
    void resetRecording();

    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index) { m_selected = index; }
    bool selectionValid() const { return m_selected >= 0 && m_selected < m_host.listSize(); }
    // The index whose movie the engines hold (-1 none).
    int openedIndex() const { return m_openedIndex; }
    std::uint64_t generation() const { return m_generation; }

    bool opened() const { return m_opened; }
    void setOpened(bool on) { m_opened = on; }
    bool opening() const { return m_opening; }
    bool ready() const { return m_ready; }
    bool waiting() const { return m_wait; }
    bool playAfterLoad() const { return m_playAfterLoad; }
    void setPlayAfterLoad(bool on) { m_playAfterLoad = on; }
    bool autoAdvance() const { return m_autoAdvance; }
    void setAutoAdvance(bool on) { m_autoAdvance = on; }
    bool endHandled() const { return m_endHandled; }
    void setEndHandled(bool on) { m_endHandled = on; }
    bool errorBoxShown() const { return m_errorBox; }
    void clearErrorBox() { m_errorBox = false; }
    bool preloadPending() const { return m_preloadPending; }
    int advanceMode() const { return m_advanceMode; }

private:
    void endWait();
    void afterFailure();
    void scheduleOpen();

    Host& m_host;
    int m_selected = -1;
    int m_openedIndex = -1;
    std::uint64_t m_generation = 0; // counts opens; a loader's report names the one it served
    bool m_readyHandled = false; // the ready report of the current open was acted on
    int m_advanceMode = 0; // 0 chosen by the user, 1 reached by next, 2 by previous
    bool m_opened = false;
    bool m_opening = true;
    bool m_ready = true;
    bool m_wait = false;
    bool m_playAfterLoad = false;
    bool m_autoAdvance = false;
    bool m_endHandled = false;
    bool m_errorBox = false;
    bool m_preloadPending = false;
};

} // namespace kivora::app
