// The main window's answers to the private messages of its children and worker threads, and to
// the camera surface's direct reports.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/playback/CMovieStatic.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

void CkivoraDlg::previousEvent()
{
    m_seekInput.eventClick(false);
}
void CkivoraDlg::nextEvent()
{
    m_seekInput.eventClick(true);
}

bool CkivoraDlg::positionPressedOutsideThumb() const
{
    return m_ui.positionSlider->pressedOutsideThumb();
}
std::int64_t CkivoraDlg::graphStep() const
{
    return m_ui.graph->currentStep();
}
const views::EventChannels& CkivoraDlg::graphChannels() const
{
    return m_ui.graph->channels();
}

// --- The camera surface's direct reports ----------------------------------------------------------

void CkivoraDlg::onSurfaceContextMenu(QPoint screenPoint, playback::CMovieStatic&)
{
    showPopupMenu(screenPoint);
}

void CkivoraDlg::onSurfaceGraphEvent(unsigned, long)
{
    // Only the fallback back-end reports graph events, and there is none on this platform.
}

void CkivoraDlg::onSurfaceMovieEnded()
{
    m_navigation.onMovieEnded();
}

void CkivoraDlg::onSurfaceSingleClick(int cameraIndex, QPoint clientPoint)
{
    m_viewModes.surfaceClick(cameraIndex, clientPoint);
}

void CkivoraDlg::onSurfaceReapplyZoom()
{
    if (engineInitialised())
        m_viewModes.applyZoom(false);
}

} // namespace kivora::app
