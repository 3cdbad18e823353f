// The main window's answers to the private messages of its children and worker threads, and to
// the camera surface's direct reports.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/TimerIds.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/ZoomInteraction.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

void CkivoraDlg::onFileOpProgress(WParam done, LParam count)
{
    const int progress = count <= 0 ? 100 : static_cast<int>(static_cast<long long>(done) * 100 / count);
    m_progress->setPos(progress);
    m_progress->show();
    m_progress->raise();
    m_progress->repaint();
}

// --- Sliders ----------------------------------------------------------------------------------------

void CkivoraDlg::onSliderDrag(WParam id, LParam value)
{
    if (id == kPositionSliderId) {
        // A drag moves only the views; the engines follow on release.
        if (m_open.opened() && !m_positionSlider->pressedOutsideThumb())
            showFrame(value);
    } else if (id == kVolumeSliderId) {
        setVolume(static_cast<int>(value));
    }
}

void CkivoraDlg::onSliderPressed(WParam id, LParam value)
{
    if (id != kPositionSliderId || m_open.waiting() || !m_open.opened())
        return;
    m_playback.mute();
    m_sliderState = engineState();
    if (m_sliderState != EngineState::Paused)
        m_playback.pair().PauseBoth();
    if (m_positionSlider->pressedOutsideThumb()) {
        seekWithState(value, m_sliderState);
        m_playback.pair().RepaintBoth();
        applyVolume();
    }
}

void CkivoraDlg::onSliderReleased(WParam id, LParam value)
{
    if (m_open.waiting())
        return;
    if (id == kPositionSliderId) {
        if (m_open.opened() && !m_positionSlider->pressedOutsideThumb()) {
            seekWithState(value, m_sliderState);
            m_playback.pair().RepaintBoth();
            applyVolume();
        }
    } else if (id == kVolumeSliderId) {
        setVolume(static_cast<int>(value));
    }
}

// --- Map and graph --------------------------------------------------------------------------------

void CkivoraDlg::onMapReady()
{
    m_crashPoints.sendAgain();
    mapStatusStep();
    m_mapAllowed = true;
    update();
}

void CkivoraDlg::onDisplayFlag(int channel, bool on)
{
    if (channel < 0 || channel >= views::kEventChannelCount)
        return;
    m_graph->channels().setBoth(channel, on);
    m_graph->update();
    if (m_open.selectionValid())
        sendCrashPoints(m_open.selectedIndex(), false);
}

void CkivoraDlg::previousEvent()
{
    onEventClick(false);
}
void CkivoraDlg::nextEvent()
{
    onEventClick(true);
}

void CkivoraDlg::onEventClick(bool next)
{
    if (busy())
        return;
    m_timers.kill(kTimerToolbar105);
    const bool wasPlaying = engineState() == EngineState::Playing;
    if (wasPlaying)
        m_playback.pair().PauseBoth();
    std::optional<std::int64_t> step;
    {
        std::lock_guard cpSet(m_crashPoints.mutex());
        if (m_open.opened()) {
            const std::int64_t cursor = m_graph->currentStep();
            step = next ? views::nextEventStep(m_crashPoints.events(), m_graph->channels(), cursor)
                        : views::previousEventStep(m_crashPoints.events(), m_graph->channels(), cursor);
        }
    }
    // The seek runs without hMutexCpSet: showing the frame takes the engine locks only.
    if (step)
        seekWithState(*step, engineState());
    if (wasPlaying)
        m_playback.pair().PlayBoth();
}

// --- The camera surface's direct reports ----------------------------------------------------------

void CkivoraDlg::onSurfaceContextMenu(QPoint screenPoint, playback::CMovieStatic&)
{
    showPopupMenu(screenPoint);
}

void CkivoraDlg::onSurfaceGraphEvent(unsigned, long)
{
    // Only the fallback back-end reports graph events, and there is none on this platform.
}

void CkivoraDlg::onSurfaceMovieEnded()
{
    m_navigation.onMovieEnded();
}

void CkivoraDlg::onSurfaceSingleClick(int cameraIndex, QPoint clientPoint)
{
    // A click on the small rear-view picture swaps the two pictures.
    const int smallCamera = m_rearView == 1 ? 1 : m_rearView == 2 ? 0 : -1;
    if (!m_zoomMode && cameraIndex == smallCamera && m_subSurface->isVisible()) {
        setRearView(m_rearView == 1 ? 2 : 1);
        return;
    }
    if (!m_zoomMode || (cameraIndex != 0 && cameraIndex != 1) || !engineInitialised())
        return;
    playback::MovieEngine& engine = cameraIndex == 0 ? m_playback.main() : m_playback.sub();
    const playback::CMovieStatic& surface = cameraIndex == 0 ? *m_mainSurface : *m_subSurface;
    const QPoint anchor = playback::zoomResetAnchor(cameraIndex, m_mainSurface->size(), m_uiScale);
    if (playback::zoomClick(
            m_zoom[std::size_t(cameraIndex)], clientPoint, engine.pictureRect(), surface.size(), anchor))
        m_playback.pair().SetZoomBoth(m_zoom, true);
}

void CkivoraDlg::onSurfaceReapplyZoom()
{
    if (engineInitialised())
        m_playback.pair().SetZoomBoth(m_zoom, false);
}

} // namespace kivora::app
