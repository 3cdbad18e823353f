// The main window's walk between recordings, folders and sources.
#include "kivora/app/RecordingNavigation.h"

#include "kivora/app/CommandIds.h"
#include "kivora/app/MapPlace.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/Toolbar.h"
#include "kivora/app/ViewModes.h"
#include "kivora/app/WindowWidgets.h"
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

bool RecordingNavigation::listValid(int index) const
{
    return index >= 0 && index < m_host.browser().Count();
}

bool RecordingNavigation::selectNextRecording()
{
    std::lock_guard cache(m_cache);
    if (!listValid(m_open.selectedIndex() + 1))
        return false;
    selectNext(1);
    return true;
}

void RecordingNavigation::selectNext(int advanceMode)
{
    const int next = m_open.selectedIndex() + (advanceMode == 2 ? -1 : 1);
    selectListRow(next, advanceMode);
    m_ui.positionSlider->setInteractive(false);
    m_ui.graph->setDrawEnabled(false);
    m_ui.positionSlider->setPos(0);
    m_ui.graph->setCurrentStep(0);
    m_open.setEndHandled(false);
    m_open.select(next, { true, true, false }, advanceMode);
}

void RecordingNavigation::restoreRateToDefault()
{
    if (!m_playback.initialised())
        return;
    const int rate = m_host.recordingDefaultRate();
    if (rate != m_playback.main().rate()) {
        m_playback.pair().SetRateBoth(rate);
        m_host.updateSpeedLabel();
    }
}

void RecordingNavigation::nextRecording()
{
    std::lock_guard cache(m_cache);
    if (!m_open.selectionValid())
        return;
    if (listValid(m_open.selectedIndex() + 1)) {
        selectNext(1);
        return;
    }
    if (m_host.browser().folderAfter(m_host.browser().selectedFolder())) {
        m_playback.pair().PauseBoth();
        m_host.applyVolume();
        m_host.updateSpeedLabel();
        if (!m_listAdvancing)
            m_host.stopBothCameras();
    } else {
        restoreRateToDefault();
        m_open.setEndHandled(true);
        m_open.select(m_open.selectedIndex(), { true, false, false }, 0);
        m_listAdvancing = false;
        m_host.stopBothCameras();
    }
    m_open.setAutoAdvance(true);
}

void RecordingNavigation::leaveModesAtWalkEnd()
{
    m_open.setAutoAdvance(false);
    m_viewModes.setZoomMode(false);
    m_ui.toolbar->setLatched(kCmdZoom, false);
    if (m_host.isFullScreenView())
        m_viewModes.leaveFullScreen();
}

void RecordingNavigation::nextFolder()
{
    if (!m_open.autoAdvance())
        return;
    if (browse::FolderNode* next = m_host.browser().folderAfter(m_host.browser().selectedFolder())) {
        m_host.browser().selectFolder(next);
        return;
    }
    leaveModesAtWalkEnd();
}

void RecordingNavigation::onMovieEnded()
{
    if (m_open.endHandled())
        return;
    m_listAdvancing = true;
    nextRecording();
    nextFolder();
    m_listAdvancing = false;
}

void RecordingNavigation::onFolderChanged(browse::FolderNode* item)
{
    // Putting the selection back at the end of a walk reports a change of its own.
    if (m_inFolderChange || m_host.browser().loading() || m_host.browser().resetting() || !item)
        return;
    // The loaders take hMutexCache for their path: joined before it is held, or they never end.
    m_playback.joinLoaders();
    std::lock_guard cache(m_cache);
    if (m_playback.initialised() && m_playback.state() != EngineState::Closed) {
        if (m_playback.state() != EngineState::Paused)
            m_playback.pair().PauseBoth();
        if (!m_listAdvancing)
            m_host.stopBothCameras();
    }
    if (!m_open.autoAdvance())
        restoreRateToDefault();
    m_playback.joinLoaders();
    m_ui.graph->setTelemetry({});
    m_playback.closeBoth();
    m_host.resetRecordingState();
    // What the list shows counts, not what the folder holds: the filters may hide every row.
    m_host.browser().FolderSelected(item, false);
    const int rows = m_host.browser().Count();
    m_host.giveMapGroup();
    if (!m_listAdvancing) {
        m_host.setPlayFace(false);
        m_host.refreshToolbar();
    }
    if (rows > 0) {
        const int mode = m_open.autoAdvance() ? 1 : 0;
        selectListRow(0, mode);
        m_open.select(0, { true, true, true }, mode);
        m_mapPlace.sendCrashPoints(0, true);
        return;
    }
    if (!m_open.autoAdvance())
        return;
    browse::FolderNode* tried = nullptr;
    for (browse::FolderNode* next = m_host.browser().folderAfter(item); next;
         next = m_host.browser().folderAfter(next)) {
        tried = next;
        m_host.browser().FolderSelected(next, true);
        if (m_host.browser().Count() > 0) {
            // The tree reports the change, which loads the folder again and plays its first row.
            m_host.browser().selectFolder(next);
            return;
        }
    }
    leaveModesAtWalkEnd();
    m_host.refreshToolbar();
    if (!tried)
        restoreRateToDefault();
    m_inFolderChange = true;
    m_host.browser().selectFolder(tried ? tried : item);
    m_inFolderChange = false;
}

void RecordingNavigation::selectListRow(int index, int advanceMode)
{
    // The list hands the row back through onRecordingSelected; the caller runs the select step.
    m_selectingRow = true;
    m_host.browser().SelectRow(index, advanceMode);
    m_selectingRow = false;
}

void RecordingNavigation::onRecordingSelected(int row)
{
    if (m_selectingRow)
        return;
    std::lock_guard cache(m_cache);
    m_playback.mute();
    m_open.setEndHandled(false);
    m_open.select(row, { true, true, true }, 0);
    restoreRateToDefault();
    m_mapPlace.refreshMapChoice();
}

void RecordingNavigation::onSourceRemoved()
{
    m_open.setOpened(false);
    if (m_playback.initialised() && m_playback.state() != EngineState::Paused)
        m_playback.pair().PauseBoth();
    m_host.stopBothCameras();
    m_host.closeRecording();
    {
        std::lock_guard cache(m_cache);
        m_host.browser().Clear();
    }
    m_open.setSelectedIndex(-1);
    m_host.markListEmpty();
    m_host.refreshToolbar();
    m_viewModes.setZoomMode(false);
    m_ui.toolbar->setLatched(kCmdZoom, false);
    m_viewModes.leaveFullScreen();
    // Only a medium the program itself runs from takes the program with it; the system's root
    // cannot be pulled out, whatever else disappears.
    const QString program = mountRoot(QCoreApplication::applicationDirPath().toStdString());
    if (!m_sourceMountRoot.isEmpty() && m_sourceMountRoot != QStringLiteral("/")
        && program == m_sourceMountRoot) {
        m_host.closeWindow();
        QCoreApplication::quit();
    }
}

} // namespace kivora::app
