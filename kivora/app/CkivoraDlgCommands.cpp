// The main window's commands: the one command path that the toolbar, the caption buttons, the
// popup menu, the keys and remote controls share, the enabling rule applied to the controls,
// and the background worker's start and end.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandState.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/TimerIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/RateCode.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"

#include <QApplication>

namespace kivora::app {

using playback::EngineState;

namespace {

constexpr int kSlotOpenFailed = 96;
constexpr int kSlotFinished = 44;
constexpr int kSlotFinishedCaption = 45;

bool validRateCode(int code)
{
    return code == 1 || code == 2 || code == 4 || code == -2 || code == -4;
}

} // namespace

// --- The command path ------------------------------------------------------------------------------

bool CkivoraDlg::commandEnabled(int id) const
{
    if (m_shutDown || m_worker.workerRunning())
        return false;
    if (isToolbarCommand(id))
        return m_toolbar->enabled(id);
    switch (id) {
    case kCmdClose:
    case kCmdMaximise:
    case kCmdMinimise:
        return m_captionButtons[0]->isEnabled();
    case kCmdNothing:
        return true;
    case kCmdAspect:
        return m_open.opened() && !m_open.waiting();
    case kCmdRearView:
    case kCmdFullScreen:
        return !m_open.waiting();
    case kCmdLeaveModes:
        return true;
    default:
        return id >= kCmdFilterFirst && id <= kCmdFilterLast && m_info->isEnabled() && !m_open.waiting();
    }
}

bool CkivoraDlg::runCommand(int id)
{
    if (!commandEnabled(id))
        return false;
    dispatchCommand(id);
    return true;
}

void CkivoraDlg::dispatchCommand(int id)
{
    switch (id) {
    case kCmdTop:
        commandTop();
        break;
    case kCmdPrevious:
        commandPrevious();
        break;
    case kCmdPlayPause:
        commandPlayPause();
        break;
    case kCmdSlower:
    case kCmdFaster:
        commandRate(id == kCmdFaster);
        break;
    case kCmdNext:
        commandNext();
        break;
    case kCmdStill:
        m_export->TakeSnapshot();
        refreshMapChoice();
        break;
    case kCmdSave:
        m_export->SaveConcatenated();
        break;
    case kCmdZoom:
        commandZoom();
        break;
    case kCmdBrowse:
        commandBrowse();
        break;
    case kCmdDelete:
        m_export->DeleteRecordings();
        break;
    case kCmdSettings:
        commandSettings();
        break;
    case kCmdCsv:
        m_export->ExportCsv();
        break;
    case kCmdMap:
        commandMap();
        break;
    case kCmdAspect:
        commandAspect();
        break;
    case kCmdClose:
        close();
        break;
    case kCmdMaximise:
        if (m_chrome)
            m_chrome->toggleMaximise();
        break;
    case kCmdMinimise:
        if (m_chrome)
            m_chrome->minimiseByButton();
        break;
    case kCmdRearView:
        setRearView(m_rearView == 0 ? 1 : 0);
        break;
    case kCmdFullScreen:
        if (isFullScreenView()) {
            leaveFullScreen();
            setPlayFace(engineState() == EngineState::Playing);
        } else {
            enterFullScreen();
        }
        break;
    case kCmdLeaveModes:
        if (isFullScreenView()) {
            leaveFullScreen();
            setPlayFace(engineState() == EngineState::Playing);
        } else if (m_zoomMode) {
            setZoomMode(false);
            m_toolbar->setLatched(kCmdZoom, false);
        }
        break;
    default:
        if (id >= kCmdFilterFirst && id <= kCmdFilterLast)
            commandFilter(id - kCmdFilterFirst);
        break;
    }
}

// --- The commands -----------------------------------------------------------------------------------

void CkivoraDlg::muteBoth()
{
    if (!engineInitialised())
        return;
    m_mainEngine.SetVolume(0);
    if (m_subEngine.isInitialised())
        m_subEngine.SetVolume(0);
}

void CkivoraDlg::setRateBoth(int rateCode)
{
    if (engineInitialised())
        m_pair.SetRateBoth(rateCode);
}

void CkivoraDlg::commandTop()
{
    if (busy())
        return;
    setRateBoth(recordingDefaultRate());
    muteBoth();
    updateSpeedLabel();
    m_pair.SeekBoth(0);
    showFrame(0);
    m_map->SetMapStatus(2);
    stopBothCameras();
    refreshToolbar();
}

void CkivoraDlg::commandPrevious()
{
    if (busy())
        return;
    muteBoth();
    m_pair.PauseBoth();
    stopBothCameras();
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.selectionValid())
        return;
    if (m_open.selectedIndex() > 0) {
        selectNext(2);
        return;
    }
    // The first recording rewinds instead.
    setRateBoth(recordingDefaultRate());
    stopBothCameras();
    m_pair.SeekBoth(0);
    redrawSurfaces();
    showFrame(0);
}

void CkivoraDlg::commandPlayPause()
{
    m_mapAllowed = true;
    if (!m_open.opened())
        return;
    if (engineState() == EngineState::Playing)
        pause();
    else
        play();
    refreshToolbar();
}

void CkivoraDlg::commandRate(bool faster)
{
    if (busy())
        return;
    const int r = engineInitialised() ? m_pair.NextRateCode(faster) : 0;
    if (r != m_mainEngine.rate()) {
        m_pair.SetRateBoth(r);
        refreshToolbar();
        updateSpeedLabel();
    }
}

void CkivoraDlg::commandNext()
{
    if (busy())
        return;
    muteBoth();
    m_pair.PauseBoth();
    stopBothCameras();
    m_open.setEndHandled(false);
    nextRecording();
    // Next at the last recording of a folder goes on into the next folder, as the end does.
    nextFolder();
}

void CkivoraDlg::commandZoom()
{
    if (busy())
        return;
    setZoomMode(!m_mainSurface->zoomMode());
    m_toolbar->setLatched(kCmdZoom, m_zoomMode);
}

void CkivoraDlg::commandBrowse()
{
    if (!(engineInitialised() && engineState() == EngineState::Paused))
        m_pair.PauseBoth();
    stopBothCameras();
    m_info->setStatusLetter('R');
    setZoomMode(false);
    m_toolbar->setLatched(kCmdZoom, false);
    m_listEmpty = true;
    closeRecording();
    const std::optional<browse::SourceChoice> choice = m_browser->runSourceDialog(this);
    if (!choice || choice->path.empty()) {
        refreshToolbar();
        return;
    }
    // A root folder stays itself: "/" must never become an empty path.
    std::filesystem::path path = choice->path;
    if (path.has_relative_path() && !path.has_filename())
        path = path.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        refreshToolbar();
        return;
    }
    if (choice->kind == recording::SourceKind::SingleFiles && !recording::IsRecordingName(path)) {
        ui::CMsgBox(this).show(ui::uiQText(kSlotOpenFailed, m_languageIndex), QStringLiteral("ERROR"));
        refreshToolbar();
        return;
    }
    loadSource(path, choice->kind);
}

void CkivoraDlg::commandSettings()
{
    placeChildren();
    if (m_settingsHost)
        m_settingsHost->showSettings(frameGeometry());
}

void CkivoraDlg::commandMap()
{
    const bool on = !m_map->mapSwitch();
    m_map->setMapSwitch(on);
    m_toolbar->setLatched(kCmdMap, on);
    if (on) {
        if (!m_mapPlaced) {
            m_mapPlaced = true;
            placeSeparateWindow();
        }
        m_movieDialog->show();
        if (m_open.opened())
            updateMapHasData();
        refreshMapChoice();
    } else {
        m_movieDialog->hide();
    }
}

void CkivoraDlg::commandAspect()
{
    if (!m_open.opened())
        return;
    const bool keep = !engineInitialised() || m_mainEngine.aspect() == 0;
    m_keepAspect = keep;
    if (engineInitialised())
        m_mainEngine.SetAspectMode(keep ? 1 : 0);
    if (m_subEngine.isInitialised())
        m_subEngine.SetAspectMode(keep ? 1 : 0);
    if (engineInitialised())
        m_pair.SetZoomBoth(m_zoom, false);
    m_settings.setKeepAspect(keep);
    updateSpeedLabel();
}

void CkivoraDlg::commandFilter(int k)
{
    // The loaders read the list's paths on their own threads: none may run while it is rebuilt.
    joinLoaders();
    m_browser->SetFilter(k, !m_browser->filter(k));
    sendCrashPoints(0, true);
    if (m_browser->Count() > 0)
        return;
    if (engineInitialised() && engineState() != EngineState::Paused)
        m_pair.PauseBoth();
    stopBothCameras();
    closeRecording();
}

// --- IPlayerControl's other ways in ----------------------------------------------------------------

bool CkivoraDlg::seekToFrame(std::int64_t frame)
{
    if (m_shutDown || m_worker.workerRunning() || m_open.waiting() || !m_open.opened() || frame < 0
        || frame > m_duration)
        return false;
    seekTo(frame);
    return true;
}

bool CkivoraDlg::setRateCode(int rateCode)
{
    if (!commandEnabled(kCmdFaster) && !commandEnabled(kCmdSlower))
        return false;
    if (!validRateCode(rateCode) || engineState() != EngineState::Playing || busy())
        return false;
    // Backwards rates only where the camera can play backwards, as the rate table has it.
    if (rateCode < 0 && !m_mainEngine.canReverse() && rateCode != recordingDefaultRate())
        return false;
    m_pair.SetRateBoth(rateCode);
    refreshToolbar();
    updateSpeedLabel();
    return true;
}

bool CkivoraDlg::openSourcePath(const std::filesystem::path& path)
{
    std::error_code ec;
    if (m_shutDown || m_worker.workerRunning() || path.empty() || !std::filesystem::exists(path, ec))
        return false;
    return openSource(path);
}

PlayerStatus CkivoraDlg::status() const
{
    PlayerStatus s;
    if (engineInitialised()) {
        s.engineState = static_cast<int>(m_mainEngine.engineState());
        s.rateCode = m_mainEngine.rate();
        s.framePeriodMs = m_mainEngine.GetFramePeriod();
    }
    s.position = m_shownFrame < 0 ? 0 : m_shownFrame;
    s.duration = m_duration;
    s.count = m_browser->Count();
    if (m_open.selectionValid()) {
        s.index = m_open.selectedIndex();
        if (const recording::RecordingEntry* e = m_browser->Entry(s.index)) {
            s.movie = e->path;
            s.label = e->path.stem().string();
        }
    }
    return s;
}

// --- The enabling rule on the controls -------------------------------------------------------------

void CkivoraDlg::applyEnabled(const EnabledSet& enabled)
{
    m_toolbar->apply(enabled);
    for (ui::CSkinButton* button : m_captionButtons)
        button->setEnabled(enabled.caption);
    m_info->setEnabled(enabled.panels);
    m_browser->setControlsEnabled(enabled.panels);
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_positionSlider, m_volumeSlider, m_graph, m_mainSurface })
        w->setEnabled(enabled.everything);
    m_movieDialog->setEnabled(enabled.everything);
    m_controlsEnabled = enabled.everything && enabled.caption;
}

void CkivoraDlg::refreshToolbar()
{
    if (!m_toolbar || m_worker.workerRunning() || m_open.waiting())
        return;
    CommandInputs in;
    in.listMarkedEmpty = m_listEmpty;
    in.rows = m_browser->Count();
    in.selected = m_open.selectedIndex();
    if (engineInitialised()) {
        in.engineState = static_cast<int>(engineState());
        in.rateCode = m_mainEngine.rate();
        in.telemetryLoaded = m_mainEngine.hasTelemetry();
    }
    if (const std::optional<recording::SourceKind> kind = m_browser->sourceKind())
        in.sourceKind = static_cast<int>(*kind);
    EnabledSet enabled = enabledCommands(in);
    // The file commands add their own rule (worker, source, telemetry).
    for (int id : { kCmdStill, kCmdSave, kCmdDelete, kCmdCsv })
        enabled.toolbar[std::size_t(id - kCmdTop)] = enabled.button(id) && m_export->enabled(id);
    applyEnabled(enabled);
}

void CkivoraDlg::enableToolbar()
{
    applyEnabled(afterFailedOpen(m_open.errorBoxShown()));
}

void CkivoraDlg::disableEverything(bool worker)
{
    if (worker) {
        applyEnabled(workerDisabled());
        return;
    }
    EnabledSet none = openingDisabled();
    // The near-end lock and an open disable the buttons; the sliders stay with the movie.
    m_toolbar->apply(none);
    m_controlsEnabled = false;
}

void CkivoraDlg::beginWait()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
    applyEnabled(openingDisabled());
    m_positionSlider->setEnabled(false);
    m_volumeSlider->setEnabled(false);
}

void CkivoraDlg::setPlayFace(bool pauseFace)
{
    // In full screen the face stays as it was; leaving full screen sets it again.
    if (!isFullScreenView()) {
        m_playFacePause = pauseFace;
        if (m_toolbar)
            m_toolbar->setPauseFace(pauseFace);
    }
    refreshToolbar();
}

// --- The background worker --------------------------------------------------------------------------

void CkivoraDlg::onWorkerStarted()
{
    m_progress->setPos(0);
    m_progress->show();
    m_progress->raise();
    applyEnabled(workerDisabled());
    refreshMapChoice();
}

void CkivoraDlg::onFileOpFinished(platform::LParam result)
{
    const bool box = m_worker.finish(static_cast<int>(result));
    m_progress->hide();
    applyEnabled(EnabledSet { {}, true, true, true });
    if (box)
        ui::CMsgBox(this).show(
            ui::uiQText(kSlotFinished, m_languageIndex), ui::uiQText(kSlotFinishedCaption, m_languageIndex));
    if (m_open.errorBoxShown())
        m_open.clearErrorBox();
    else
        refreshToolbar();
    refreshMapChoice();
    std::lock_guard cache(m_hMutexCache);
    if (m_open.selectionValid())
        m_open.select(m_open.selectedIndex(), { false, true, true }, 0);
    else
        refreshToolbar();
}

} // namespace kivora::app
