// The main window's chrome: the caption buttons and title, the skin frame, where every child
// goes, and the scale of the layout. Moving, resizing and maximising are the frame's
// (MainWindowChrome); this side answers its hooks.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CommandIds.h"
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
    { kCmdClose, 155, 0 },
    { kCmdMaximise, 157, 169 },
    { kCmdMinimise, 156, 136 },
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
        m_ui.captionButtons[i] = button;
    }
    // Closing runs the shutdown from the close event, like any other close.
    connect(m_ui.captionButtons[0], &QAbstractButton::clicked, this, [this] { close(); });
    connect(m_ui.captionButtons[1], &QAbstractButton::clicked, this, [this] {
        if (m_ui.chrome)
            m_ui.chrome->toggleMaximise();
    });
    connect(m_ui.captionButtons[2], &QAbstractButton::clicked, this, [this] {
        if (m_ui.chrome)
            m_ui.chrome->minimiseByButton();
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
        if (m_ui.progress->isVisible())
            m_ui.progress->raise();
    };
    m_ui.chrome = new MainWindowChrome(this, m_uiScale, m_scaleX, m_scaleY, std::move(hooks));
    m_ui.chrome->applyInitialGeometry();
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
    m_ui.positionSlider->setSkinStyle(style);
    m_ui.volumeSlider->setSkinStyle(style);
    m_ui.progress->setSkinStyle(style);
    for (ui::CSkinButton* button : m_ui.captionButtons)
        button->setSkinStyle(style);
    m_ui.toolbar->setSkinStyle(style);
    m_ui.info->setUiScale(m_uiScale);
    m_ui.graph->setUiScale(m_uiScale, m_dpiRatio);
    m_ui.obd->setSkinStyle(style);
    m_ui.movieDialog->setSkinStyle(style);
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
        for (QWidget* companion :
            { static_cast<QWidget*>(m_ui.movieDialog), static_cast<QWidget*>(m_ui.obd) })
            if (companion->isVisible())
                companion->showMinimized();
    }
    if (actions.restoreCompanions) {
        for (QWidget* companion :
            { static_cast<QWidget*>(m_ui.movieDialog), static_cast<QWidget*>(m_ui.obd) })
            if (companion->isMinimized())
                companion->showNormal();
    }
    if (actions.infoPanelFactor) {
        m_ui.info->setPanelScale(static_cast<float>(*actions.infoPanelFactor));
        m_ui.info->update();
    }
}

void CkivoraDlg::placeChildren()
{
    if (!m_ui.mainSurface)
        return;
    if (isFullScreenView()) {
        m_viewModes.setVideoRect(rect());
        m_ui.mainSurface->setGeometry(rect());
        placeRearView();
        return;
    }
    const std::optional<MainLayout> layout = MainLayout::compute(size(), m_uiScale);
    if (!layout)
        return; // a window too small (or being created) keeps its children where they were
    m_viewModes.setVideoRect(layout->video);
    m_ui.mainSurface->setGeometry(layout->video);
    m_ui.positionSlider->setGeometry(layout->positionSlider);
    m_ui.volumeSlider->setGeometry(layout->volumeSlider);
    m_ui.progress->setGeometry(layout->progressBar);
    m_ui.info->setGeometry(layout->infoPanel);
    m_ui.graph->setGeometry(layout->graph);
    m_browser->PlaceChildren(layout->recordingList, 0);
    m_ui.toolbar->place(layout->toolbar, m_uiScale);
    m_ui.toolbar->setVisible(true);
    m_ui.logo->setGeometry(SeparateWindowLayout::compute(m_uiScale).inner);
    for (std::size_t i = 0; i < m_ui.captionButtons.size(); ++i) {
        ui::CSkinButton* button = m_ui.captionButtons[i];
        const QRect place = layout->captionButtons[i];
        button->setGeometry(place);
        const QRect frame(0, 0, place.width(), scaled(kCaptionHeight, m_uiScale));
        if (button->imageId() != kCaptionButtons[i].strip || button->frameSize() != frame.size())
            button->setImage(kCaptionButtons[i].strip, frame);
    }
    const bool maximised = m_ui.chrome && m_ui.chrome->isMaximised();
    m_ui.captionButtons[1]->setToolTip(
        ui::uiQText(maximised ? kRestoreTooltipSlot : kCaptionButtons[1].tooltipSlot, m_languageIndex));
    // Children hidden by full screen come back; the progress bar shows only while a worker runs.
    for (QWidget* child :
        std::initializer_list<QWidget*> { m_ui.mainSurface, m_ui.positionSlider, m_ui.volumeSlider, m_ui.info,
            m_ui.graph, m_ui.captionButtons[0], m_ui.captionButtons[1], m_ui.captionButtons[2] })
        child->show();
    placeRearView();
    if (m_ui.progress->isVisible())
        m_ui.progress->raise();
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
    m_ui.info->PaintModeBadge(painter, size());
}

// --- Full screen ------------------------------------------------------------------------------------

void CkivoraDlg::onSurfaceDoubleClick(int cameraIndex)
{
    // In zoom mode clicks zoom; the sub camera has no surface of its own to click.
    if (cameraIndex != 0 || m_viewModes.zoomMode())
        return;
    if (!isFullScreenView()) {
        enterFullScreen();
        return;
    }
    leaveFullScreen();
    setPlayFace(engineState() == EngineState::Playing);
}

} // namespace kivora::app
