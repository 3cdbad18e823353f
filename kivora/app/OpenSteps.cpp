// The open sequence's steps as the main window carries them out.
#include "kivora/app/OpenSteps.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/BothLocked.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/TimerIds.h"
#include "kivora/app/Toolbar.h"
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
    return m_dlg.listSize();
}
bool OpenSteps::listAdvancing() const
{
    return m_dlg.m_navigation.listAdvancing();
}
bool OpenSteps::listLoading() const
{
    return m_dlg.m_browser->loading();
}
void OpenSteps::startTimer(int id, int ms)
{
    m_dlg.startTimer(id, ms);
}
void OpenSteps::killTimer(int id)
{
    m_dlg.m_timers.kill(id);
}
void OpenSteps::stopBoth()
{
    m_dlg.stopBothCameras();
}
void OpenSteps::clearMapHasData()
{
    m_dlg.m_mapPlace.clearMapHasData();
}
void OpenSteps::refreshToolbar()
{
    m_dlg.refreshToolbar();
}
void OpenSteps::beginWait()
{
    m_dlg.beginWait();
}
void OpenSteps::enableToolbar()
{
    m_dlg.enableToolbar();
}
void OpenSteps::leaveZoom()
{
    m_dlg.setZoomMode(false);
}
void OpenSteps::clearNearEndLock()
{
    m_dlg.m_clock.clearNearEndLock();
}
bool OpenSteps::selectNextRecording()
{
    return m_dlg.m_navigation.selectNextRecording();
}
void OpenSteps::nextFolder()
{
    m_dlg.m_navigation.nextFolder();
}
void OpenSteps::redrawSurfaces()
{
    m_dlg.redrawSurfaces();
}
bool OpenSteps::play()
{
    return m_dlg.play();
}
void OpenSteps::setPlayFace(bool pauseFace)
{
    m_dlg.setPlayFace(pauseFace);
}

void OpenSteps::applySwitches(const SelectSwitches& switches)
{
    if (switches.resetSlider) {
        m_dlg.m_ui.positionSlider->setPos(0);
        m_dlg.m_ui.graph->setCurrentStep(0);
    }
    if (switches.resetGraph) {
        m_dlg.m_ui.graph->setRange(0);
        m_dlg.m_ui.graph->update();
    }
    if (switches.resetInfo) {
        m_dlg.m_ui.info->Reset();
        m_dlg.m_ui.info->update();
    }
}

void OpenSteps::endWait()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void OpenSteps::closeForOpen()
{
    m_dlg.m_timers.kill(kTimerClock);
    m_dlg.m_clock.clearPendingSeek();
    m_dlg.joinLoaders();
    m_dlg.m_ui.graph->setTelemetry({});
    m_dlg.m_playback.closeBoth();
    m_dlg.m_ui.graph->update();
    m_dlg.disableEverything(false);
}

int OpenSteps::openBoth(int index)
{
    std::filesystem::path path;
    {
        std::lock_guard cache(m_dlg.m_hMutexCache);
        if (!m_dlg.listValid(index))
            return playback::kOpenFailed;
        path = m_dlg.m_browser->Entry(index)->path;
    }
    return m_dlg.m_playback.pair().OpenBoth(path);
}

void OpenSteps::openSucceeded(int index)
{
    std::filesystem::path path;
    bool voltage = false;
    {
        std::lock_guard cache(m_dlg.m_hMutexCache);
        if (!m_dlg.listValid(index))
            return;
        path = m_dlg.m_browser->Entry(index)->path;
        voltage = m_dlg.m_voltageTrace && isParkingRecording(path);
    }
    m_dlg.m_ui.movieDialog->setTitleSlot(
        recording::IsMainCameraName(path) ? CkivoraDlg::kSlotMapTitle : CkivoraDlg::kSlotMainCameraTitle);
    m_dlg.m_ui.graph->setDrawEnabled(true);
    m_dlg.m_ui.info->setVoltageMode(voltage);
    // A popup menu opened during the wait belongs to the recording that was showing.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void OpenSteps::openFailed()
{
    m_dlg.m_mapPlace.clearMapHasData();
    m_dlg.refreshMapChoice();
}

void OpenSteps::showOpenError(int slot)
{
    if (!m_dlg.m_export->offerRepair(m_dlg.status().movie, slot))
        ui::CMsgBox(&m_dlg).show(ui::uiQText(slot, m_dlg.m_languageIndex), QStringLiteral("ERROR"));
}

void OpenSteps::prepareReady()
{
    m_dlg.m_feed.setDuration(m_dlg.m_playback.main().GetDuration());
    m_dlg.updateSpeedLabel();
    m_dlg.m_viewModes.applyZoom(false);
    m_dlg.m_playback.setAspect(m_dlg.m_keepAspect);
    m_dlg.m_playback.pair().SeekBoth(0);
    m_dlg.placeRearView();
}

std::filesystem::path OpenSteps::listPath(int index)
{
    std::lock_guard cache(m_dlg.m_hMutexCache);
    return m_dlg.listValid(index) ? m_dlg.m_browser->Entry(index)->path : std::filesystem::path();
}

void OpenSteps::startLoader(std::uint64_t generation)
{
    const int index = m_dlg.m_open.selectedIndex();
    m_dlg.m_playback.startLoader([this, index] { return listPath(index); },
        [generation, target = m_dlg.messageTarget()](bool preloaded, bool loaded) {
            postMessage(target, kMsgTelemetryLoaded, WParam(generation),
                LParam((preloaded ? 1 : 0) | (loaded ? 2 : 0)));
        });
}

void OpenSteps::startPreloader()
{
    const int index = m_dlg.m_open.selectedIndex() + 1;
    m_dlg.m_playback.startPreloader([this, index] { return listPath(index); });
}

void OpenSteps::applyVolumeAndRate()
{
    m_dlg.applyVolume();
    m_dlg.m_playback.pair().SetRateBoth(m_dlg.m_playback.main().rate());
}

void OpenSteps::startClock()
{
    std::lock_guard cache(m_dlg.m_hMutexCache);
    if (!m_dlg.m_open.selectionValid())
        return;
    recording::RecordingEntry& entry = *m_dlg.m_browser->Entry(m_dlg.m_open.selectedIndex());

    // 1. The recording's picture code and start time.
    int width = 0;
    int height = 0;
    m_dlg.m_playback.main().GetNativeSize(width, height);
    entry.qualityCode = resolutionCode(height, m_dlg.m_playback.main().loadedHeader().qualityLetter);
    m_dlg.m_ui.info->setQualityCode(entry.qualityCode);
    entry.start = recording::NameDateTime(entry.path);
    m_dlg.m_ui.info->setStartTime(entry.start);

    // 2. Slider and graph from the start; the telemetry moves to where every view reads it.
    bool haveGps = false;
    {
        BothLocked locked(m_dlg.m_playback.pair());
        m_dlg.m_ui.positionSlider->setPos(0);
        m_dlg.m_ui.graph->setStepCount(
            m_dlg.m_ui.positionSlider->maximum() - m_dlg.m_ui.positionSlider->minimum());
        m_dlg.m_ui.graph->setCurrentStep(0);
        const int margin = static_cast<int>(kGraphMarginDesign * m_dlg.m_uiScale);
        m_dlg.m_ui.graph->setMargin(margin);
        const ui::SkinEntry* background = ui::skinEntry(views::graphRangeBitmapId(m_dlg.m_ui.graph->range()));
        const int backgroundWidth = background ? background->frameWidth() : 640;
        m_dlg.m_ui.graph->setTileWidth(static_cast<int>(backgroundWidth * m_dlg.m_uiScale) - margin);
        m_dlg.m_ui.graph->update();
        const float period = m_dlg.m_playback.main().GetFramePeriod();
        entry.framesPerSecond = period > 0.0f ? 1000.0f / period : 0.0f;
        haveGps = m_dlg.m_playback.main().adoptLoadedTelemetry();
        // From here the probe reader changes only on this thread (closing releases it), so the
        // graph paints from it without the engine locks.
        m_dlg.m_ui.graph->setTelemetry({ &m_dlg.m_playback.main().shownTelemetry(), {}, {} });
        if (!haveGps) {
            m_dlg.m_mapPlace.clearMapHasData();
        } else {
            const recording::TelemetryReader& reader = m_dlg.m_playback.main().shownTelemetry();
            m_dlg.m_ui.graph->setRange(views::graphRangeFor(reader.maxAbsAccel));
            if (reader.header.timeLapseLetter == 'N')
                m_dlg.m_ui.info->setTimeLapse(false);
            else if (reader.header.timeLapseLetter == 'T')
                m_dlg.m_ui.info->setTimeLapse(true);
            m_dlg.m_ui.info->setHeaderCode(reader.header.code25);
        }
    }
    if (!haveGps)
        m_dlg.refreshMapChoice();

    // 3. Panel and slider know the movie's length.
    m_dlg.m_ui.info->setMsPerFrame(m_dlg.m_playback.main().GetFramePeriod());
    m_dlg.m_feed.setDuration(m_dlg.m_playback.main().GetDuration());
    m_dlg.m_ui.positionSlider->setRange(0, static_cast<int>(m_dlg.m_feed.duration()));

    // 4. The event list (the map gets it once its page is there).
    m_dlg.m_mapPlace.sendCrashPoints(m_dlg.m_open.selectedIndex(), false);

    // 5. Go.
    m_dlg.updateSpeedLabel();
    m_dlg.applyVolume();
    m_dlg.showFrame(0);
    m_dlg.m_clock.clearPendingSeek();
    m_dlg.m_timers.start(kTimerClock, std::chrono::milliseconds(CkivoraDlg::kClockMs));
    m_dlg.m_ui.positionSlider->setInteractive(true);
}

void OpenSteps::afterTelemetryLoaded()
{
    m_dlg.m_mapPlace.updateMapHasData(m_dlg.m_feed.shownFrame());
    m_dlg.resumeAfterFileWork();
}

// --- Closing ---------------------------------------------------------------------------------------

void OpenSteps::resetRecordingState()
{
    m_dlg.m_ui.info->clearRecording();
    m_dlg.m_ui.positionSlider->setPos(0);
    m_dlg.m_ui.positionSlider->setRange(0, 0);
    m_dlg.m_ui.graph->setCurrentStep(0);
    m_dlg.m_timers.kill(kTimerClock);
    m_dlg.updateSpeedLabel();
    m_dlg.joinLoaders();
    m_dlg.m_open.resetRecording();
    m_dlg.m_mapPlace.clearMapHasData();
    m_dlg.m_feed.forgetShownFrame();
    m_dlg.m_clock.clearPendingSeek();
    m_dlg.m_ui.mainSurface->update();
    m_dlg.m_ui.subSurface->update();
    m_dlg.placeRearView();
    m_dlg.m_crashPoints.reset();
    m_dlg.m_ui.graph->setRange(0);
    m_dlg.m_ui.graph->update();
    m_dlg.m_ui.info->Reset();
    m_dlg.m_open.setSelectedIndex(-1);
    m_dlg.refreshMapChoice();
}

void OpenSteps::closeRecording()
{
    if (m_dlg.engineInitialised())
        m_dlg.m_playback.pair().SetRateBoth(m_dlg.recordingDefaultRate());
    m_dlg.m_ui.movieDialog->setTitleSlot(CkivoraDlg::kSlotMapTitle);
    m_dlg.joinLoaders();
    m_dlg.m_ui.graph->setTelemetry({});
    m_dlg.m_playback.closeBoth();
    {
        BothLocked locked(m_dlg.m_playback.pair());
        m_dlg.m_playback.main().releaseShownTelemetry();
    }
    resetRecordingState();
    m_dlg.setPlayFace(false);
    m_dlg.m_ui.positionSlider->setInteractive(true);
    m_dlg.m_ui.info->update();
    m_dlg.m_ui.graph->update();
    m_dlg.m_ui.toolbar->setLatched(kCmdZoom, false);
    m_dlg.m_browser->clearMarks();
    m_dlg.refreshToolbar();
}

} // namespace kivora::app
