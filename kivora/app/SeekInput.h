#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/playback/MovieEngine.h"

namespace kivora::app {

class CkivoraDlg;

// The main window's position and volume sliders and the graph's previous/next event: the moves
// the user makes through the recording by hand. UI thread only.
class SeekInput {
public:
    explicit SeekInput(CkivoraDlg& dlg)
        : m_dlg(dlg)
    {
    }

    void sliderDrag(platform::WParam id, platform::LParam value);
    void sliderPressed(platform::WParam id, platform::LParam value);
    void sliderReleased(platform::WParam id, platform::LParam value);
    void eventClick(bool next);

private:
    CkivoraDlg& m_dlg;
    playback::EngineState m_sliderState = playback::EngineState::Closed; // remembered at a slider press
};

} // namespace kivora::app
