// The one command path that the toolbar, the caption buttons, the popup menu, the keys and the
// remote control share: the enabling check, then the command on the window's parts.
#include "kivora/app/HubCommands.h"

#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandState.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/Toolbar.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CInfoDlg.h"

namespace kivora::app {

using playback::EngineState;

namespace {

constexpr int kSlotOpenFailed = 96;

bool validRateCode(int code)
{
    return code == 1 || code == 2 || code == 4 || code == -2 || code == -4;
}

} // namespace

// --- The command path ------------------------------------------------------------------------------

bool HubCommands::commandEnabled(int id) const
{
    if (m_hub.m_shutDown || m_hub.m_worker.workerRunning())
        return false;
    if (isToolbarCommand(id))
        return m_hub.m_ui.toolbar->enabled(id);
    if (isMenuFileCommand(id))
        return !m_hub.m_open.waiting() && m_hub.m_export->enabled(id);
    switch (id) {
    case kCmdClose:
    case kCmdMaximise:
    case kCmdMinimise:
        return m_hub.m_ui.captionButtons[0]->isEnabled();
    case kCmdNothing:
        return true;
    case kCmdAspect:
        return m_hub.m_open.opened() && !m_hub.m_open.waiting();
    case kCmdRearView:
    case kCmdFullScreen:
        return !m_hub.m_open.waiting();
    case kCmdLeaveModes:
        return true;
    default:
        return id >= kCmdFilterFirst && id <= kCmdFilterLast && m_hub.m_ui.info->isEnabled()
            && !m_hub.m_open.waiting();
    }
}

bool HubCommands::runCommand(int id)
{
    if (!commandEnabled(id))
        return false;
    dispatchCommand(id);
    return true;
}

void HubCommands::dispatchCommand(int id)
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
        m_hub.m_export->TakeSnapshot();
        m_hub.refreshMapChoice();
        break;
    case kCmdSave:
        m_hub.m_export->SaveConcatenated();
        break;
    case kCmdZoom:
        commandZoom();
        break;
    case kCmdBrowse:
        commandBrowse();
        break;
    case kCmdDelete:
        m_hub.m_export->DeleteRecordings();
        break;
    case kCmdSettings:
        commandSettings();
        break;
    case kCmdCsv:
        m_hub.m_export->ExportCsv();
        break;
    case kCmdMap:
        commandMap();
        break;
    case kCmdAspect:
        commandAspect();
        break;
    case kCmdClose:
        m_hub.close();
        break;
    case kCmdMaximise:
        if (m_hub.m_ui.chrome)
            m_hub.m_ui.chrome->toggleMaximise();
        break;
    case kCmdMinimise:
        if (m_hub.m_ui.chrome)
            m_hub.m_ui.chrome->minimiseByButton();
        break;
    case kCmdRearView:
        m_hub.setRearView(m_hub.rearView() == 0 ? 1 : 0);
        break;
    case kCmdTrack:
    case kCmdTracks:
        m_hub.m_export->ExportTrack(id == kCmdTracks);
        break;
    case kCmdBundle:
        m_hub.m_export->BundleRecordings();
        break;
    case kCmdRepair:
        m_hub.m_export->RepairRecording();
        break;
    case kCmdFullScreen:
        if (m_hub.isFullScreenView()) {
            m_hub.leaveFullScreen();
            m_hub.setPlayFace(m_hub.engineState() == EngineState::Playing);
        } else {
            m_hub.enterFullScreen();
        }
        break;
    case kCmdLeaveModes:
        if (m_hub.isFullScreenView()) {
            m_hub.leaveFullScreen();
            m_hub.setPlayFace(m_hub.engineState() == EngineState::Playing);
        } else if (m_hub.m_viewModes.zoomMode()) {
            m_hub.setZoomMode(false);
            m_hub.m_ui.toolbar->setLatched(kCmdZoom, false);
        }
        break;
    default:
        if (id >= kCmdFilterFirst && id <= kCmdFilterLast)
            commandFilter(id - kCmdFilterFirst);
        break;
    }
}

// --- The commands -----------------------------------------------------------------------------------

void HubCommands::commandTop()
{
    if (m_hub.busy())
        return;
    m_hub.m_playback.setRate(m_hub.recordingDefaultRate());
    m_hub.m_playback.mute();
    m_hub.updateSpeedLabel();
    m_hub.m_playback.pair().SeekBoth(0);
    m_hub.showFrame(0);
    m_hub.m_map->SetMapStatus(2);
    m_hub.stopBothCameras();
    m_hub.refreshToolbar();
}

void HubCommands::commandPrevious()
{
    if (m_hub.busy())
        return;
    m_hub.m_playback.mute();
    m_hub.m_playback.pair().PauseBoth();
    m_hub.stopBothCameras();
    std::lock_guard cache(m_hub.m_hMutexCache);
    if (!m_hub.m_open.selectionValid())
        return;
    if (m_hub.m_open.selectedIndex() > 0) {
        m_hub.m_navigation.selectNext(2);
        return;
    }
    // The first recording rewinds instead.
    m_hub.m_playback.setRate(m_hub.recordingDefaultRate());
    m_hub.stopBothCameras();
    m_hub.m_playback.pair().SeekBoth(0);
    m_hub.redrawSurfaces();
    m_hub.showFrame(0);
}

void HubCommands::commandPlayPause()
{
    m_hub.m_mapPlace.allowMap();
    if (!m_hub.m_open.opened())
        return;
    if (m_hub.engineState() == EngineState::Playing)
        m_hub.pause();
    else
        m_hub.play();
    m_hub.refreshToolbar();
}

void HubCommands::commandRate(bool faster)
{
    if (m_hub.busy())
        return;
    const int r = m_hub.engineInitialised() ? m_hub.m_playback.pair().NextRateCode(faster) : 0;
    if (r != m_hub.m_playback.main().rate()) {
        m_hub.m_playback.pair().SetRateBoth(r);
        m_hub.refreshToolbar();
        m_hub.updateSpeedLabel();
    }
}

void HubCommands::commandNext()
{
    if (m_hub.busy())
        return;
    m_hub.m_playback.mute();
    m_hub.m_playback.pair().PauseBoth();
    m_hub.stopBothCameras();
    m_hub.m_open.setEndHandled(false);
    m_hub.m_navigation.nextRecording();
    // Next at the last recording of a folder goes on into the next folder, as the end does.
    m_hub.m_navigation.nextFolder();
}

void HubCommands::commandZoom()
{
    if (m_hub.busy())
        return;
    m_hub.setZoomMode(!m_hub.m_ui.mainSurface->zoomMode());
    m_hub.m_ui.toolbar->setLatched(kCmdZoom, m_hub.m_viewModes.zoomMode());
}

void HubCommands::commandBrowse()
{
    if (!(m_hub.engineInitialised() && m_hub.engineState() == EngineState::Paused))
        m_hub.m_playback.pair().PauseBoth();
    m_hub.stopBothCameras();
    m_hub.m_ui.info->setStatusLetter('R');
    m_hub.setZoomMode(false);
    m_hub.m_ui.toolbar->setLatched(kCmdZoom, false);
    m_hub.m_listEmpty = true;
    m_hub.closeRecording();
    const std::optional<browse::SourceChoice> choice = m_hub.m_browser->runSourceDialog(&m_hub);
    if (!choice || choice->path.empty()) {
        m_hub.refreshToolbar();
        return;
    }
    // A root folder stays itself: "/" must never become an empty path.
    std::filesystem::path path = choice->path;
    if (path.has_relative_path() && !path.has_filename())
        path = path.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        m_hub.refreshToolbar();
        return;
    }
    if (choice->kind == recording::SourceKind::SingleFiles && !recording::IsRecordingName(path)) {
        ui::CMsgBox(&m_hub).show(
            ui::uiQText(kSlotOpenFailed, m_hub.m_languageIndex), QStringLiteral("ERROR"));
        m_hub.refreshToolbar();
        return;
    }
    m_hub.loadSource(path, choice->kind);
}

void HubCommands::commandSettings()
{
    m_hub.placeChildren();
    if (m_hub.m_settingsHost)
        m_hub.m_settingsHost->showSettings(m_hub.frameGeometry());
}

void HubCommands::commandMap()
{
    const bool on = !m_hub.m_map->mapSwitch();
    m_hub.m_map->setMapSwitch(on);
    m_hub.m_ui.toolbar->setLatched(kCmdMap, on);
    if (on) {
        if (m_hub.m_mapPlace.firstShow())
            m_hub.placeSeparateWindow();
        m_hub.m_ui.movieDialog->show();
        if (m_hub.m_open.opened())
            m_hub.m_mapPlace.updateMapHasData(m_hub.m_feed.shownFrame());
        m_hub.refreshMapChoice();
    } else {
        m_hub.m_ui.movieDialog->hide();
    }
}

void HubCommands::commandAspect()
{
    if (!m_hub.m_open.opened())
        return;
    const bool keep = !m_hub.engineInitialised() || m_hub.m_playback.main().aspect() == 0;
    m_hub.setKeepAspect(keep);
    if (m_hub.engineInitialised())
        m_hub.m_viewModes.applyZoom(false);
    m_hub.updateSpeedLabel();
}

void HubCommands::commandFilter(int k)
{
    // The loaders read the list's paths on their own threads: none may run while it is rebuilt.
    m_hub.joinLoaders();
    m_hub.m_browser->SetFilter(k, !m_hub.m_browser->filter(k));
    m_hub.m_mapPlace.sendCrashPoints(0, true);
    if (m_hub.m_browser->Count() > 0)
        return;
    if (m_hub.engineInitialised() && m_hub.engineState() != EngineState::Paused)
        m_hub.m_playback.pair().PauseBoth();
    m_hub.stopBothCameras();
    m_hub.closeRecording();
}

// --- IPlayerControl's other ways in ----------------------------------------------------------------

bool HubCommands::seekToFrame(std::int64_t frame)
{
    if (m_hub.m_shutDown || m_hub.m_worker.workerRunning() || m_hub.m_open.waiting() || !m_hub.m_open.opened()
        || frame < 0 || frame > m_hub.m_feed.duration())
        return false;
    m_hub.seekTo(frame);
    return true;
}

bool HubCommands::setRateCode(int rateCode)
{
    if (!commandEnabled(kCmdFaster) && !commandEnabled(kCmdSlower))
        return false;
    if (!validRateCode(rateCode) || m_hub.engineState() != EngineState::Playing || m_hub.busy())
        return false;
    // Backwards rates only where the camera can play backwards, as the rate table has it.
    if (rateCode < 0 && !m_hub.m_playback.main().canReverse() && rateCode != m_hub.recordingDefaultRate())
        return false;
    m_hub.m_playback.pair().SetRateBoth(rateCode);
    m_hub.refreshToolbar();
    m_hub.updateSpeedLabel();
    return true;
}

bool HubCommands::openSourcePath(const std::filesystem::path& path)
{
    std::error_code ec;
    if (m_hub.m_shutDown || m_hub.m_worker.workerRunning() || path.empty()
        || !std::filesystem::exists(path, ec))
        return false;
    return m_hub.openSource(path);
}

PlayerStatus HubCommands::status() const
{
    PlayerStatus s;
    if (m_hub.engineInitialised()) {
        s.engineState = static_cast<int>(m_hub.m_playback.main().engineState());
        s.rateCode = m_hub.m_playback.main().rate();
        s.framePeriodMs = m_hub.m_playback.main().GetFramePeriod();
    }
    s.position = std::max<std::int64_t>(m_hub.m_feed.shownFrame(), 0);
    s.duration = m_hub.m_feed.duration();
    s.count = m_hub.m_browser->Count();
    if (m_hub.m_open.selectionValid()) {
        s.index = m_hub.m_open.selectedIndex();
        if (const recording::RecordingEntry* e = m_hub.m_browser->Entry(s.index)) {
            s.movie = e->path;
            s.label = e->path.stem().string();
        }
    }
    return s;
}

} // namespace kivora::app
