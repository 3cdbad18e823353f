// The one command path that the toolbar, the caption buttons, the popup menu, the keys and the
// remote control share: the enabling check, then the command on the window's parts.
#include "kivora/app/HubCommands.h"

#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandState.h"
#include "kivora/app/MainWindowChrome.h"
#include "kivora/app/MapPlace.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/RecordingNavigation.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/Toolbar.h"
#include "kivora/app/ViewFeed.h"
#include "kivora/app/ViewModes.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/IExportHost.h"
#include "kivora/map/IMapView.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/RecordingName.h"
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
    if (m_host.shuttingDown() || m_host.workerRunning())
        return false;
    if (isToolbarCommand(id))
        return m_p.ui.toolbar->enabled(id);
    if (isMenuFileCommand(id))
        return !m_p.open.waiting() && m_host.exportCommands().enabled(id);
    switch (id) {
    case kCmdClose:
    case kCmdMaximise:
    case kCmdMinimise:
        return m_p.ui.captionButtons[0]->isEnabled();
    case kCmdNothing:
        return true;
    case kCmdAspect:
        return m_p.open.opened() && !m_p.open.waiting();
    case kCmdRearView:
    case kCmdFullScreen:
        return !m_p.open.waiting();
    case kCmdLeaveModes:
        return true;
    default:
        return id >= kCmdFilterFirst && id <= kCmdFilterLast && m_p.ui.info->isEnabled()
            && !m_p.open.waiting();
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
        m_host.exportCommands().TakeSnapshot();
        m_p.mapPlace.refreshMapChoice();
        break;
    case kCmdSave:
        m_host.exportCommands().SaveConcatenated();
        break;
    case kCmdZoom:
        commandZoom();
        break;
    case kCmdBrowse:
        commandBrowse();
        break;
    case kCmdDelete:
        m_host.exportCommands().DeleteRecordings();
        break;
    case kCmdSettings:
        commandSettings();
        break;
    case kCmdCsv:
        m_host.exportCommands().ExportCsv();
        break;
    case kCmdMap:
        commandMap();
        break;
    case kCmdAspect:
        commandAspect();
        break;
    case kCmdClose:
        m_host.closeWindow();
        break;
    case kCmdMaximise:
        if (m_p.ui.chrome)
            m_p.ui.chrome->toggleMaximise();
        break;
    case kCmdMinimise:
        if (m_p.ui.chrome)
            m_p.ui.chrome->minimiseByButton();
        break;
    case kCmdRearView:
        m_p.viewModes.setRearView(m_p.viewModes.rearView() == 0 ? 1 : 0);
        break;
    case kCmdTrack:
    case kCmdTracks:
        m_host.exportCommands().ExportTrack(id == kCmdTracks);
        break;
    case kCmdBundle:
        m_host.exportCommands().BundleRecordings();
        break;
    case kCmdRepair:
        m_host.exportCommands().RepairRecording();
        break;
    case kCmdFullScreen:
        if (m_host.isFullScreenView()) {
            m_p.viewModes.leaveFullScreen();
            m_host.setPlayFace(m_p.playback.state() == EngineState::Playing);
        } else {
            m_p.viewModes.enterFullScreen();
        }
        break;
    case kCmdLeaveModes:
        if (m_host.isFullScreenView()) {
            m_p.viewModes.leaveFullScreen();
            m_host.setPlayFace(m_p.playback.state() == EngineState::Playing);
        } else if (m_p.viewModes.zoomMode()) {
            m_p.viewModes.setZoomMode(false);
            m_p.ui.toolbar->setLatched(kCmdZoom, false);
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
    if (m_host.busy())
        return;
    m_p.playback.setRate(m_host.recordingDefaultRate());
    m_p.playback.mute();
    m_host.updateSpeedLabel();
    m_p.playback.pair().SeekBoth(0);
    m_host.showFrame(0);
    m_host.mapView().SetMapStatus(2);
    m_host.stopBothCameras();
    m_host.refreshToolbar();
}

void HubCommands::commandPrevious()
{
    if (m_host.busy())
        return;
    m_p.playback.mute();
    m_p.playback.pair().PauseBoth();
    m_host.stopBothCameras();
    std::lock_guard cache(m_p.cache);
    if (!m_p.open.selectionValid())
        return;
    if (m_p.open.selectedIndex() > 0) {
        m_p.navigation.selectNext(2);
        return;
    }
    // The first recording rewinds instead.
    m_p.playback.setRate(m_host.recordingDefaultRate());
    m_host.stopBothCameras();
    m_p.playback.pair().SeekBoth(0);
    m_host.redrawSurfaces();
    m_host.showFrame(0);
}

void HubCommands::commandPlayPause()
{
    m_p.mapPlace.allowMap();
    if (!m_p.open.opened())
        return;
    if (m_p.playback.state() == EngineState::Playing)
        m_host.pause();
    else
        m_host.play();
    m_host.refreshToolbar();
}

void HubCommands::commandRate(bool faster)
{
    if (m_host.busy())
        return;
    const int r = m_p.playback.initialised() ? m_p.playback.pair().NextRateCode(faster) : 0;
    if (r != m_p.playback.main().rate()) {
        m_p.playback.pair().SetRateBoth(r);
        m_host.refreshToolbar();
        m_host.updateSpeedLabel();
    }
}

void HubCommands::commandNext()
{
    if (m_host.busy())
        return;
    m_p.playback.mute();
    m_p.playback.pair().PauseBoth();
    m_host.stopBothCameras();
    m_p.open.setEndHandled(false);
    m_p.navigation.nextRecording();
    // Next at the last recording of a folder goes on into the next folder, as the end does.
    m_p.navigation.nextFolder();
}

void HubCommands::commandZoom()
{
    if (m_host.busy())
        return;
    m_p.viewModes.setZoomMode(!m_p.ui.mainSurface->zoomMode());
    m_p.ui.toolbar->setLatched(kCmdZoom, m_p.viewModes.zoomMode());
}

void HubCommands::commandBrowse()
{
    if (!(m_p.playback.initialised() && m_p.playback.state() == EngineState::Paused))
        m_p.playback.pair().PauseBoth();
    m_host.stopBothCameras();
    m_p.ui.info->setStatusLetter('R');
    m_p.viewModes.setZoomMode(false);
    m_p.ui.toolbar->setLatched(kCmdZoom, false);
    m_host.markListEmpty();
    m_host.closeRecording();
    const std::optional<browse::SourceChoice> choice
        = m_host.browser().runSourceDialog(&m_host.dialogParent());
    if (!choice || choice->path.empty()) {
        m_host.refreshToolbar();
        return;
    }
    // A root folder stays itself: "/" must never become an empty path.
    std::filesystem::path path = choice->path;
    if (path.has_relative_path() && !path.has_filename())
        path = path.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        m_host.refreshToolbar();
        return;
    }
    if (choice->kind == recording::SourceKind::SingleFiles && !recording::IsRecordingName(path)) {
        m_host.showMessageBox(ui::uiQText(kSlotOpenFailed, m_host.languageIndex()), QStringLiteral("ERROR"));
        m_host.refreshToolbar();
        return;
    }
    m_host.loadSource(path, choice->kind);
}

void HubCommands::commandSettings()
{
    m_host.placeChildren();
    m_host.showSettings();
}

void HubCommands::commandMap()
{
    const bool on = !m_host.mapView().mapSwitch();
    m_host.mapView().setMapSwitch(on);
    m_p.ui.toolbar->setLatched(kCmdMap, on);
    if (on) {
        if (m_p.mapPlace.firstShow())
            m_host.placeSeparateWindow();
        m_p.ui.movieDialog->show();
        if (m_p.open.opened())
            m_p.mapPlace.updateMapHasData(m_p.feed.shownFrame());
        m_p.mapPlace.refreshMapChoice();
    } else {
        m_p.ui.movieDialog->hide();
    }
}

void HubCommands::commandAspect()
{
    if (!m_p.open.opened())
        return;
    const bool keep = !m_p.playback.initialised() || m_p.playback.main().aspect() == 0;
    m_host.setKeepAspect(keep);
    if (m_p.playback.initialised())
        m_p.viewModes.applyZoom(false);
    m_host.updateSpeedLabel();
}

void HubCommands::commandFilter(int k)
{
    // The loaders read the list's paths on their own threads: none may run while it is rebuilt.
    m_p.playback.joinLoaders();
    m_host.browser().SetFilter(k, !m_host.browser().filter(k));
    m_p.mapPlace.sendCrashPoints(0, true);
    if (m_host.browser().Count() > 0)
        return;
    if (m_p.playback.initialised() && m_p.playback.state() != EngineState::Paused)
        m_p.playback.pair().PauseBoth();
    m_host.stopBothCameras();
    m_host.closeRecording();
}

// --- IPlayerControl's other ways in ----------------------------------------------------------------

bool HubCommands::seekToFrame(std::int64_t frame)
{
    if (m_host.shuttingDown() || m_host.workerRunning() || m_p.open.waiting() || !m_p.open.opened()
        || frame < 0 || frame > m_p.feed.duration())
        return false;
    m_host.seekTo(frame);
    return true;
}

bool HubCommands::setRateCode(int rateCode)
{
    if (!commandEnabled(kCmdFaster) && !commandEnabled(kCmdSlower))
        return false;
    if (!validRateCode(rateCode) || m_p.playback.state() != EngineState::Playing || m_host.busy())
        return false;
    // Backwards rates only where the camera can play backwards, as the rate table has it.
    if (rateCode < 0 && !m_p.playback.main().canReverse() && rateCode != m_host.recordingDefaultRate())
        return false;
    m_p.playback.pair().SetRateBoth(rateCode);
    m_host.refreshToolbar();
    m_host.updateSpeedLabel();
    return true;
}

bool HubCommands::openSourcePath(const std::filesystem::path& path)
{
    std::error_code ec;
    if (m_host.shuttingDown() || m_host.workerRunning() || path.empty() || !std::filesystem::exists(path, ec))
        return false;
    return m_host.openSource(path);
}

PlayerStatus HubCommands::status() const
{
    PlayerStatus s;
    if (m_p.playback.initialised()) {
        s.engineState = static_cast<int>(m_p.playback.main().engineState());
        s.rateCode = m_p.playback.main().rate();
        s.framePeriodMs = m_p.playback.main().GetFramePeriod();
    }
    s.position = std::max<std::int64_t>(m_p.feed.shownFrame(), 0);
    s.duration = m_p.feed.duration();
    s.count = m_host.browser().Count();
    if (m_p.open.selectionValid()) {
        s.index = m_p.open.selectedIndex();
        if (const recording::RecordingEntry* e = m_host.browser().Entry(s.index)) {
            s.movie = e->path;
            s.label = e->path.stem().string();
        }
    }
    return s;
}

} // namespace kivora::app
