// The main window's commands: the one command path that the toolbar, the caption buttons, the
// popup menu, the keys and remote controls share, the enabling rule applied to the controls.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandState.h"
#include "kivora/app/Toolbar.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"

#include <QApplication>

namespace kivora::app {

using playback::EngineState;

// --- The enabling rule on the controls -------------------------------------------------------------

void CkivoraDlg::applyEnabled(const EnabledSet& enabled)
{
    m_ui.toolbar->apply(enabled);
    for (ui::CSkinButton* button : m_ui.captionButtons)
        button->setEnabled(enabled.caption);
    m_ui.info->setEnabled(enabled.panels);
    m_browser->setControlsEnabled(enabled.panels);
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_ui.positionSlider, m_ui.volumeSlider, m_ui.graph, m_ui.mainSurface })
        w->setEnabled(enabled.everything);
    m_ui.movieDialog->setEnabled(enabled.everything);
    m_controlsEnabled = enabled.everything && enabled.caption;
}

void CkivoraDlg::refreshToolbar()
{
    if (!m_ui.toolbar || m_worker.workerRunning() || m_open.waiting())
        return;
    CommandInputs in;
    in.listMarkedEmpty = m_listEmpty;
    in.rows = m_browser->Count();
    in.selected = m_open.selectedIndex();
    if (engineInitialised()) {
        in.engineState = static_cast<int>(engineState());
        in.rateCode = m_playback.main().rate();
        in.telemetryLoaded = m_playback.main().hasTelemetry();
    }
    if (const std::optional<recording::SourceKind> kind = m_browser->sourceKind())
        in.sourceKind = static_cast<int>(*kind);
    EnabledSet enabled = enabledCommands(in);
    // The file commands add their own rule (worker, source, telemetry).
    for (int id : { kCmdStill, kCmdSave, kCmdDelete, kCmdCsv })
        enabled.toolbar[std::size_t(id - kCmdTop)] = enabled.button(id) && m_export->enabled(id);
    applyEnabled(enabled);
}

void CkivoraDlg::enableToolbar()
{
    applyEnabled(afterFailedOpen(m_open.errorBoxShown()));
}

void CkivoraDlg::disableEverything(bool worker)
{
    if (worker) {
        applyEnabled(workerDisabled());
        return;
    }
    EnabledSet none = openingDisabled();
    // The near-end lock and an open disable the buttons; the sliders stay with the movie.
    m_ui.toolbar->apply(none);
    m_controlsEnabled = false;
}

void CkivoraDlg::beginWait()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
    applyEnabled(openingDisabled());
    m_ui.positionSlider->setEnabled(false);
    m_ui.volumeSlider->setEnabled(false);
}

void CkivoraDlg::setPlayFace(bool pauseFace)
{
    // In full screen the face stays as it was; leaving full screen sets it again.
    if (!isFullScreenView()) {
        m_playFacePause = pauseFace;
        if (m_ui.toolbar)
            m_ui.toolbar->setPauseFace(pauseFace);
    }
    refreshToolbar();
}

// --- The worker's progress ---------------------------------------------------------------------

void CkivoraDlg::showProgress(int percent, bool repaintNow)
{
    m_ui.progress->setPos(percent);
    m_ui.progress->show();
    m_ui.progress->raise();
    if (repaintNow)
        m_ui.progress->repaint();
}

void CkivoraDlg::hideProgress()
{
    m_ui.progress->hide();
}

void CkivoraDlg::showMessageBox(const QString& text, const QString& caption)
{
    ui::CMsgBox(this).show(text, caption);
}

void CkivoraDlg::postToWindow(unsigned message, platform::WParam wParam, platform::LParam lParam)
{
    platform::postMessage(this, message, wParam, lParam);
}

} // namespace kivora::app
