// The sliders and the graph's event buttons of the main window.
#include "kivora/app/SeekInput.h"

#include "kivora/app/CrashPoints.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/TimerIds.h"

namespace kivora::app {

using platform::LParam;
using platform::WParam;
using playback::EngineState;

void SeekInput::sliderDrag(WParam id, LParam value)
{
    if (id == kPositionSliderId) {
        // A drag moves only the views; the engines follow on release.
        if (m_open.opened() && !m_host.positionPressedOutsideThumb())
            m_host.showFrame(value);
    } else if (id == kVolumeSliderId) {
        m_host.setVolume(static_cast<int>(value));
    }
}

void SeekInput::sliderPressed(WParam id, LParam value)
{
    if (id != kPositionSliderId || m_open.waiting() || !m_open.opened())
        return;
    m_playback.mute();
    m_sliderState = m_playback.state();
    if (m_sliderState != EngineState::Paused)
        m_playback.pair().PauseBoth();
    if (m_host.positionPressedOutsideThumb()) {
        m_host.seekWithState(value, m_sliderState);
        m_playback.pair().RepaintBoth();
        m_host.applyVolume();
    }
}

void SeekInput::sliderReleased(WParam id, LParam value)
{
    if (m_open.waiting())
        return;
    if (id == kPositionSliderId) {
        if (m_open.opened() && !m_host.positionPressedOutsideThumb()) {
            m_host.seekWithState(value, m_sliderState);
            m_playback.pair().RepaintBoth();
            m_host.applyVolume();
        }
    } else if (id == kVolumeSliderId) {
        m_host.setVolume(static_cast<int>(value));
    }
}

void SeekInput::eventClick(bool next)
{
    if (m_host.busy())
        return;
    m_host.cancelTimer(kTimerToolbar105);
    const bool wasPlaying = m_playback.state() == EngineState::Playing;
    if (wasPlaying)
        m_playback.pair().PauseBoth();
    std::optional<std::int64_t> step;
    {
        std::lock_guard cpSet(m_crashPoints.mutex());
        if (m_open.opened()) {
            const std::int64_t cursor = m_host.graphStep();
            step = next ? views::nextEventStep(m_crashPoints.events(), m_host.graphChannels(), cursor)
                        : views::previousEventStep(m_crashPoints.events(), m_host.graphChannels(), cursor);
        }
    }
    // The seek runs without hMutexCpSet: showing the frame takes the engine locks only.
    if (step)
        m_host.seekWithState(*step, m_playback.state());
    if (wasPlaying)
        m_playback.pair().PlayBoth();
}

} // namespace kivora::app
