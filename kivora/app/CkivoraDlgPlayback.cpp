// The main window's playback: stopping both cameras, the engine-ready report, play and pause.
// The open sequence's steps are OpenSteps'.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/RecordingRules.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CInfoDlg.h"

#include <QTimer>

namespace kivora::app {

using playback::EngineState;

namespace {

constexpr int kReadyRetryMs = 20;

} // namespace

// --- Open sequence: select ----------------------------------------------------------------------

void CkivoraDlg::stopBothCameras()
{
    if (!engineInitialised())
        return;
    const EngineState state = engineState();
    if (state != EngineState::Playing && state != EngineState::Paused)
        return;
    bool stopped = false;
    {
        std::lock_guard cache(m_hMutexCache);
        m_ui.positionSlider->setInteractive(true);
        stopped = m_playback.main().Stop() == 1;
        if (m_playback.sub().isInitialised())
            stopped = (m_playback.sub().Stop() == 1) || stopped;
        if (!m_navigation.listAdvancing())
            setPlayFace(!stopped);
    }
}

void CkivoraDlg::redrawSurfaces()
{
    m_ui.mainSurface->update();
    m_ui.subSurface->update();
}

// --- Open sequence: engine ready --------------------------------------------------------------

void CkivoraDlg::onSurfaceMovieReady()
{
    checkEngineReady(0);
}

void CkivoraDlg::checkEngineReady(int attempt)
{
    // A report queued by a session that has since been closed says nothing about the open movie.
    if (m_shutDown || !m_playback.main().hasSession())
        return;
    if (!m_playback.main().ready()) {
        // The sub camera's report stands for both, and it can come first: wait for the main
        // camera's session, as long as an open may take.
        if (attempt * kReadyRetryMs < OpenSequence::kOpenTimeoutMs)
            QTimer::singleShot(kReadyRetryMs, this, [this, attempt] { checkEngineReady(attempt + 1); });
        return;
    }
    m_open.onEngineReady();
}

// --- Open sequence: telemetry loaded --------------------------------------------------------------

bool CkivoraDlg::play()
{
    m_mapPlace.allowMap();
    if (!m_open.opened())
        return false;
    applyVolume();
    m_open.setEndHandled(false);
    bool started = engineState() == EngineState::Playing;
    if (!started) {
        const EngineState state = engineState();
        if (state == EngineState::Stopped || state == EngineState::Paused)
            started = m_playback.pair().PlayBoth() && engineState() == EngineState::Playing;
    }
    if (!started)
        m_open.setPlayAfterLoad(true);
    // A start away from the end lifts the near-end lock now rather than at the next tick, so a
    // command given right after play (a remote control's rate) is not refused.
    if (started && m_clock.nearEndLock() && !busy())
        m_clock.clearNearEndLock();
    updateSpeedLabel();
    setPlayFace(started);
    return started;
}

void CkivoraDlg::requestPlay()
{
    if (!m_open.opened() || !play())
        m_open.setPlayAfterLoad(true);
}

void CkivoraDlg::pause()
{
    if (engineState() != EngineState::Playing || busy())
        return;
    const int rate = recordingDefaultRate();
    const bool paused = m_playback.pair().PauseBoth();
    m_playback.pair().RepaintBoth();
    // The picture may have moved on since the last clock tick; the views must show the frame
    // the user stopped on, not the one before it.
    if (paused && m_open.opened()) {
        if (const int p = m_playback.main().GetPosition(); p >= 0)
            showFrame(p);
    }
    m_playback.pair().SetRateBoth(rate);
    updateSpeedLabel();
    setPlayFace(!paused);
    m_playback.mute();
}

// --- The clock --------------------------------------------------------------------------------------

void CkivoraDlg::seekTo(std::int64_t frame)
{
    seekWithState(frame, engineState());
}

void CkivoraDlg::updateSpeedLabel()
{
    if (!engineInitialised()) {
        m_ui.info->setRateCode(0);
        return;
    }
    m_ui.info->setRateCode(m_playback.main().rate());
}

void CkivoraDlg::setKeepAspect(bool keep)
{
    m_keepAspect = keep;
    m_playback.setAspect(keep);
    m_settings.setKeepAspect(keep);
}

int CkivoraDlg::recordingDefaultRate() const
{
    if (!m_open.selectionValid())
        return playback::kRateNormal;
    return defaultRateCode(m_browser->Entry(m_open.selectedIndex())->path);
}

} // namespace kivora::app
