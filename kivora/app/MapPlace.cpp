#include "kivora/app/MapPlace.h"

#include "kivora/app/BothLocked.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/views/CGSensorDlg.h"

namespace kivora::app {

using playback::EngineState;

int MapPlace::sendCrashPoints(int recordingIndex, bool withGroupTrack)
{
    std::lock_guard cpSet(m_hub.m_crashPoints.mutex());
    BothLocked locked(m_hub.m_playback.pair());
    const bool open = recordingIndex >= 0 && m_hub.m_open.opened();
    return m_hub.m_crashPoints.send(*m_hub.m_map, open ? &m_hub.m_playback.main().shownTelemetry() : nullptr,
        m_hub.m_ui.graph->channels(), recordingIndex, withGroupTrack);
}

void MapPlace::mapStatusStep()
{
    if (!m_hub.m_crashPoints.due(*m_hub.m_map))
        return;
    if (m_hub.m_open.selectionValid()) {
        if (sendCrashPoints(m_hub.m_open.selectedIndex(), true) != 1)
            return;
        m_hub.m_crashPoints.markSent();
    }
    const EngineState state = m_hub.engineState();
    if (state == EngineState::Paused)
        m_hub.m_map->SetMapStatus(1);
    else if (state != EngineState::Playing)
        m_hub.m_map->SetMapStatus(2);
}

void MapPlace::refreshMapChoice()
{
    bool gpsRecords = false;
    {
        BothLocked locked(m_hub.m_playback.pair());
        gpsRecords = m_hub.engineInitialised() && !m_hub.m_playback.main().shownTelemetry().gps.empty();
    }
    const recording::RecordingEntry* entry = m_hub.selectedEntry();
    const bool showMap = m_hub.m_mapHasData && m_hub.m_map->pageReady() && gpsRecords && entry
        && !isParkingRecording(entry->path) && !m_hub.m_gpsInvalid && m_hub.m_map->runtimePresent();
    const bool fullScreen = m_hub.isFullScreenView();
    if (showMap) {
        m_hub.m_map->ShowMap(true);
        m_hub.m_ui.logo->hide();
        m_hub.m_logoShown = false;
        return;
    }
    m_hub.m_map->ShowMap(false);
    const int mode
        = (!m_hub.m_gpsInvalid && m_hub.m_mapAllowed && !m_hub.m_map->pageReady() && m_hub.m_map->mapSwitch())
        ? 0
        : 1;
    if (fullScreen) {
        m_hub.m_ui.logo->hide();
        m_hub.m_logoShown = false;
    } else {
        m_hub.m_ui.logo->setGeometry(SeparateWindowLayout::compute(m_hub.m_uiScale).inner);
        m_hub.m_ui.logo->show();
        m_hub.m_logoShown = true;
    }
    if (m_hub.m_logoMode != mode) {
        m_hub.m_logoMode = mode;
        m_hub.m_ui.logo->setLogoMode(mode);
    }
}

void MapPlace::updateMapHasData()
{
    BothLocked locked(m_hub.m_playback.pair());
    const recording::TelemetryReader& reader = m_hub.m_playback.main().shownTelemetry();
    const recording::TelemetrySample sample
        = reader.sampleAtFrame(m_hub.m_shownFrame < 0 ? 0 : m_hub.m_shownFrame);
    m_hub.m_mapHasData = !reader.gps.empty() && sample.gps && sample.gps->valid == 1;
}

void MapPlace::onMapReady()
{
    m_hub.m_crashPoints.sendAgain();
    mapStatusStep();
    m_hub.m_mapAllowed = true;
    m_hub.update();
}

void MapPlace::onDisplayFlag(int channel, bool on)
{
    if (channel < 0 || channel >= views::kEventChannelCount)
        return;
    m_hub.m_ui.graph->channels().setBoth(channel, on);
    m_hub.m_ui.graph->update();
    if (m_hub.m_open.selectionValid())
        sendCrashPoints(m_hub.m_open.selectedIndex(), false);
}

} // namespace kivora::app
