#pragma once

#include "kivora/playback/MovieEngine.h"

#include <cstdint>

namespace kivora::app {

class CkivoraDlg;
struct FrameValues;

// The main window's 30 ms clock and what it shows: each tick asks the clock what to do, and
// showing frame n builds that frame's values once, under the engine locks, then hands them to
// every view and redraws the panel and the graph after the locks are released. Seeks keep the
// engine's state. UI thread only; owned by the window whose views it feeds.
class ViewFeed {
public:
    explicit ViewFeed(CkivoraDlg& hub)
        : m_hub(hub)
    {
    }

    void clockTick();
    // The views show frame n (clamped to the slider's range); a seek waits for it.
    void showFrame(std::int64_t n);
    // Seeks both cameras to n (held back from the end) and shows it, leaving the engines in state.
    void seekWithState(std::int64_t n, playback::EngineState state);

private:
    void feedViews(const FrameValues& values);

    CkivoraDlg& m_hub;
};

} // namespace kivora::app
