#include "kivora/app/ViewFeed.h"

#include "kivora/app/BothLocked.h"
#include "kivora/app/BusyGuard.h"
#include "kivora/app/FrameFeed.h"
#include "kivora/app/MapPlace.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackClock.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/SeekClamp.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/map/IMapView.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/CObdDlg.h"

namespace kivora::app {

using playback::EngineState;

void ViewFeed::clockTick()
{
    ClockInput in;
    in.initialised = m_playback.initialised();
    if (in.initialised) {
        in.state = static_cast<int>(m_playback.state());
        in.busy = in.state == static_cast<int>(EngineState::Playing) && m_host.busy();
        // The views follow the picture on screen, which leads the clock by up to a frame.
        in.position = m_playback.main().GetShownPosition();
        in.duration = m_playback.main().GetDuration();
    }
    const ClockStep step = m_clock.tick(in);
    if (step.refreshMapChoice)
        m_mapPlace.refreshMapChoice();
    if (step.lockToolbar)
        m_host.disableEverything(false);
    if (step.unlockToolbar)
        m_host.refreshToolbar();
    if (step.kickTo) {
        m_playback.pair().PauseBoth();
        m_playback.pair().SeekBoth(*step.kickTo);
        m_playback.pair().PlayBoth();
    }
    if (step.show)
        showFrame(*step.show);
    if (step.mapStatusStep)
        m_mapPlace.mapStatusStep();
}

void ViewFeed::showFrame(std::int64_t n)
{
    const int g = app::shownFrame(n, m_ui.positionSlider->minimum(), m_ui.positionSlider->maximum());
    m_clock.setPendingSeek(g);
    FrameValues values;
    {
        BothLocked locked(m_playback.pair());
        values = buildFrameValues(m_open.opened() ? &m_playback.main().shownTelemetry() : nullptr, g);
    }
    feedViews(values);
}

void ViewFeed::feedViews(const FrameValues& v)
{
    m_shownFrame = v.frame;
    m_host.mapView().setCurrentFrame(v.frame);
    if (v.hasMotion) {
        m_ui.info->setAcceleration(v.accelX, v.accelY, v.accelZ);
        m_ui.info->setStatusLetter(v.statusLetter);
        if (const std::optional<recording::GpsSample>& gps = v.gps) {
            double speed = -1.0;
            m_mapPlace.onGpsSample(*gps, m_open.opening());
            if (gps->valid == 1)
                speed = gps->speed;
            m_ui.info->setSpeed(speed);
            m_ui.info->setGpsValid(gps->valid == 1);
            m_ui.info->setVoltageTenths(v.voltageTenths);
            if (v.vehicle) {
                m_ui.info->setVehicleExtras(
                    v.vehicle->extra1, v.vehicle->extra2, v.vehicle->extra3, v.vehicle->raw4[0]);
                m_vehicle.update(*v.vehicle);
                m_ui.obd->setValues(m_vehicle.values());
            }
        } else {
            m_ui.info->setGpsValid(false);
        }
    } else {
        m_ui.info->setAcceleration(views::CInfoDlg::kNoAcceleration, views::CInfoDlg::kNoAcceleration,
            views::CInfoDlg::kNoAcceleration);
        m_ui.info->setGpsValid(false);
    }

    // Drawn at once, after the locks: the panel and the graph show the frame just handed out.
    const int g = static_cast<int>(v.frame);
    m_ui.info->setPosition(g);
    if (!m_host.isFullScreenView())
        m_ui.info->repaint();
    m_ui.positionSlider->setPos(g);
    m_ui.graph->setCurrentStep(g);
    m_ui.graph->setStepCount(m_ui.positionSlider->maximum() - m_ui.positionSlider->minimum());
    m_ui.graph->repaint();
}

void ViewFeed::seekWithState(std::int64_t n, EngineState state)
{
    const int margin = m_playback.initialised() ? endMargin(m_playback.main().rate()) : endMargin(0);
    const std::int64_t f = seekFrame(n, m_ui.positionSlider->maximum(), margin);
    if (state == EngineState::Stopped || state == EngineState::Paused) {
        m_playback.pair().SeekBoth(f);
        showFrame(n);
        m_host.refreshToolbar();
    } else if (state == EngineState::Playing) {
        if (m_playback.state() == EngineState::Playing)
            m_playback.pair().PauseBoth();
        m_playback.pair().SeekBoth(f);
        showFrame(n);
        m_playback.pair().PlayBoth();
    }
}

} // namespace kivora::app
