#include "kivora/app/OpenSequence.h"

#include "kivora/app/TimerIds.h"

namespace kivora::app {

bool OpenSequence::select(int index, const SelectSwitches& switches, int advanceMode)
{
    if (index < 0 || index >= m_host.listSize())
        return false;
    if (switches.resetSlider)
        m_host.killTimer(kTimerToolbar104);
    m_selected = index;
    m_advanceMode = advanceMode;
    m_host.clearMapHasData();
    m_host.stopBoth();
    m_opened = false;
    m_opening = true;
    m_host.applySwitches(switches);
    if (!m_host.listAdvancing())
        m_host.refreshToolbar();
    m_host.killTimer(kTimerDelayedOpen);
    endWait();
    if (!m_ready) {
        // An open is under way. Its ready report sees that the selection moved on and opens this
        // one; the timeout still runs in case that report never comes.
        m_wait = true;
        m_host.beginWait();
        m_host.startTimer(kTimerOpenTimeout, kOpenTimeoutMs);
        return true;
    }
    scheduleOpen();
    return true;
}

void OpenSequence::scheduleOpen()
{
    m_wait = true;
    m_host.beginWait();
    m_host.startTimer(kTimerOpenTimeout, kOpenTimeoutMs);
    m_host.startTimer(kTimerDelayedOpen, kDelayedOpenMs);
}

void OpenSequence::onDelayedOpen()
{
    m_host.killTimer(kTimerDelayedOpen);
    if (!m_ready)
        return;
    m_ready = false;
    m_opened = false;
    m_openedIndex = -1;
    m_host.closeForOpen();
    if (!selectionValid()) {
        afterFailure();
    } else {
        m_errorBox = false;
        ++m_generation;
        m_readyHandled = false;
        m_openedIndex = m_selected;
        const int result = m_host.openBoth(m_selected);
        if (result != 0 && result != 2) {
            m_host.openSucceeded(m_selected); // the wait runs on until the telemetry is loaded
        } else {
            m_openedIndex = -1;
            m_host.openFailed();
            // Clean up before moving on: going on selects the next recording, whose wait and
            // timeout must survive this failure's clean-up.
            afterFailure();
            if (m_advanceMode == 1 || m_advanceMode == 2) {
                if (!m_host.selectNextRecording()) {
                    m_autoAdvance = true;
                    m_host.nextFolder();
                }
            } else if (m_autoAdvance) {
                m_host.nextFolder();
            } else {
                m_host.redrawSurfaces();
                m_host.showOpenError(result == 2 ? kSlotTooShort : kSlotOpenFailed);
                m_errorBox = true;
                m_host.refreshToolbar();
            }
        }
    }
    m_host.clearNearEndLock();
    m_host.endWait();
}

void OpenSequence::afterFailure()
{
    m_host.killTimer(kTimerOpenTimeout);
    m_wait = false;
    m_host.enableToolbar();
    m_ready = true;
    m_host.leaveZoom();
}

void OpenSequence::onOpenTimeout()
{
    endWait();
    m_host.redrawSurfaces();
    m_host.enableToolbar();
    m_ready = true;
    // A selection made while the timed-out open ran has not been opened yet.
    if (selectionValid() && m_selected != m_openedIndex)
        scheduleOpen();
}

void OpenSequence::onEngineReady()
{
    if (!m_autoAdvance)
        m_host.killTimer(kTimerDelayedOpen);
    m_ready = true;
    if (!selectionValid())
        return;
    if (m_openedIndex != m_selected) {
        // The movie that became ready is no longer the selected one: open the selection instead
        // of loading its telemetry against the wrong movie.
        endWait();
        scheduleOpen();
        return;
    }
    // A second report of the same open (a stale queued one) must not seek a playing movie back.
    if (m_readyHandled)
        return;
    m_readyHandled = true;
    m_host.prepareReady();
    const int mode = m_advanceMode;
    m_advanceMode = 0;
    m_autoAdvance = false;
    if (mode == 0) {
        if (!m_host.listLoading())
            m_host.startLoader(m_generation);
    } else {
        // Reached by next or previous: it plays as soon as its telemetry is in. The telemetry is
        // loaded by the loader thread here too, so the window never waits for the decoding.
        m_preloadPending = true;
        m_playAfterLoad = true;
        m_host.startLoader(m_generation);
    }
}

void OpenSequence::onTelemetryLoaded(std::uint64_t generation, bool preloaded, bool loaded)
{
    if (generation != m_generation || m_openedIndex != m_selected || m_openedIndex < 0)
        return; // a loader of an earlier open
    if (m_opened)
        return;
    m_opened = true;
    endWait();
    m_host.refreshToolbar();
    if (!selectionValid() || !loaded)
        return; // opened without a running clock: the movie plays, no view follows it
    m_host.applyVolumeAndRate();
    if (m_playAfterLoad) {
        m_playAfterLoad = false;
        m_endHandled = false;
        m_host.setPlayFace(m_host.play());
        m_host.refreshToolbar();
    } else if (m_autoAdvance) {
        m_autoAdvance = false;
        m_endHandled = false;
        m_host.setPlayFace(m_host.play());
    } else {
        m_host.setPlayFace(false);
    }
    m_opening = false;
    m_host.startClock();
    if (preloaded) {
        m_preloadPending = false;
        m_host.startPreloader();
    }
    m_host.afterTelemetryLoaded();
}

void OpenSequence::resetRecording()
{
    m_opened = false;
    m_opening = true;
    m_errorBox = false;
    m_openedIndex = -1;
    m_readyHandled = false;
}

void OpenSequence::endWait()
{
    if (!m_wait)
        return;
    m_host.killTimer(kTimerOpenTimeout);
    m_wait = false;
    m_host.endWait();
}

} // namespace kivora::app
