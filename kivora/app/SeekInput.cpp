// The sliders and the graph's event buttons of the main window.
#include "kivora/app/SeekInput.h"

#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/TimerIds.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"

namespace kivora::app {

using platform::LParam;
using platform::WParam;
using playback::EngineState;

void SeekInput::sliderDrag(WParam id, LParam value)
{
    if (id == CkivoraDlg::kPositionSliderId) {
        // A drag moves only the views; the engines follow on release.
        if (m_dlg.m_open.opened() && !m_dlg.m_positionSlider->pressedOutsideThumb())
            m_dlg.showFrame(value);
    } else if (id == CkivoraDlg::kVolumeSliderId) {
        m_dlg.setVolume(static_cast<int>(value));
    }
}

void SeekInput::sliderPressed(WParam id, LParam value)
{
    if (id != CkivoraDlg::kPositionSliderId || m_dlg.m_open.waiting() || !m_dlg.m_open.opened())
        return;
    m_dlg.m_playback.mute();
    m_sliderState = m_dlg.engineState();
    if (m_sliderState != EngineState::Paused)
        m_dlg.m_playback.pair().PauseBoth();
    if (m_dlg.m_positionSlider->pressedOutsideThumb()) {
        m_dlg.seekWithState(value, m_sliderState);
        m_dlg.m_playback.pair().RepaintBoth();
        m_dlg.applyVolume();
    }
}

void SeekInput::sliderReleased(WParam id, LParam value)
{
    if (m_dlg.m_open.waiting())
        return;
    if (id == CkivoraDlg::kPositionSliderId) {
        if (m_dlg.m_open.opened() && !m_dlg.m_positionSlider->pressedOutsideThumb()) {
            m_dlg.seekWithState(value, m_sliderState);
            m_dlg.m_playback.pair().RepaintBoth();
            m_dlg.applyVolume();
        }
    } else if (id == CkivoraDlg::kVolumeSliderId) {
        m_dlg.setVolume(static_cast<int>(value));
    }
}

void SeekInput::eventClick(bool next)
{
    if (m_dlg.busy())
        return;
    m_dlg.m_timers.kill(kTimerToolbar105);
    const bool wasPlaying = m_dlg.engineState() == EngineState::Playing;
    if (wasPlaying)
        m_dlg.m_playback.pair().PauseBoth();
    std::optional<std::int64_t> step;
    {
        std::lock_guard cpSet(m_dlg.m_crashPoints.mutex());
        if (m_dlg.m_open.opened()) {
            const std::int64_t cursor = m_dlg.m_graph->currentStep();
            step = next
                ? views::nextEventStep(m_dlg.m_crashPoints.events(), m_dlg.m_graph->channels(), cursor)
                : views::previousEventStep(m_dlg.m_crashPoints.events(), m_dlg.m_graph->channels(), cursor);
        }
    }
    // The seek runs without hMutexCpSet: showing the frame takes the engine locks only.
    if (step)
        m_dlg.seekWithState(*step, m_dlg.engineState());
    if (wasPlaying)
        m_dlg.m_playback.pair().PlayBoth();
}

} // namespace kivora::app
