#include "kivora/app/MapPlace.h"

#include "kivora/app/BothLocked.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CrashPoints.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/RecordingRules.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/map/IMapView.h"
#include "kivora/recording/RecordingEntry.h"
#include "kivora/views/CGSensorDlg.h"

namespace kivora::app {

using playback::EngineState;

int MapPlace::sendCrashPoints(int recordingIndex, bool withGroupTrack)
{
    std::lock_guard cpSet(m_crashPoints.mutex());
    BothLocked locked(m_playback.pair());
    const bool open = recordingIndex >= 0 && m_open.opened();
    return m_crashPoints.send(m_host.mapView(), open ? &m_playback.main().shownTelemetry() : nullptr,
        m_ui.graph->channels(), recordingIndex, withGroupTrack);
}

void MapPlace::mapStatusStep()
{
    map::IMapView& map = m_host.mapView();
    if (!m_crashPoints.due(map))
        return;
    if (m_open.selectionValid()) {
        if (sendCrashPoints(m_open.selectedIndex(), true) != 1)
            return;
        m_crashPoints.markSent();
    }
    const EngineState state = m_playback.state();
    if (state == EngineState::Paused)
        map.SetMapStatus(1);
    else if (state != EngineState::Playing)
        map.SetMapStatus(2);
}

void MapPlace::refreshMapChoice()
{
    map::IMapView& map = m_host.mapView();
    const bool gpsRecords = m_host.recordingHasGps();
    const recording::RecordingEntry* entry = m_host.selectedEntry();
    const bool showMap = m_mapHasData && map.pageReady() && gpsRecords && entry
        && !isParkingRecording(entry->path) && !m_gpsInvalid && map.runtimePresent();
    if (showMap) {
        map.ShowMap(true);
        m_ui.logo->hide();
        return;
    }
    map.ShowMap(false);
    const int mode = (!m_gpsInvalid && m_mapAllowed && !map.pageReady() && map.mapSwitch()) ? 0 : 1;
    if (m_host.isFullScreenView()) {
        m_ui.logo->hide();
    } else {
        m_ui.logo->setGeometry(SeparateWindowLayout::compute(m_host.uiScale()).inner);
        m_ui.logo->show();
    }
    if (m_logoMode != mode) {
        m_logoMode = mode;
        m_ui.logo->setLogoMode(mode);
    }
}

void MapPlace::updateMapHasData(std::int64_t shownFrame)
{
    BothLocked locked(m_playback.pair());
    const recording::TelemetryReader& reader = m_playback.main().shownTelemetry();
    const recording::TelemetrySample sample = reader.sampleAtFrame(shownFrame < 0 ? 0 : shownFrame);
    m_mapHasData = !reader.gps.empty() && sample.gps && sample.gps->valid == 1;
}

void MapPlace::onGpsSample(const recording::GpsSample& gps, bool opening)
{
    if (gps.valid == 1) {
        const bool invalid = gps.latitude > 360.0 || gps.longitude > 360.0;
        // The choice depends only on these marks here: it is made again when they change.
        const bool changed = invalid != m_gpsInvalid || (!opening && !m_mapHasData);
        m_gpsInvalid = invalid;
        if (!opening)
            m_mapHasData = true;
        if (changed)
            refreshMapChoice();
    } else if (const recording::RecordingEntry* entry = m_host.selectedEntry();
               entry && isParkingRecording(entry->path)) {
        // A parking recording without a fix shows the logo in the map's place.
        m_mapHasData = false;
        refreshMapChoice();
    }
}

void MapPlace::onMapReady()
{
    m_crashPoints.sendAgain();
    mapStatusStep();
    m_mapAllowed = true;
    m_host.repaintWindow();
}

void MapPlace::onDisplayFlag(int channel, bool on)
{
    if (channel < 0 || channel >= views::kEventChannelCount)
        return;
    m_ui.graph->channels().setBoth(channel, on);
    m_ui.graph->update();
    if (m_open.selectionValid())
        sendCrashPoints(m_open.selectedIndex(), false);
}

} // namespace kivora::app
