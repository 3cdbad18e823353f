#include "kivora/app/BothLocked.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/MainLayout.h"
#include "kivora/map/EngineTrackSource.h"
#include "kivora/map/MapFactory.h"

namespace kivora::app {

namespace {
bool realMap = false; // UI thread
}

void CkivoraDlg::useRealMap(bool on)
{
    realMap = on;
}

void CkivoraDlg::createMap()
{
    if (!realMap)
        return;
    m_mapTracks = std::make_unique<map::EngineTrackSource>(m_playback.main(), m_playback.sub());
    m_map = map::createMapView(m_messages.target(), *m_mapTracks, m_settings.path());
    // The separate window starts hidden and the map button unlatched: the switch starts off.
    m_map->setMapSwitch(false);
    m_map->SetMapParent(m_ui.movieDialog);
    m_map->setMapGeometry(SeparateWindowLayout::compute(m_uiScale).inner);
    giveMapGroup();
}

void CkivoraDlg::giveMapGroup()
{
    if (!m_mapTracks)
        return;
    std::vector<recording::RecordingEntry> entries;
    {
        std::lock_guard cache(m_hMutexCache);
        for (int i = 0; i < m_browser->Count(); ++i)
            if (const recording::RecordingEntry* e = m_browser->Entry(i);
                e && !(e->attributes & recording::kAttrDirectory))
                entries.push_back(*e);
    }
    m_mapTracks->setGroup(std::move(entries));
}

bool CkivoraDlg::recordingHasGps()
{
    BothLocked locked(m_playback.pair());
    return engineInitialised() && !m_playback.main().shownTelemetry().gps.empty();
}

} // namespace kivora::app
