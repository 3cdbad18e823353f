// The main window's chrome: the caption buttons and title, the skin frame, where every child
// goes, the scale of the layout and full screen. Moving, resizing and maximising are the frame's
// (MainWindowChrome); this side answers its hooks.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/Toolbar.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/ZoomInteraction.h"
#include "kivora/ui/CLapTimeArea.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/CObdDlg.h"

#include <QPainter>
#include <QResizeEvent>

namespace kivora::app {

using playback::EngineState;

namespace {

struct CaptionButton {
    int id;
    int strip;
    int tooltipSlot;
};
// In layout order: close, maximise, minimise. The maximise tooltip changes while maximised.
constexpr std::array<CaptionButton, 3> kCaptionButtons { {
    { CkivoraDlg::kCloseButtonId, 155, 0 },
    { CkivoraDlg::kMaximiseButtonId, 157, 169 },
    { CkivoraDlg::kMinimiseButtonId, 156, 136 },
} };
constexpr int kCaptionHeight = 18;
constexpr int kRestoreTooltipSlot = 170;

} // namespace

void CkivoraDlg::createCaptionButtons()
{
    const ui::SkinStyle& style = ui::SkinStyle::current();
    for (std::size_t i = 0; i < kCaptionButtons.size(); ++i) {
        auto* button = new ui::CSkinButton(this, kCaptionButtons[i].id, {}, style);
        button->setToolTip(ui::uiQText(kCaptionButtons[i].tooltipSlot, m_languageIndex));
        m_captionButtons[i] = button;
    }
    // Closing runs the shutdown from the close event, like any other close.
    connect(m_captionButtons[0], &QAbstractButton::clicked, this, [this] { close(); });
    connect(m_captionButtons[1], &QAbstractButton::clicked, this, [this] {
        if (m_chrome)
            m_chrome->toggleMaximise();
    });
    connect(m_captionButtons[2], &QAbstractButton::clicked, this, [this] {
        if (m_chrome)
            m_chrome->minimiseByButton();
    });
}

void CkivoraDlg::createChrome()
{
    MainWindowChrome::Hooks hooks;
    hooks.relayout = [this] { placeChildren(); };
    hooks.scaleChanged = [this](double sx, double sy) {
        m_scaleX = sx;
        m_scaleY = sy;
        m_settings.setScale(sx, sy);
    };
    hooks.uiScaleChanged = [this](double s) { setUiScale(s); };
    hooks.stateChanged = [this](const WindowChromeState::Actions& a) { applyChromeState(a); };
    hooks.chromeInputBlocked = [this] { return workerRunning(); };
    hooks.waitRunning = [this] { return m_open.waiting(); };
    hooks.moveEnded = [this] {
        // A worker's progress stays over the video wherever the window went.
        if (m_progress->isVisible())
            m_progress->raise();
    };
    m_chrome = new MainWindowChrome(this, m_uiScale, m_scaleX, m_scaleY, std::move(hooks));
    m_chrome->applyInitialGeometry();
    placeChildren();
}

void CkivoraDlg::setUiScale(double uiScale)
{
    m_uiScale = uiScale;
    m_dpiRatio = computeDpiRatio(MainWindowChrome::monitorOf(screen()).logicalDpi);
    m_fonts.create(m_uiScale, m_dpiRatio);
    const ui::SkinStyle style = ui::SkinStyle::fromFonts(m_uiScale, m_fonts);
    ui::SkinStyle::setCurrent(style);
    m_images.load(designSize(m_uiScale), devicePixelRatioF());
    m_positionSlider->setSkinStyle(style);
    m_volumeSlider->setSkinStyle(style);
    m_progress->setSkinStyle(style);
    for (ui::CSkinButton* button : m_captionButtons)
        button->setSkinStyle(style);
    m_toolbar->setSkinStyle(style);
    m_info->setUiScale(m_uiScale);
    m_graph->setUiScale(m_uiScale, m_dpiRatio);
    m_obd->setSkinStyle(style);
    m_movieDialog->setSkinStyle(style);
    if (m_settingsHost)
        m_settingsHost->setSkinStyle(style);
    placeChildren();
    placeSeparateWindow();
    update();
}

void CkivoraDlg::applyChromeState(const WindowChromeState::Actions& actions)
{
    // Only windows that are up follow the main window down and back.
    if (actions.minimiseCompanions) {
        for (QWidget* companion : { static_cast<QWidget*>(m_movieDialog), static_cast<QWidget*>(m_obd) })
            if (companion->isVisible())
                companion->showMinimized();
    }
    if (actions.restoreCompanions) {
        for (QWidget* companion : { static_cast<QWidget*>(m_movieDialog), static_cast<QWidget*>(m_obd) })
            if (companion->isMinimized())
                companion->showNormal();
    }
    if (actions.infoPanelFactor) {
        m_info->setPanelScale(static_cast<float>(*actions.infoPanelFactor));
        m_info->update();
    }
}

void CkivoraDlg::placeChildren()
{
    if (!m_mainSurface)
        return;
    if (isFullScreenView()) {
        m_videoRect = rect();
        m_mainSurface->setGeometry(m_videoRect);
        placeRearView();
        return;
    }
    const std::optional<MainLayout> layout = MainLayout::compute(size(), m_uiScale);
    if (!layout)
        return; // a window too small (or being created) keeps its children where they were
    m_videoRect = layout->video;
    m_mainSurface->setGeometry(layout->video);
    m_positionSlider->setGeometry(layout->positionSlider);
    m_volumeSlider->setGeometry(layout->volumeSlider);
    m_progress->setGeometry(layout->progressBar);
    m_info->setGeometry(layout->infoPanel);
    m_graph->setGeometry(layout->graph);
    m_browser->PlaceChildren(layout->recordingList, 0);
    m_toolbar->place(layout->toolbar, m_uiScale);
    m_toolbar->setVisible(true);
    m_logo->setGeometry(SeparateWindowLayout::compute(m_uiScale).inner);
    for (std::size_t i = 0; i < m_captionButtons.size(); ++i) {
        ui::CSkinButton* button = m_captionButtons[i];
        const QRect place = layout->captionButtons[i];
        button->setGeometry(place);
        const QRect frame(0, 0, place.width(), scaled(kCaptionHeight, m_uiScale));
        if (button->imageId() != kCaptionButtons[i].strip || button->frameSize() != frame.size())
            button->setImage(kCaptionButtons[i].strip, frame);
    }
    const bool maximised = m_chrome && m_chrome->isMaximised();
    m_captionButtons[1]->setToolTip(
        ui::uiQText(maximised ? kRestoreTooltipSlot : kCaptionButtons[1].tooltipSlot, m_languageIndex));
    // Children hidden by full screen come back; the progress bar shows only while a worker runs.
    for (QWidget* child : std::initializer_list<QWidget*> { m_mainSurface, m_positionSlider, m_volumeSlider,
             m_info, m_graph, m_captionButtons[0], m_captionButtons[1], m_captionButtons[2] })
        child->show();
    placeRearView();
    if (m_progress->isVisible())
        m_progress->raise();
}

void CkivoraDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The frame lays the window out after its own resizes; full screen has only the video to cover.
    if (isFullScreenView())
        placeChildren();
}

void CkivoraDlg::paintEvent(QPaintEvent*)
{
    if (isFullScreenView())
        return;
    QPainter painter(this);
    m_images.drawSkinFrame(painter, width(), height(), m_uiScale);
    if (!m_firstPaintDone) {
        // The surfaces may have painted before the window had its frame.
        m_firstPaintDone = true;
        redrawSurfaces();
    }
    ui::drawCaptionText(painter, windowTitle(), m_fonts.f10(), m_uiScale);
    m_info->PaintModeBadge(painter, size());
}

// --- Full screen ------------------------------------------------------------------------------------

void CkivoraDlg::onSurfaceDoubleClick(int cameraIndex)
{
    // In zoom mode clicks zoom; the sub camera has no surface of its own to click.
    if (cameraIndex != 0 || m_zoomMode)
        return;
    if (!isFullScreenView()) {
        enterFullScreen();
        return;
    }
    leaveFullScreen();
    setPlayFace(engineState() == EngineState::Playing);
}

bool CkivoraDlg::enterFullScreen()
{
    if (!m_chrome || isFullScreenView() || workerRunning() || !m_open.opened() || listSize() == 0
        || !engineInitialised())
        return false;
    const std::int64_t duration = m_playback.main().GetDuration();
    if (m_playback.main().GetPosition() >= duration - kFullScreenEndFrames)
        return false;

    for (QWidget* child : std::initializer_list<QWidget*> { m_graph, m_positionSlider, m_volumeSlider, m_info,
             m_captionButtons[0], m_captionButtons[1], m_captionButtons[2] })
        child->hide();
    m_toolbar->setVisible(false);
    if (QWidget* panel = m_browser->widget())
        panel->hide();
    refreshMapChoice();
    updateSpeedLabel();
    m_separateWindowBeforeFullScreen = m_movieDialog->isVisible();
    m_movieDialog->hide();
    m_chrome->enterFullScreen();
    placeChildren();
    m_playback.pair().SetZoomBoth(m_zoom, false);
    update();
    return true;
}

void CkivoraDlg::leaveFullScreen()
{
    if (!isFullScreenView())
        return;
    // Whatever the stretch was in full screen, the window shows the picture's own shape again.
    m_keepAspect = true;
    m_playback.setAspect(true);
    m_settings.setKeepAspect(true);

    if (m_separateWindowBeforeFullScreen)
        m_movieDialog->show();
    // Back to the maximised work area or the saved rectangle; either lays the children out again.
    m_chrome->leaveFullScreen();
    placeChildren();
    playback::resetZoom(m_zoom[0], playback::zoomResetAnchor(0, m_mainSurface->size(), m_uiScale));
    if (engineInitialised())
        m_playback.pair().SetZoomBoth(m_zoom, true);
    update();
}

} // namespace kivora::app

// --- The rear camera's picture ----------------------------------------------------------------------

namespace kivora::app {

void CkivoraDlg::setRearView(int mode)
{
    m_rearView = std::clamp(mode, 0, 2);
    m_settings.setRearView(m_rearView);
    placeRearView();
}

void CkivoraDlg::placeRearView()
{
    if (!m_mainSurface || !m_subSurface || m_videoRect.isEmpty())
        return;
    const bool subOpen = m_playback.sub().isInitialised() && m_playback.sub().hasSession();
    if (m_rearView == 0 || !subOpen) {
        m_mainSurface->setGeometry(m_videoRect);
        m_subSurface->hide();
        return;
    }
    // About a quarter of the width, in the small camera's own shape, in the lower right corner.
    playback::MovieEngine& small = m_rearView == 1 ? m_playback.sub() : m_playback.main();
    int w = 0;
    int h = 0;
    small.GetNativeSize(w, h);
    const int pipWidth = std::max(16, m_videoRect.width() / 4);
    const int pipHeight = (w > 0 && h > 0) ? pipWidth * h / w : pipWidth * 9 / 16;
    const int margin = std::max(2, scaled(8, m_uiScale));
    const QRect pip(m_videoRect.right() + 1 - margin - pipWidth,
        m_videoRect.bottom() + 1 - margin - pipHeight, pipWidth, pipHeight);
    playback::CMovieStatic* large = m_rearView == 1 ? m_mainSurface : m_subSurface;
    playback::CMovieStatic* smallSurface = m_rearView == 1 ? m_subSurface : m_mainSurface;
    large->setGeometry(m_videoRect);
    smallSurface->setGeometry(pip);
    m_subSurface->show();
    smallSurface->raise();
    if (m_progress->isVisible())
        m_progress->raise();
}

} // namespace kivora::app
