// The main window between recordings: sources, the walk to the next recording and the next
// folder, the folder change, a removed source, resetting and closing, the crash points and what
// stands in the map's place.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/BothLocked.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/TimerIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/platform/MessageIds.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/CardLayout.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"

#include <QCoreApplication>
#include <QStorageInfo>

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

namespace {

// The mount point that holds the path (the medium a card is on). Empty when unknown.
QString mountRoot(const std::filesystem::path& path)
{
    const QStorageInfo storage(QString::fromStdString(path.string()));
    return storage.isValid() ? storage.rootPath() : QString();
}

} // namespace

// --- The list -------------------------------------------------------------------------------------

bool CkivoraDlg::listValid(int index) const
{
    return index >= 0 && index < m_browser->Count();
}

int CkivoraDlg::listSize() const
{
    return m_browser->Count();
}

recording::RecordingEntry* CkivoraDlg::selectedEntry()
{
    return m_open.selectionValid() ? m_browser->Entry(m_open.selectedIndex()) : nullptr;
}

std::string CkivoraDlg::shownRecordingName()
{
    std::lock_guard cache(m_hMutexCache);
    const recording::RecordingEntry* entry = selectedEntry();
    return entry ? entry->path.filename().string() : std::string();
}

void CkivoraDlg::setBrowser(std::unique_ptr<browse::IBrowserPanel> browser)
{
    if (browser)
        m_browser = std::move(browser);
}

// --- Sources -----------------------------------------------------------------------------------

bool CkivoraDlg::loadSource(const std::filesystem::path& path, recording::SourceKind kind)
{
    closeRecording();
    m_open.setSelectedIndex(-1);
    {
        // A single movie is selected, and so opened, within the load.
        std::lock_guard cache(m_hMutexCache);
        m_browser->LoadSource(path, kind);
    }
    std::error_code ec;
    m_voltageTrace = kind != recording::SourceKind::SingleFiles && std::filesystem::is_directory(path, ec)
        && recording::IsRecorderCard(path) && std::filesystem::exists(path / "pvtrace.txt", ec);
    m_sourceMountRoot = mountRoot(path);
    // The first folder's change report selects its first recording, which then opens.
    m_browser->SelectInitialFolder();
    if (m_browser->loading())
        return true; // the rest follows in onSourceLoaded
    onSourceLoaded();
    return m_browser->Count() > 0;
}

void CkivoraDlg::onSourceLoaded()
{
    if (m_browser->loading())
        return;
    const std::optional<recording::SourceKind> kind = m_browser->sourceKind();
    m_listEmpty = kind != recording::SourceKind::Card || m_browser->AllRecordings().empty();
    refreshToolbar();
    startUpdateCheckOnce();
}

void CkivoraDlg::startUpdateCheckOnce()
{
    // A card's identity is known only once its load is done.
    if (!m_initialised || m_updateCheckStarted || !m_settingsHost || m_browser->loading())
        return;
    m_updateCheckStarted = true;
    const browse::RecorderIdentity id = m_browser->recorderIdentity();
    m_settingsHost->StartUpdateCheck(id.firmwareVersion, id.gpsDataVersion, id.modelKey);
}

bool CkivoraDlg::openSource(const std::filesystem::path& source)
{
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(source, ec);
    const recording::SourceKind kind = !folder ? recording::SourceKind::SingleFiles
        : recording::IsRecorderCard(source)    ? recording::SourceKind::Card
                                               : recording::SourceKind::Folder;
    return loadSource(source, kind);
}

bool CkivoraDlg::selectRecording(int index)
{
    std::lock_guard cache(m_hMutexCache);
    selectListRow(index, 0);
    return m_open.select(index, { true, true, true }, 0);
}

void CkivoraDlg::selectListRow(int index, int advanceMode)
{
    // The list hands the row back through onRecordingSelected; the caller runs the select step.
    m_selectingRow = true;
    m_browser->SelectRow(index, advanceMode);
    m_selectingRow = false;
}

void CkivoraDlg::onRecordingSelected(int row)
{
    if (m_selectingRow)
        return;
    std::lock_guard cache(m_hMutexCache);
    m_playback.mute();
    m_open.setEndHandled(false);
    m_open.select(row, { true, true, true }, 0);
    restoreRateToDefault();
    refreshMapChoice();
}

// --- Next recording and next folder -----------------------------------------------------------

bool CkivoraDlg::selectNextRecording()
{
    std::lock_guard cache(m_hMutexCache);
    if (!listValid(m_open.selectedIndex() + 1))
        return false;
    selectNext(1);
    return true;
}

void CkivoraDlg::selectNext(int advanceMode)
{
    const int next = m_open.selectedIndex() + (advanceMode == 2 ? -1 : 1);
    selectListRow(next, advanceMode);
    m_positionSlider->setInteractive(false);
    m_graph->setDrawEnabled(false);
    m_positionSlider->setPos(0);
    m_graph->setCurrentStep(0);
    m_open.setEndHandled(false);
    m_open.select(next, { true, true, false }, advanceMode);
}

void CkivoraDlg::restoreRateToDefault()
{
    if (!engineInitialised())
        return;
    const int rate = recordingDefaultRate();
    if (rate != m_playback.main().rate()) {
        m_playback.pair().SetRateBoth(rate);
        updateSpeedLabel();
    }
}

void CkivoraDlg::nextRecording()
{
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.selectionValid())
        return;
    if (listValid(m_open.selectedIndex() + 1)) {
        selectNext(1);
        return;
    }
    if (m_browser->folderAfter(m_browser->selectedFolder())) {
        m_playback.pair().PauseBoth();
        applyVolume();
        updateSpeedLabel();
        if (!m_listAdvancing)
            stopBothCameras();
    } else {
        restoreRateToDefault();
        m_open.setEndHandled(true);
        m_open.select(m_open.selectedIndex(), { true, false, false }, 0);
        m_listAdvancing = false;
        stopBothCameras();
    }
    m_open.setAutoAdvance(true);
}

void CkivoraDlg::leaveModesAtWalkEnd()
{
    m_open.setAutoAdvance(false);
    setZoomMode(false);
    m_toolbar->setLatched(kCmdZoom, false);
    if (isFullScreenView())
        leaveFullScreen();
}

void CkivoraDlg::nextFolder()
{
    if (!m_open.autoAdvance())
        return;
    if (browse::FolderNode* next = m_browser->folderAfter(m_browser->selectedFolder())) {
        m_browser->selectFolder(next);
        return;
    }
    leaveModesAtWalkEnd();
}

void CkivoraDlg::onMovieEnded()
{
    if (m_open.endHandled())
        return;
    m_listAdvancing = true;
    nextRecording();
    nextFolder();
    m_listAdvancing = false;
}

// --- Folder change -------------------------------------------------------------------------------

void CkivoraDlg::onFolderChanged(browse::FolderNode* item)
{
    // Putting the selection back at the end of a walk reports a change of its own.
    if (m_inFolderChange || m_browser->loading() || m_browser->resetting() || !item)
        return;
    // The loaders take hMutexCache for their path: joined before it is held, or they never end.
    joinLoaders();
    std::lock_guard cache(m_hMutexCache);
    if (engineInitialised() && engineState() != EngineState::Closed) {
        if (engineState() != EngineState::Paused)
            m_playback.pair().PauseBoth();
        if (!m_listAdvancing)
            stopBothCameras();
    }
    if (!m_open.autoAdvance())
        restoreRateToDefault();
    joinLoaders();
    m_graph->setTelemetry({});
    m_playback.closeBoth();
    resetRecordingState();
    // What the list shows counts, not what the folder holds: the filters may hide every row.
    m_browser->FolderSelected(item, false);
    const int rows = m_browser->Count();
    giveMapGroup();
    if (!m_listAdvancing) {
        setPlayFace(false);
        refreshToolbar();
    }
    if (rows > 0) {
        const int mode = m_open.autoAdvance() ? 1 : 0;
        selectListRow(0, mode);
        m_open.select(0, { true, true, true }, mode);
        sendCrashPoints(0, true);
        return;
    }
    if (!m_open.autoAdvance())
        return;
    browse::FolderNode* tried = nullptr;
    for (browse::FolderNode* next = m_browser->folderAfter(item); next; next = m_browser->folderAfter(next)) {
        tried = next;
        m_browser->FolderSelected(next, true);
        if (m_browser->Count() > 0) {
            // The tree reports the change, which loads the folder again and plays its first row.
            m_browser->selectFolder(next);
            return;
        }
    }
    leaveModesAtWalkEnd();
    refreshToolbar();
    if (!tried)
        restoreRateToDefault();
    m_inFolderChange = true;
    m_browser->selectFolder(tried ? tried : item);
    m_inFolderChange = false;
}

// --- Removed source, finished file operations ----------------------------------------------------

void CkivoraDlg::onSourceRemoved()
{
    m_open.setOpened(false);
    if (engineInitialised() && engineState() != EngineState::Paused)
        m_playback.pair().PauseBoth();
    stopBothCameras();
    closeRecording();
    {
        std::lock_guard cache(m_hMutexCache);
        m_browser->Clear();
    }
    m_open.setSelectedIndex(-1);
    m_listEmpty = true;
    refreshToolbar();
    setZoomMode(false);
    m_toolbar->setLatched(kCmdZoom, false);
    leaveFullScreen();
    // Only a medium the program itself runs from takes the program with it; the system's root
    // cannot be pulled out, whatever else disappears.
    const QString program = mountRoot(QCoreApplication::applicationDirPath().toStdString());
    if (!m_sourceMountRoot.isEmpty() && m_sourceMountRoot != QStringLiteral("/")
        && program == m_sourceMountRoot) {
        close();
        QCoreApplication::quit();
    }
}

void CkivoraDlg::onDeleteFinished(LParam result)
{
    const std::optional<recording::SourceKind> kind = m_browser->sourceKind();
    if (kind && *kind != recording::SourceKind::SingleFiles) {
        const std::filesystem::path root = m_browser->sourcePath();
        loadSource(root, *kind);
    }
    m_worker.setPendingMessage(true);
    postMessage(this, kMsgFileOpFinished, 0, result);
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
    m_subSurface->update();
    placeRearView();
    m_crashPoints.reset();
    m_graph->setRange(0);
    m_graph->update();
    m_info->Reset();
    m_open.setSelectedIndex(-1);
    refreshMapChoice();
}

void CkivoraDlg::closeRecording()
{
    if (engineInitialised())
        m_playback.pair().SetRateBoth(recordingDefaultRate());
    m_movieDialog->setTitleSlot(kSlotMapTitle);
    joinLoaders();
    m_graph->setTelemetry({});
    m_playback.closeBoth();
    {
        BothLocked locked(m_playback.pair());
        m_playback.main().releaseShownTelemetry();
    }
    resetRecordingState();
    setPlayFace(false);
    m_positionSlider->setInteractive(true);
    m_info->update();
    m_graph->update();
    m_toolbar->setLatched(kCmdZoom, false);
    m_browser->clearMarks();
    refreshToolbar();
}

// --- Crash points and the map's place -------------------------------------------------------------

int CkivoraDlg::sendCrashPoints(int recordingIndex, bool withGroupTrack)
{
    std::lock_guard cpSet(m_crashPoints.mutex());
    BothLocked locked(m_playback.pair());
    const bool open = recordingIndex >= 0 && m_open.opened();
    return m_crashPoints.send(*m_map, open ? &m_playback.main().shownTelemetry() : nullptr,
        m_graph->channels(), recordingIndex, withGroupTrack);
}

void CkivoraDlg::mapStatusStep()
{
    if (!m_crashPoints.due(*m_map))
        return;
    if (m_open.selectionValid()) {
        if (sendCrashPoints(m_open.selectedIndex(), true) != 1)
            return;
        m_crashPoints.markSent();
    }
    const EngineState state = engineState();
    if (state == EngineState::Paused)
        m_map->SetMapStatus(1);
    else if (state != EngineState::Playing)
        m_map->SetMapStatus(2);
}

void CkivoraDlg::refreshMapChoice()
{
    bool gpsRecords = false;
    {
        BothLocked locked(m_playback.pair());
        gpsRecords = engineInitialised() && !m_playback.main().shownTelemetry().gps.empty();
    }
    const recording::RecordingEntry* entry = selectedEntry();
    const bool showMap = m_mapHasData && m_map->pageReady() && gpsRecords && entry
        && !isParkingRecording(entry->path) && !m_gpsInvalid && m_map->runtimePresent();
    const bool fullScreen = isFullScreenView();
    if (showMap) {
        m_map->ShowMap(true, fullScreen);
        m_logo->hide();
        m_logoShown = false;
        return;
    }
    m_map->ShowMap(false, fullScreen);
    const int mode = (!m_gpsInvalid && m_mapAllowed && !m_map->pageReady() && m_map->mapSwitch()) ? 0 : 1;
    if (fullScreen) {
        m_logo->hide();
        m_logoShown = false;
    } else {
        m_logo->setGeometry(SeparateWindowLayout::compute(m_uiScale).inner);
        m_logo->show();
        m_logoShown = true;
    }
    if (m_logoMode != mode) {
        m_logoMode = mode;
        m_logo->setLogoMode(mode);
    }
}

} // namespace kivora::app
