// Full screen and the rear camera's picture-in-picture of the main window.
#include "kivora/app/ViewModes.h"

#include "kivora/app/AppSettings.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/MainWindowChrome.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/Toolbar.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/ZoomInteraction.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"

#include <algorithm>

namespace kivora::app {

bool ViewModes::enterFullScreen()
{
    if (!m_ui.chrome || m_host.isFullScreenView() || m_host.workerRunning() || !m_open.opened()
        || m_host.listSize() == 0 || !m_playback.initialised())
        return false;
    const std::int64_t duration = m_playback.main().GetDuration();
    if (m_playback.main().GetPosition() >= duration - kFullScreenEndFrames)
        return false;

    for (QWidget* child :
        std::initializer_list<QWidget*> { m_ui.graph, m_ui.positionSlider, m_ui.volumeSlider, m_ui.info,
            m_ui.captionButtons[0], m_ui.captionButtons[1], m_ui.captionButtons[2] })
        child->hide();
    m_ui.toolbar->setVisible(false);
    if (QWidget* panel = m_host.browser().widget())
        panel->hide();
    m_host.refreshMapChoice();
    m_host.updateSpeedLabel();
    m_separateWindowBeforeFullScreen = m_ui.movieDialog->isVisible();
    m_ui.movieDialog->hide();
    m_ui.chrome->enterFullScreen();
    m_host.placeChildren();
    m_playback.pair().SetZoomBoth(m_zoom, false);
    m_host.repaintWindow();
    return true;
}

void ViewModes::leaveFullScreen()
{
    if (!m_host.isFullScreenView())
        return;
    // Whatever the stretch was in full screen, the window shows the picture's own shape again.
    m_host.setKeepAspect(true);

    if (m_separateWindowBeforeFullScreen)
        m_ui.movieDialog->show();
    // Back to the maximised work area or the saved rectangle; either lays the children out again.
    m_ui.chrome->leaveFullScreen();
    m_host.placeChildren();
    playback::resetZoom(m_zoom[0], playback::zoomResetAnchor(0, m_ui.mainSurface->size(), m_host.uiScale()));
    if (m_playback.initialised())
        m_playback.pair().SetZoomBoth(m_zoom, true);
    m_host.repaintWindow();
}

void ViewModes::setRearView(int mode)
{
    m_rearView = std::clamp(mode, 0, 2);
    m_settings.setRearView(m_rearView);
    placeRearView();
}

void ViewModes::placeRearView()
{
    if (!m_ui.mainSurface || !m_ui.subSurface || m_videoRect.isEmpty())
        return;
    const bool subOpen = m_playback.sub().isInitialised() && m_playback.sub().hasSession();
    if (m_rearView == 0 || !subOpen) {
        m_ui.mainSurface->setGeometry(m_videoRect);
        m_ui.subSurface->hide();
        return;
    }
    // About a quarter of the width, in the small camera's own shape, in the lower right corner.
    playback::MovieEngine& small = m_rearView == 1 ? m_playback.sub() : m_playback.main();
    int w = 0;
    int h = 0;
    small.GetNativeSize(w, h);
    const int pipWidth = std::max(16, m_videoRect.width() / 4);
    const int pipHeight = (w > 0 && h > 0) ? pipWidth * h / w : pipWidth * 9 / 16;
    const int margin = std::max(2, scaled(8, m_host.uiScale()));
    const QRect pip(m_videoRect.right() + 1 - margin - pipWidth,
        m_videoRect.bottom() + 1 - margin - pipHeight, pipWidth, pipHeight);
    playback::CMovieStatic* large = m_rearView == 1 ? m_ui.mainSurface : m_ui.subSurface;
    playback::CMovieStatic* smallSurface = m_rearView == 1 ? m_ui.subSurface : m_ui.mainSurface;
    large->setGeometry(m_videoRect);
    smallSurface->setGeometry(pip);
    m_ui.subSurface->show();
    smallSurface->raise();
    if (m_ui.progress->isVisible())
        m_ui.progress->raise();
}

// --- Zoom ------------------------------------------------------------------------------------------

void ViewModes::applyZoom(bool repaint)
{
    m_playback.pair().SetZoomBoth(m_zoom, repaint);
}

void ViewModes::setZoomMode(bool on)
{
    m_zoomMode = on;
    m_ui.mainSurface->setZoomMode(on);
    m_ui.subSurface->setZoomMode(on);
    m_host.browser().setZoomHint(on);
    if (!on) {
        for (int camera : { 0, 1 })
            playback::resetZoom(m_zoom[std::size_t(camera)],
                playback::zoomResetAnchor(camera, m_ui.mainSurface->size(), m_host.uiScale()));
        if (m_playback.initialised())
            m_playback.pair().SetZoomBoth(m_zoom, true);
    }
    m_ui.info->update();
}

void ViewModes::surfaceClick(int cameraIndex, QPoint clientPoint)
{
    // A click on the small rear-view picture swaps the two pictures.
    const int smallCamera = m_rearView == 1 ? 1 : m_rearView == 2 ? 0 : -1;
    if (!m_zoomMode && cameraIndex == smallCamera && m_ui.subSurface->isVisible()) {
        setRearView(m_rearView == 1 ? 2 : 1);
        return;
    }
    if (!m_zoomMode || (cameraIndex != 0 && cameraIndex != 1) || !m_playback.initialised())
        return;
    playback::MovieEngine& engine = cameraIndex == 0 ? m_playback.main() : m_playback.sub();
    const playback::CMovieStatic& surface = cameraIndex == 0 ? *m_ui.mainSurface : *m_ui.subSurface;
    const QPoint anchor = playback::zoomResetAnchor(cameraIndex, m_ui.mainSurface->size(), m_host.uiScale());
    if (playback::zoomClick(
            m_zoom[std::size_t(cameraIndex)], clientPoint, engine.pictureRect(), surface.size(), anchor))
        m_playback.pair().SetZoomBoth(m_zoom, true);
}

} // namespace kivora::app
