// The main window's playback: the open sequence's steps, the loaders, starting the clock,
// play and pause.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/BothLocked.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/TimerIds.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/ZoomInteraction.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/GraphPlot.h"

#include <QApplication>
#include <QTimer>

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

namespace {

constexpr int kGraphMarginDesign = 41;
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
        m_positionSlider->setInteractive(true);
        stopped = m_playback.main().Stop() == 1;
        if (m_playback.sub().isInitialised())
            stopped = (m_playback.sub().Stop() == 1) || stopped;
        if (!m_listAdvancing)
            setPlayFace(!stopped);
    }
}

void CkivoraDlg::applySwitches(const SelectSwitches& switches)
{
    if (switches.resetSlider) {
        m_positionSlider->setPos(0);
        m_graph->setCurrentStep(0);
    }
    if (switches.resetGraph) {
        m_graph->setRange(0);
        m_graph->update();
    }
    if (switches.resetInfo) {
        m_info->Reset();
        m_info->update();
    }
}

void CkivoraDlg::endWait()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void CkivoraDlg::setZoomMode(bool on)
{
    m_zoomMode = on;
    m_mainSurface->setZoomMode(on);
    m_subSurface->setZoomMode(on);
    m_browser->setZoomHint(on);
    if (!on) {
        for (int camera : { 0, 1 })
            playback::resetZoom(m_zoom[std::size_t(camera)],
                playback::zoomResetAnchor(camera, m_mainSurface->size(), m_uiScale));
        if (engineInitialised())
            m_playback.pair().SetZoomBoth(m_zoom, true);
    }
    m_info->update();
}

// --- Open sequence: timer 101 -------------------------------------------------------------------

void CkivoraDlg::closeForOpen()
{
    m_timers.kill(kTimerClock);
    m_clock.clearPendingSeek();
    joinLoaders();
    m_graph->setTelemetry({});
    m_playback.closeBoth();
    m_graph->update();
    disableEverything(false);
}

int CkivoraDlg::openBoth(int index)
{
    std::filesystem::path path;
    {
        std::lock_guard cache(m_hMutexCache);
        if (!listValid(index))
            return playback::kOpenFailed;
        path = m_browser->Entry(index)->path;
    }
    return m_playback.pair().OpenBoth(path);
}

void CkivoraDlg::openSucceeded(int index)
{
    std::filesystem::path path;
    bool voltage = false;
    {
        std::lock_guard cache(m_hMutexCache);
        if (!listValid(index))
            return;
        path = m_browser->Entry(index)->path;
        voltage = m_voltageTrace && isParkingRecording(path);
    }
    m_movieDialog->setTitleSlot(recording::IsMainCameraName(path) ? kSlotMapTitle : kSlotMainCameraTitle);
    m_graph->setDrawEnabled(true);
    m_info->setVoltageMode(voltage);
    // A popup menu opened during the wait belongs to the recording that was showing.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void CkivoraDlg::openFailed()
{
    m_mapHasData = false;
    refreshMapChoice();
}

void CkivoraDlg::showOpenError(int slot)
{
    if (!m_export->offerRepair(status().movie, slot))
        ui::CMsgBox(this).show(ui::uiQText(slot, m_languageIndex), QStringLiteral("ERROR"));
}

void CkivoraDlg::redrawSurfaces()
{
    m_mainSurface->update();
    m_subSurface->update();
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

void CkivoraDlg::prepareReady()
{
    m_duration = m_playback.main().GetDuration();
    updateSpeedLabel();
    m_playback.pair().SetZoomBoth(m_zoom, false);
    m_playback.setAspect(m_keepAspect);
    m_playback.pair().SeekBoth(0);
    placeRearView();
}

std::filesystem::path CkivoraDlg::listPath(int index)
{
    std::lock_guard cache(m_hMutexCache);
    return listValid(index) ? m_browser->Entry(index)->path : std::filesystem::path();
}

void CkivoraDlg::startLoader(std::uint64_t generation)
{
    const int index = m_open.selectedIndex();
    m_playback.startLoader([this, index] { return listPath(index); },
        [generation, target = messageTarget()](bool preloaded, bool loaded) {
            postMessage(target, kMsgTelemetryLoaded, WParam(generation),
                LParam((preloaded ? 1 : 0) | (loaded ? 2 : 0)));
        });
}

void CkivoraDlg::startPreloader()
{
    const int index = m_open.selectedIndex() + 1;
    m_playback.startPreloader([this, index] { return listPath(index); });
}

// --- Open sequence: telemetry loaded --------------------------------------------------------------

void CkivoraDlg::applyVolumeAndRate()
{
    applyVolume();
    m_playback.pair().SetRateBoth(m_playback.main().rate());
}

bool CkivoraDlg::play()
{
    m_mapAllowed = true;
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

void CkivoraDlg::startClock()
{
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.selectionValid())
        return;
    recording::RecordingEntry& entry = *m_browser->Entry(m_open.selectedIndex());

    // 1. The recording's picture code and start time.
    int width = 0;
    int height = 0;
    m_playback.main().GetNativeSize(width, height);
    entry.qualityCode = resolutionCode(height, m_playback.main().loadedHeader().qualityLetter);
    m_info->setQualityCode(entry.qualityCode);
    entry.start = recording::NameDateTime(entry.path);
    m_info->setStartTime(entry.start);

    // 2. Slider and graph from the start; the telemetry moves to where every view reads it.
    bool haveGps = false;
    {
        BothLocked locked(m_playback.pair());
        m_positionSlider->setPos(0);
        m_graph->setStepCount(m_positionSlider->maximum() - m_positionSlider->minimum());
        m_graph->setCurrentStep(0);
        const int margin = static_cast<int>(kGraphMarginDesign * m_uiScale);
        m_graph->setMargin(margin);
        const ui::SkinEntry* background = ui::skinEntry(views::graphRangeBitmapId(m_graph->range()));
        const int backgroundWidth = background ? background->frameWidth() : 640;
        m_graph->setTileWidth(static_cast<int>(backgroundWidth * m_uiScale) - margin);
        m_graph->update();
        const float period = m_playback.main().GetFramePeriod();
        entry.framesPerSecond = period > 0.0f ? 1000.0f / period : 0.0f;
        haveGps = m_playback.main().adoptLoadedTelemetry();
        // From here the probe reader changes only on this thread (closing releases it), so the
        // graph paints from it without the engine locks.
        m_graph->setTelemetry({ &m_playback.main().shownTelemetry(), {}, {} });
        if (!haveGps) {
            m_mapHasData = false;
        } else {
            const recording::TelemetryReader& reader = m_playback.main().shownTelemetry();
            m_graph->setRange(views::graphRangeFor(reader.maxAbsAccel));
            if (reader.header.timeLapseLetter == 'N')
                m_info->setTimeLapse(false);
            else if (reader.header.timeLapseLetter == 'T')
                m_info->setTimeLapse(true);
            m_info->setHeaderCode(reader.header.code25);
        }
    }
    if (!haveGps)
        refreshMapChoice();

    // 3. Panel and slider know the movie's length.
    m_info->setMsPerFrame(m_playback.main().GetFramePeriod());
    m_duration = m_playback.main().GetDuration();
    m_positionSlider->setRange(0, static_cast<int>(m_duration));

    // 4. The event list (the map gets it once its page is there).
    sendCrashPoints(m_open.selectedIndex(), false);

    // 5. Go.
    updateSpeedLabel();
    applyVolume();
    showFrame(0);
    m_clock.clearPendingSeek();
    m_timers.start(kTimerClock, std::chrono::milliseconds(kClockMs));
    m_positionSlider->setInteractive(true);
}

void CkivoraDlg::afterTelemetryLoaded()
{
    updateMapHasData();
    resumeAfterFileWork();
}

// --- The clock --------------------------------------------------------------------------------------

void CkivoraDlg::seekTo(std::int64_t frame)
{
    seekWithState(frame, engineState());
}

void CkivoraDlg::updateSpeedLabel()
{
    if (!engineInitialised()) {
        m_info->setRateCode(0);
        return;
    }
    m_info->setRateCode(m_playback.main().rate());
}

int CkivoraDlg::recordingDefaultRate() const
{
    if (!m_open.selectionValid())
        return playback::kRateNormal;
    return defaultRateCode(m_browser->Entry(m_open.selectedIndex())->path);
}

} // namespace kivora::app
