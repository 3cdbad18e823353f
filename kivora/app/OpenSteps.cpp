// The open sequence's steps as the main window carries them out.
#include "kivora/app/OpenSteps.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/BothLocked.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/CrashPoints.h"
#include "kivora/app/MapPlace.h"
#include "kivora/app/PlaybackClock.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/RecordingNavigation.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/TimerIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/app/ViewFeed.h"
#include "kivora/app/ViewModes.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/IExportHost.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/GraphPlot.h"

#include <QApplication>

namespace kivora::app {

using namespace kivora::platform;

namespace {

constexpr int kGraphMarginDesign = 41;

} // namespace

int OpenSteps::listSize() const
{
    return m_host.listSize();
}
bool OpenSteps::listAdvancing() const
{
    return m_p.navigation.listAdvancing();
}
bool OpenSteps::listLoading() const
{
    return m_host.browser().loading();
}
void OpenSteps::startTimer(int id, int ms)
{
    m_host.startTimer(id, ms);
}
void OpenSteps::killTimer(int id)
{
    m_host.cancelTimer(id);
}
void OpenSteps::stopBoth()
{
    m_host.stopBothCameras();
}
void OpenSteps::clearMapHasData()
{
    m_p.mapPlace.clearMapHasData();
}
void OpenSteps::refreshToolbar()
{
    m_host.refreshToolbar();
}
void OpenSteps::beginWait()
{
    m_host.beginWait();
}
void OpenSteps::enableToolbar()
{
    m_host.enableToolbar();
}
void OpenSteps::leaveZoom()
{
    m_p.viewModes.setZoomMode(false);
}
void OpenSteps::clearNearEndLock()
{
    m_p.clock.clearNearEndLock();
}
bool OpenSteps::selectNextRecording()
{
    return m_p.navigation.selectNextRecording();
}
void OpenSteps::nextFolder()
{
    m_p.navigation.nextFolder();
}
void OpenSteps::redrawSurfaces()
{
    m_host.redrawSurfaces();
}
bool OpenSteps::play()
{
    return m_host.play();
}
void OpenSteps::setPlayFace(bool pauseFace)
{
    m_host.setPlayFace(pauseFace);
}

void OpenSteps::applySwitches(const SelectSwitches& switches)
{
    if (switches.resetSlider) {
        m_p.ui.positionSlider->setPos(0);
        m_p.ui.graph->setCurrentStep(0);
    }
    if (switches.resetGraph) {
        m_p.ui.graph->setRange(0);
        m_p.ui.graph->update();
    }
    if (switches.resetInfo) {
        m_p.ui.info->Reset();
        m_p.ui.info->update();
    }
}

void OpenSteps::endWait()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void OpenSteps::closeForOpen()
{
    m_host.cancelTimer(kTimerClock);
    m_p.clock.clearPendingSeek();
    m_p.playback.joinLoaders();
    m_p.ui.graph->setTelemetry({});
    m_p.playback.closeBoth();
    m_p.ui.graph->update();
    m_host.disableEverything(false);
}

int OpenSteps::openBoth(int index)
{
    std::filesystem::path path;
    {
        std::lock_guard cache(m_p.cache);
        const recording::RecordingEntry* entry = entryAt(index);
        if (!entry)
            return playback::kOpenFailed;
        path = entry->path;
    }
    return m_p.playback.pair().OpenBoth(path);
}

void OpenSteps::openSucceeded(int index)
{
    std::filesystem::path path;
    bool voltage = false;
    {
        std::lock_guard cache(m_p.cache);
        const recording::RecordingEntry* entry = entryAt(index);
        if (!entry)
            return;
        path = entry->path;
        voltage = m_voltageTrace && isParkingRecording(path);
    }
    m_p.ui.movieDialog->setTitleSlot(
        recording::IsMainCameraName(path) ? kSlotMapTitle : kSlotMainCameraTitle);
    m_p.ui.graph->setDrawEnabled(true);
    m_p.ui.info->setVoltageMode(voltage);
    // A popup menu opened during the wait belongs to the recording that was showing.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void OpenSteps::openFailed()
{
    m_p.mapPlace.clearMapHasData();
    m_p.mapPlace.refreshMapChoice();
}

void OpenSteps::showOpenError(int slot)
{
    if (!m_host.exportCommands().offerRepair(m_host.status().movie, slot))
        m_host.showMessageBox(ui::uiQText(slot, m_host.languageIndex()), QStringLiteral("ERROR"));
}

void OpenSteps::prepareReady()
{
    m_p.feed.setDuration(m_p.playback.main().GetDuration());
    m_host.updateSpeedLabel();
    m_p.viewModes.applyZoom(false);
    m_p.playback.setAspect(m_host.keepAspect());
    m_p.playback.pair().SeekBoth(0);
    m_p.viewModes.placeRearView();
}

recording::RecordingEntry* OpenSteps::entryAt(int index) const
{
    return index >= 0 && index < m_host.browser().Count() ? m_host.browser().Entry(index) : nullptr;
}

std::filesystem::path OpenSteps::listPath(int index)
{
    std::lock_guard cache(m_p.cache);
    const recording::RecordingEntry* entry = entryAt(index);
    return entry ? entry->path : std::filesystem::path();
}

void OpenSteps::startLoader(std::uint64_t generation)
{
    const int index = m_p.open.selectedIndex();
    m_p.playback.startLoader([this, index] { return listPath(index); },
        [generation, target = m_host.messageTarget()](bool preloaded, bool loaded) {
            postMessage(target, kMsgTelemetryLoaded, WParam(generation),
                LParam((preloaded ? 1 : 0) | (loaded ? 2 : 0)));
        });
}

void OpenSteps::startPreloader()
{
    const int index = m_p.open.selectedIndex() + 1;
    m_p.playback.startPreloader([this, index] { return listPath(index); });
}

void OpenSteps::applyVolumeAndRate()
{
    m_host.applyVolume();
    m_p.playback.pair().SetRateBoth(m_p.playback.main().rate());
}

void OpenSteps::startClock()
{
    std::lock_guard cache(m_p.cache);
    if (!m_p.open.selectionValid())
        return;
    recording::RecordingEntry& entry = *m_host.browser().Entry(m_p.open.selectedIndex());

    // 1. The recording's picture code and start time.
    int width = 0;
    int height = 0;
    m_p.playback.main().GetNativeSize(width, height);
    entry.qualityCode = resolutionCode(height, m_p.playback.main().loadedHeader().qualityLetter);
    m_p.ui.info->setQualityCode(entry.qualityCode);
    entry.start = recording::NameDateTime(entry.path);
    m_p.ui.info->setStartTime(entry.start);

    // 2. Slider and graph from the start; the telemetry moves to where every view reads it.
    bool haveGps = false;
    {
        BothLocked locked(m_p.playback.pair());
        m_p.ui.positionSlider->setPos(0);
        m_p.ui.graph->setStepCount(m_p.ui.positionSlider->maximum() - m_p.ui.positionSlider->minimum());
        m_p.ui.graph->setCurrentStep(0);
        const int margin = static_cast<int>(kGraphMarginDesign * m_host.uiScale());
        m_p.ui.graph->setMargin(margin);
        const ui::SkinEntry* background = ui::skinEntry(views::graphRangeBitmapId(m_p.ui.graph->range()));
        const int backgroundWidth = background ? background->frameWidth() : 640;
        m_p.ui.graph->setTileWidth(static_cast<int>(backgroundWidth * m_host.uiScale()) - margin);
        m_p.ui.graph->update();
        const float period = m_p.playback.main().GetFramePeriod();
        entry.framesPerSecond = period > 0.0f ? 1000.0f / period : 0.0f;
        haveGps = m_p.playback.main().adoptLoadedTelemetry();
        // From here the probe reader changes only on this thread (closing releases it), so the
        // graph paints from it without the engine locks.
        m_p.ui.graph->setTelemetry({ &m_p.playback.main().shownTelemetry(), {}, {} });
        if (!haveGps) {
            m_p.mapPlace.clearMapHasData();
        } else {
            const recording::TelemetryReader& reader = m_p.playback.main().shownTelemetry();
            m_p.ui.graph->setRange(views::graphRangeFor(reader.maxAbsAccel));
            if (reader.header.timeLapseLetter == 'N')
                m_p.ui.info->setTimeLapse(false);
            else if (reader.header.timeLapseLetter == 'T')
                m_p.ui.info->setTimeLapse(true);
            m_p.ui.info->setHeaderCode(reader.header.code25);
        }
    }
    if (!haveGps)
        m_p.mapPlace.refreshMapChoice();

    // 3. Panel and slider know the movie's length.
    m_p.ui.info->setMsPerFrame(m_p.playback.main().GetFramePeriod());
    m_p.feed.setDuration(m_p.playback.main().GetDuration());
    m_p.ui.positionSlider->setRange(0, static_cast<int>(m_p.feed.duration()));

    // 4. The event list (the map gets it once its page is there).
    m_p.mapPlace.sendCrashPoints(m_p.open.selectedIndex(), false);

    // 5. Go.
    m_host.updateSpeedLabel();
    m_host.applyVolume();
    m_p.feed.showFrame(0);
    m_p.clock.clearPendingSeek();
    m_host.startClockTimer();
    m_p.ui.positionSlider->setInteractive(true);
}

void OpenSteps::afterTelemetryLoaded()
{
    m_p.mapPlace.updateMapHasData(m_p.feed.shownFrame());
    m_host.resumeAfterFileWork();
}

// --- Closing ---------------------------------------------------------------------------------------

void OpenSteps::resetRecordingState()
{
    m_p.ui.info->clearRecording();
    m_p.ui.positionSlider->setPos(0);
    m_p.ui.positionSlider->setRange(0, 0);
    m_p.ui.graph->setCurrentStep(0);
    m_host.cancelTimer(kTimerClock);
    m_host.updateSpeedLabel();
    m_p.playback.joinLoaders();
    m_p.open.resetRecording();
    m_p.mapPlace.clearMapHasData();
    m_p.feed.forgetShownFrame();
    m_p.clock.clearPendingSeek();
    m_p.ui.mainSurface->update();
    m_p.ui.subSurface->update();
    m_p.viewModes.placeRearView();
    m_p.crashPoints.reset();
    m_p.ui.graph->setRange(0);
    m_p.ui.graph->update();
    m_p.ui.info->Reset();
    m_p.open.setSelectedIndex(-1);
    m_p.mapPlace.refreshMapChoice();
}

void OpenSteps::closeRecording()
{
    if (m_p.playback.initialised())
        m_p.playback.pair().SetRateBoth(m_host.recordingDefaultRate());
    m_p.ui.movieDialog->setTitleSlot(kSlotMapTitle);
    m_p.playback.joinLoaders();
    m_p.ui.graph->setTelemetry({});
    m_p.playback.closeBoth();
    {
        BothLocked locked(m_p.playback.pair());
        m_p.playback.main().releaseShownTelemetry();
    }
    resetRecordingState();
    m_host.setPlayFace(false);
    m_p.ui.positionSlider->setInteractive(true);
    m_p.ui.info->update();
    m_p.ui.graph->update();
    m_p.ui.toolbar->setLatched(kCmdZoom, false);
    m_host.browser().clearMarks();
    m_host.refreshToolbar();
}

} // namespace kivora::app
