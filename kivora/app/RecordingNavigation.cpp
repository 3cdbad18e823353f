// The main window's walk between recordings, folders and sources.
#include "kivora/app/RecordingNavigation.h"

#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"

#include <QCoreApplication>
#include <QStorageInfo>

namespace kivora::app {

using playback::EngineState;

QString mountRoot(const std::filesystem::path& path)
{
    const QStorageInfo storage(QString::fromStdString(path.string()));
    return storage.isValid() ? storage.rootPath() : QString();
}

bool RecordingNavigation::selectNextRecording()
{
    std::lock_guard cache(m_hub.m_hMutexCache);
    if (!m_hub.listValid(m_hub.m_open.selectedIndex() + 1))
        return false;
    selectNext(1);
    return true;
}

void RecordingNavigation::selectNext(int advanceMode)
{
    const int next = m_hub.m_open.selectedIndex() + (advanceMode == 2 ? -1 : 1);
    m_hub.selectListRow(next, advanceMode);
    m_hub.m_ui.positionSlider->setInteractive(false);
    m_hub.m_ui.graph->setDrawEnabled(false);
    m_hub.m_ui.positionSlider->setPos(0);
    m_hub.m_ui.graph->setCurrentStep(0);
    m_hub.m_open.setEndHandled(false);
    m_hub.m_open.select(next, { true, true, false }, advanceMode);
}

void RecordingNavigation::restoreRateToDefault()
{
    if (!m_hub.engineInitialised())
        return;
    const int rate = m_hub.recordingDefaultRate();
    if (rate != m_hub.m_playback.main().rate()) {
        m_hub.m_playback.pair().SetRateBoth(rate);
        m_hub.updateSpeedLabel();
    }
}

void RecordingNavigation::nextRecording()
{
    std::lock_guard cache(m_hub.m_hMutexCache);
    if (!m_hub.m_open.selectionValid())
        return;
    if (m_hub.listValid(m_hub.m_open.selectedIndex() + 1)) {
        selectNext(1);
        return;
    }
    if (m_hub.m_browser->folderAfter(m_hub.m_browser->selectedFolder())) {
        m_hub.m_playback.pair().PauseBoth();
        m_hub.applyVolume();
        m_hub.updateSpeedLabel();
        if (!m_hub.m_listAdvancing)
            m_hub.stopBothCameras();
    } else {
        restoreRateToDefault();
        m_hub.m_open.setEndHandled(true);
        m_hub.m_open.select(m_hub.m_open.selectedIndex(), { true, false, false }, 0);
        m_hub.m_listAdvancing = false;
        m_hub.stopBothCameras();
    }
    m_hub.m_open.setAutoAdvance(true);
}

void RecordingNavigation::leaveModesAtWalkEnd()
{
    m_hub.m_open.setAutoAdvance(false);
    m_hub.setZoomMode(false);
    m_hub.m_ui.toolbar->setLatched(kCmdZoom, false);
    if (m_hub.isFullScreenView())
        m_hub.leaveFullScreen();
}

void RecordingNavigation::nextFolder()
{
    if (!m_hub.m_open.autoAdvance())
        return;
    if (browse::FolderNode* next = m_hub.m_browser->folderAfter(m_hub.m_browser->selectedFolder())) {
        m_hub.m_browser->selectFolder(next);
        return;
    }
    leaveModesAtWalkEnd();
}

void RecordingNavigation::onMovieEnded()
{
    if (m_hub.m_open.endHandled())
        return;
    m_hub.m_listAdvancing = true;
    nextRecording();
    nextFolder();
    m_hub.m_listAdvancing = false;
}

void RecordingNavigation::onFolderChanged(browse::FolderNode* item)
{
    // Putting the selection back at the end of a walk reports a change of its own.
    if (m_hub.m_inFolderChange || m_hub.m_browser->loading() || m_hub.m_browser->resetting() || !item)
        return;
    // The loaders take hMutexCache for their path: joined before it is held, or they never end.
    m_hub.joinLoaders();
    std::lock_guard cache(m_hub.m_hMutexCache);
    if (m_hub.engineInitialised() && m_hub.engineState() != EngineState::Closed) {
        if (m_hub.engineState() != EngineState::Paused)
            m_hub.m_playback.pair().PauseBoth();
        if (!m_hub.m_listAdvancing)
            m_hub.stopBothCameras();
    }
    if (!m_hub.m_open.autoAdvance())
        restoreRateToDefault();
    m_hub.joinLoaders();
    m_hub.m_ui.graph->setTelemetry({});
    m_hub.m_playback.closeBoth();
    m_hub.m_openSteps.resetRecordingState();
    // What the list shows counts, not what the folder holds: the filters may hide every row.
    m_hub.m_browser->FolderSelected(item, false);
    const int rows = m_hub.m_browser->Count();
    m_hub.giveMapGroup();
    if (!m_hub.m_listAdvancing) {
        m_hub.setPlayFace(false);
        m_hub.refreshToolbar();
    }
    if (rows > 0) {
        const int mode = m_hub.m_open.autoAdvance() ? 1 : 0;
        m_hub.selectListRow(0, mode);
        m_hub.m_open.select(0, { true, true, true }, mode);
        m_hub.m_mapPlace.sendCrashPoints(0, true);
        return;
    }
    if (!m_hub.m_open.autoAdvance())
        return;
    browse::FolderNode* tried = nullptr;
    for (browse::FolderNode* next = m_hub.m_browser->folderAfter(item); next;
         next = m_hub.m_browser->folderAfter(next)) {
        tried = next;
        m_hub.m_browser->FolderSelected(next, true);
        if (m_hub.m_browser->Count() > 0) {
            // The tree reports the change, which loads the folder again and plays its first row.
            m_hub.m_browser->selectFolder(next);
            return;
        }
    }
    leaveModesAtWalkEnd();
    m_hub.refreshToolbar();
    if (!tried)
        restoreRateToDefault();
    m_hub.m_inFolderChange = true;
    m_hub.m_browser->selectFolder(tried ? tried : item);
    m_hub.m_inFolderChange = false;
}

void RecordingNavigation::onSourceRemoved()
{
    m_hub.m_open.setOpened(false);
    if (m_hub.engineInitialised() && m_hub.engineState() != EngineState::Paused)
        m_hub.m_playback.pair().PauseBoth();
    m_hub.stopBothCameras();
    m_hub.closeRecording();
    {
        std::lock_guard cache(m_hub.m_hMutexCache);
        m_hub.m_browser->Clear();
    }
    m_hub.m_open.setSelectedIndex(-1);
    m_hub.m_listEmpty = true;
    m_hub.refreshToolbar();
    m_hub.setZoomMode(false);
    m_hub.m_ui.toolbar->setLatched(kCmdZoom, false);
    m_hub.leaveFullScreen();
    // Only a medium the program itself runs from takes the program with it; the system's root
    // cannot be pulled out, whatever else disappears.
    const QString program = mountRoot(QCoreApplication::applicationDirPath().toStdString());
    if (!m_hub.m_sourceMountRoot.isEmpty() && m_hub.m_sourceMountRoot != QStringLiteral("/")
        && program == m_hub.m_sourceMountRoot) {
        m_hub.close();
        QCoreApplication::quit();
    }
}

} // namespace kivora::app
