// The main window's playback: the open sequence's steps, the loader threads, the 30 ms clock,
// showing a frame in every view, and seeking.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/BusyGuard.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/SeekClamp.h"
#include "kivora/app/TimerIds.h"
#include "kivora/platform/MessageIds.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/ZoomInteraction.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/CObdDlg.h"
#include "kivora/views/GraphPlot.h"

#include <QApplication>
#include <QTimer>

#include <cmath>

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

namespace {

constexpr int kGraphMarginDesign = 41;
constexpr int kReadyRetryMs = 20;

// Both engines' api locks for a scope, main camera first.
class BothLocked {
public:
    explicit BothLocked(playback::MoviePair& pair)
        : m_pair(pair)
    {
        m_pair.LockBoth();
    }
    ~BothLocked() { m_pair.UnlockBoth(); }
    BothLocked(const BothLocked&) = delete;
    BothLocked& operator=(const BothLocked&) = delete;

private:
    playback::MoviePair& m_pair;
};

bool isParking(const std::filesystem::path& path)
{
    const auto kind = recording::TriggerCategory(path);
    return kind == recording::TriggerKind::Parking || kind == recording::TriggerKind::ParkingShock;
}

} // namespace

// --- Sources ---------------------------------------------------------------------------------

bool CkivoraDlg::openSource(const std::filesystem::path& source)
{
    closeRecording();
    bool any = false;
    {
        std::lock_guard cache(m_hMutexCache);
        any = m_list.load(source);
    }
    m_open.setSelectedIndex(-1);
    if (!any)
        return false;
    return selectRecording(0);
}

bool CkivoraDlg::selectRecording(int index)
{
    std::lock_guard cache(m_hMutexCache);
    return m_open.select(index, { true, true, true }, 0);
}

int CkivoraDlg::listSize() const
{
    return m_list.size();
}

std::string CkivoraDlg::shownRecordingName()
{
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.selectionValid())
        return {};
    return m_list.entry(m_open.selectedIndex()).path.filename().string();
}

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
        stopped = m_mainEngine.Stop() == 1;
        if (m_subEngine.initialised)
            stopped = (m_subEngine.Stop() == 1) || stopped;
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

void CkivoraDlg::refreshToolbar()
{
    // The toolbar itself comes with the commands; until then the controls it would enable are the
    // sliders, which follow the wait.
    if (!m_open.waiting())
        enableToolbar();
}

void CkivoraDlg::enableToolbar()
{
    m_controlsEnabled = true;
    m_positionSlider->setEnabled(true);
    m_volumeSlider->setEnabled(true);
}

void CkivoraDlg::beginWait()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_controlsEnabled = false;
    m_positionSlider->setEnabled(false);
    m_volumeSlider->setEnabled(false);
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
    if (!on) {
        for (int camera : { 0, 1 })
            playback::resetZoom(m_zoom[std::size_t(camera)],
                playback::zoomResetAnchor(camera, m_mainSurface->size(), m_uiScale));
        if (engineInitialised())
            m_pair.SetZoomBoth(m_zoom, true);
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
    m_pair.ReleaseTelemetryBoth();
    m_pair.CloseBoth();
    m_graph->update();
    m_controlsEnabled = false;
}

int CkivoraDlg::openBoth(int index)
{
    std::filesystem::path path;
    {
        std::lock_guard cache(m_hMutexCache);
        if (!m_list.valid(index))
            return playback::kOpenFailed;
        path = m_list.entry(index).path;
    }
    return m_pair.OpenBoth(path);
}

void CkivoraDlg::openSucceeded(int index)
{
    std::filesystem::path path;
    bool voltage = false;
    {
        std::lock_guard cache(m_hMutexCache);
        path = m_list.entry(index).path;
        voltage = m_list.hasVoltageTrace() && isParking(path);
    }
    m_movieDialog->setTitleSlot(recording::IsMainCameraName(path) ? kSlotMapTitle : kSlotMainCameraTitle);
    m_graph->setDrawEnabled(true);
    m_info->setVoltageMode(voltage);
}

void CkivoraDlg::openFailed()
{
    m_mapHasData = false;
    refreshMapChoice();
}

void CkivoraDlg::showOpenError(int slot)
{
    ui::CMsgBox(this).show(ui::uiQText(slot, m_languageIndex), QStringLiteral("ERROR"));
}

void CkivoraDlg::redrawSurfaces()
{
    m_mainSurface->update();
    m_subSurface->update();
}

bool CkivoraDlg::selectNextRecording()
{
    std::lock_guard cache(m_hMutexCache);
    const int next = m_open.selectedIndex() + 1;
    if (!m_list.valid(next))
        return false;
    selectNext(1);
    return true;
}

void CkivoraDlg::selectNext(int advanceMode)
{
    const int next = m_open.selectedIndex() + (advanceMode == 2 ? -1 : 1);
    m_positionSlider->setInteractive(false);
    m_graph->setDrawEnabled(false);
    m_positionSlider->setPos(0);
    m_graph->setCurrentStep(0);
    m_open.setEndHandled(false);
    m_open.select(next, { true, true, false }, advanceMode);
}

void CkivoraDlg::nextFolder()
{
    // The minimal list has no folder tree to walk on: the walk ends here.
    m_open.setAutoAdvance(false);
    leaveZoom();
}

// --- Open sequence: engine ready --------------------------------------------------------------

void CkivoraDlg::onSurfaceMovieReady()
{
    checkEngineReady(0);
}

void CkivoraDlg::checkEngineReady(int attempt)
{
    // A report queued by a session that has since been closed says nothing about the open movie.
    if (m_shutDown || !m_mainEngine.session)
        return;
    if (!m_mainEngine.ready()) {
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
    m_duration = m_mainEngine.GetDuration();
    updateSpeedLabel();
    m_pair.SetZoomBoth(m_zoom, false);
    m_mainEngine.SetAspectMode(m_keepAspect ? 1 : 0);
    if (m_subEngine.initialised)
        m_subEngine.SetAspectMode(m_keepAspect ? 1 : 0);
    m_pair.SeekBoth(0);
}

void CkivoraDlg::joinLoaders()
{
    // Never called with hMutexCache or an engine lock held: the loaders take both.
    if (m_loader.joinable())
        m_loader.join();
    if (m_preloader.joinable())
        m_preloader.join();
}

void CkivoraDlg::startLoader(std::uint64_t generation)
{
    if (m_loader.joinable())
        m_loader.join();
    const int index = m_open.selectedIndex();
    m_loader = std::thread([this, index, generation, target = messageTarget()] {
        std::filesystem::path path;
        {
            std::lock_guard cache(m_hMutexCache);
            if (m_list.valid(index))
                path = m_list.entry(index).path;
        }
        const bool preloaded = !path.empty() && m_pair.PreloadTelemetry(path);
        // Decoding happens here, not on the window's thread.
        const bool loaded = !path.empty() && m_pair.LoadTelemetryBoth(path);
        postMessage(
            target, kMsgTelemetryLoaded, WParam(generation), LParam((preloaded ? 1 : 0) | (loaded ? 2 : 0)));
    });
}

void CkivoraDlg::startPreloader()
{
    if (m_preloader.joinable())
        m_preloader.join();
    const int index = m_open.selectedIndex() + 1;
    m_preloader = std::thread([this, index] {
        std::filesystem::path path;
        {
            std::lock_guard cache(m_hMutexCache);
            if (m_list.valid(index))
                path = m_list.entry(index).path;
        }
        // No path only releases the spare reader.
        m_pair.PreloadTelemetry(path);
    });
}

// --- Open sequence: telemetry loaded --------------------------------------------------------------

void CkivoraDlg::applyVolume()
{
    if (!engineInitialised())
        return;
    m_mainEngine.SetVolume(m_volume);
    if (m_subEngine.initialised)
        m_subEngine.SetVolume(0);
}

void CkivoraDlg::applyVolumeAndRate()
{
    applyVolume();
    m_pair.SetRateBoth(m_mainEngine.rateCode);
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
            started = m_pair.PlayBoth() && engineState() == EngineState::Playing;
    }
    if (!started)
        m_open.setPlayAfterLoad(true);
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
    const bool paused = m_pair.PauseBoth();
    m_pair.RepaintBoth();
    // The picture may have moved on since the last clock tick; the views must show the frame
    // the user stopped on, not the one before it.
    if (paused && m_open.opened()) {
        if (const int p = m_mainEngine.GetPosition(); p >= 0)
            showFrame(p);
    }
    m_pair.SetRateBoth(rate);
    updateSpeedLabel();
    setPlayFace(!paused);
    if (engineInitialised()) {
        m_mainEngine.SetVolume(0);
        if (m_subEngine.initialised)
            m_subEngine.SetVolume(0);
    }
}

views::ViewTelemetry CkivoraDlg::viewTelemetry()
{
    if (!engineInitialised() || !m_open.opened())
        return {};
    return { &m_mainEngine.probeReader, [this] { m_pair.LockBoth(); }, [this] { m_pair.UnlockBoth(); } };
}

void CkivoraDlg::startClock()
{
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.selectionValid())
        return;
    recording::RecordingEntry& entry = m_list.entry(m_open.selectedIndex());

    // 1. The recording's picture code and start time.
    int width = 0;
    int height = 0;
    m_mainEngine.GetNativeSize(width, height);
    entry.qualityCode = resolutionCode(height, m_mainEngine.currentReader.header.qualityLetter);
    m_info->setQualityCode(entry.qualityCode);
    entry.start = recording::NameDateTime(entry.path);
    m_info->setStartTime(entry.start);

    // 2. Slider and graph from the start; the telemetry moves to where every view reads it.
    bool haveGps = false;
    {
        BothLocked locked(m_pair);
        m_positionSlider->setPos(0);
        m_graph->setStepCount(m_positionSlider->maximum() - m_positionSlider->minimum());
        m_graph->setCurrentStep(0);
        const int margin = static_cast<int>(kGraphMarginDesign * m_uiScale);
        m_graph->setMargin(margin);
        const ui::SkinEntry* background = ui::skinEntry(views::graphRangeBitmapId(m_graph->range()));
        const int backgroundWidth = background ? background->frameWidth() : 640;
        m_graph->setTileWidth(static_cast<int>(backgroundWidth * m_uiScale) - margin);
        m_graph->update();
        const float period = m_mainEngine.GetFramePeriod();
        entry.framesPerSecond = period > 0.0f ? 1000.0f / period : 0.0f;
        recording::Release(m_mainEngine.probeReader);
        haveGps = recording::Move(m_mainEngine.currentReader, m_mainEngine.probeReader);
        m_graph->setTelemetry(viewTelemetry());
        if (!haveGps) {
            m_mapHasData = false;
        } else {
            const recording::TelemetryReader& reader = m_mainEngine.probeReader;
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
    m_info->setMsPerFrame(m_mainEngine.GetFramePeriod());
    m_duration = m_mainEngine.GetDuration();
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
}

void CkivoraDlg::updateMapHasData()
{
    BothLocked locked(m_pair);
    const recording::TelemetryReader& reader = m_mainEngine.probeReader;
    const recording::TelemetrySample sample = reader.sampleAtFrame(m_shownFrame < 0 ? 0 : m_shownFrame);
    m_mapHasData = !reader.gps.empty() && sample.gps && sample.gps->valid == 1;
}

// --- The clock --------------------------------------------------------------------------------------

EngineState CkivoraDlg::engineState() const
{
    return engineInitialised() ? m_mainEngine.engineState() : EngineState::Closed;
}

bool CkivoraDlg::busy()
{
    EngineSnapshot snapshot;
    if (engineInitialised()) {
        snapshot.initialised = true;
        snapshot.playing = engineState() == EngineState::Playing;
        snapshot.rateCode = m_mainEngine.rateCode;
        if (snapshot.playing) {
            snapshot.position = m_mainEngine.GetPosition();
            snapshot.duration = m_mainEngine.GetDuration();
        }
    }
    return isBusy(m_open.opened(), snapshot);
}

void CkivoraDlg::clockTick()
{
    if (engineInitialised()) {
        const EngineState state = engineState();
        if (state == EngineState::Stopped || state == EngineState::Paused) {
            refreshMapChoice();
            return;
        }
        if (state == EngineState::Playing) {
            const bool isBusyNow = busy();
            if (isBusyNow && !m_nearEndLock) {
                m_controlsEnabled = false;
                m_nearEndLock = true;
            } else if (!isBusyNow && m_nearEndLock) {
                refreshToolbar();
                m_nearEndLock = false;
            }
        }
        m_clock.tick(m_mainEngine.GetPosition(), m_mainEngine.GetDuration(), *this);
    }
    mapStatusStep();
}

void CkivoraDlg::showFrame(std::int64_t n)
{
    BothLocked locked(m_pair);
    const int g = app::shownFrame(n, m_positionSlider->minimum(), m_positionSlider->maximum());
    m_clock.setPendingSeek(g);
    m_shownFrame = g;

    const recording::TelemetryReader& reader = m_mainEngine.probeReader;
    const recording::TelemetrySample sample
        = m_open.opened() ? reader.sampleAtFrame(g) : recording::TelemetrySample {};
    if (const recording::MotionSample* motion = sample.motion) {
        m_info->setAcceleration(motion->accelX, motion->accelY, motion->accelZ);
        m_info->setStatusLetter(motion->code122);
        if (const recording::GpsSample* gps = sample.gps) {
            double speed = -1.0;
            if (gps->valid == 1) {
                m_gpsInvalid = gps->latitude > 360.0 || gps->longitude > 360.0;
                if (!m_open.opening()) {
                    m_mapHasData = true;
                    refreshMapChoice();
                }
                speed = gps->speed;
            }
            m_info->setSpeed(speed);
            m_info->setGpsValid(gps->valid == 1);
            m_info->setVoltageTenths(motion->code48);
            if (const recording::VehicleSample* vehicle = sample.vehicle) {
                m_info->setVehicleExtras(vehicle->extra1, vehicle->extra2, vehicle->extra3, vehicle->raw4[0]);
                m_vehicle.update(*vehicle);
                m_obd->setValues(m_vehicle.values());
            }
        } else {
            m_info->setGpsValid(false);
        }
    } else {
        m_info->setAcceleration(views::CInfoDlg::kNoAcceleration, views::CInfoDlg::kNoAcceleration,
            views::CInfoDlg::kNoAcceleration);
        m_info->setGpsValid(false);
    }

    m_info->setPosition(g);
    if (!isFullScreenView())
        m_info->repaint();

    m_positionSlider->setPos(g);
    m_graph->setCurrentStep(g);
    m_graph->setStepCount(m_positionSlider->maximum() - m_positionSlider->minimum());
    m_graph->repaint();
}

void CkivoraDlg::seekWithState(std::int64_t n, EngineState state)
{
    const int margin = engineInitialised() ? endMargin(m_mainEngine.rateCode) : endMargin(0);
    const std::int64_t f = seekFrame(n, m_positionSlider->maximum(), margin);
    if (state == EngineState::Stopped || state == EngineState::Paused) {
        m_pair.SeekBoth(f);
        showFrame(n);
        refreshToolbar();
    } else if (state == EngineState::Playing) {
        if (engineState() == EngineState::Playing)
            m_pair.PauseBoth();
        m_pair.SeekBoth(f);
        showFrame(n);
        m_pair.PlayBoth();
    }
}

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
    m_info->setRateCode(m_mainEngine.rateCode);
}

int CkivoraDlg::recordingDefaultRate() const
{
    if (!m_open.selectionValid())
        return playback::kRateNormal;
    return defaultRateCode(m_list.entries()[static_cast<std::size_t>(m_open.selectedIndex())].path);
}

// --- Map seams: the map window arrives later; until then its page is never ready -----------------

int CkivoraDlg::sendCrashPoints(int recordingIndex, bool /*withGroupTrack*/)
{
    std::lock_guard cpSet(m_hMutexCpSet);
    BothLocked locked(m_pair);
    if (recordingIndex < 0 || !m_open.opened()) {
        m_events.clear();
        return 1;
    }
    m_events = views::buildEventList(&m_mainEngine.probeReader, m_graph->channels());
    return 1;
}

void CkivoraDlg::mapStatusStep()
{
    // Nothing to tell while there is no map page (its htmlReady flag is 0).
}

void CkivoraDlg::refreshMapChoice()
{
    // Without a map window nothing stands in its place yet; the marks above are kept for it.
}

// --- Resetting and closing ------------------------------------------------------------------------

void CkivoraDlg::resetRecordingState()
{
    m_info->clearRecording();
    m_positionSlider->setPos(0);
    m_positionSlider->setRange(0, 0);
    m_graph->setCurrentStep(0);
    m_timers.kill(kTimerClock);
    updateSpeedLabel();
    joinLoaders();
    m_open.resetRecording();
    m_mapHasData = false;
    m_shownFrame = -1;
    m_clock.clearPendingSeek();
    m_mainSurface->update();
    refreshMapChoice();
}

void CkivoraDlg::closeRecording()
{
    if (engineInitialised())
        m_pair.SetRateBoth(recordingDefaultRate());
    m_movieDialog->setTitleSlot(kSlotMapTitle);
    joinLoaders();
    m_graph->setTelemetry({});
    m_pair.ReleaseTelemetryBoth();
    m_pair.CloseBoth();
    {
        BothLocked locked(m_pair);
        recording::Release(m_mainEngine.probeReader);
    }
    {
        std::lock_guard cpSet(m_hMutexCpSet);
        m_events.clear();
    }
    resetRecordingState();
    setPlayFace(false);
    m_positionSlider->setInteractive(true);
    m_info->Reset();
    m_info->update();
    m_graph->update();
}

} // namespace kivora::app
