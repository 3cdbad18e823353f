#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/AppMessages.h"
#include "kivora/app/BrowserWiring.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/Language.h"
#include "kivora/app/MainLayout.h"
#include "kivora/app/MprisService.h"
#include "kivora/app/SeamStandIns.h"
#include "kivora/app/TimerIds.h"
#include "kivora/app/Toolbar.h"
#include "kivora/app/WindowChrome.h"
#include "kivora/app/WindowExport.h"
#include "kivora/browse/BrowseMessages.h"
#include "kivora/map/EngineTrackSource.h"
#include "kivora/map/MapMessages.h"
#include "kivora/playback/CMovieStatic.h"
#include "kivora/settings/CSettingDlg.h"
#include "kivora/settings/CUpdateDialog.h"
#include "kivora/settings/SettingsHost.h"
#include "kivora/settings/SettingsMessages.h"
#include "kivora/ui/CSkinProgressBarCtrl.h"
#include "kivora/ui/CSkinSliderCtrl.h"
#include "kivora/ui/SkinImages.h"
#include "kivora/ui/UiMessages.h"
#include "kivora/ui/UiTextQt.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"
#include "kivora/views/CObdDlg.h"
#include "kivora/views/ViewMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>

#include <algorithm>

namespace kivora::app {

using namespace kivora::platform;

namespace {

const QString kOverlayFontFace = QStringLiteral("Noto Sans CJK JP");

double windowScale(std::optional<double> stored)
{
    return std::clamp(stored.value_or(1.0), 1.0, kMaxWindowScaleCap);
}

} // namespace

CkivoraDlg::CkivoraDlg(std::optional<std::filesystem::path> source, QWidget* parent)
    : QWidget(parent)
    , m_initialSource(std::move(source))
    , m_map(std::make_unique<MapViewStandIn>())
    , m_export(std::make_unique<ExportCommandsStandIn>())
{
    initialise();
    // The commands read the settings file and the language that initialise() found.
    m_export = makeWindowExportCommands(*this);
    createMap();
    refreshToolbar();
}

CkivoraDlg::~CkivoraDlg()
{
    // The event loop may end without a close (the session quits the application).
    shutdown();
    joinLoaders();
    // The map reads the engines through its tracks; both go while the engines still exist.
    m_map.reset();
    m_mapTracks.reset();
    // The surfaces are children and outlive this part of the window.
    for (playback::CMovieStatic* surface : { m_ui.mainSurface, m_ui.subSurface }) {
        surface->setOwner(nullptr);
        surface->setPair(nullptr);
    }
}

// Later steps use what earlier steps made; keep the order.
void CkivoraDlg::initialise()
{
    // The named locks are members: creating them cannot fail.
    m_languageIndex = systemLanguageIndex();

    std::error_code ec;
    m_startFolder = std::filesystem::current_path(ec);
    if (ec)
        m_startFolder.clear();
    m_settings = AppSettings(m_startFolder);

    setWindowTitle(QStringLiteral("Ondrasil"));
    m_windowRect = geometry();

    m_settings.seedIfMissing();

    m_keepAspect = m_settings.keepAspect();
    m_volume = m_settings.volume();

    const MainWindowChrome::Monitor monitor = MainWindowChrome::monitorOf(screen());
    m_uiScale = MainWindowChrome::uiScaleFor(monitor);
    m_dpiRatio = computeDpiRatio(monitor.logicalDpi);
    m_fonts.create(m_uiScale, m_dpiRatio);
    ui::SkinStyle::setCurrent(ui::SkinStyle::fromFonts(m_uiScale, m_fonts));
    // A missing picture only leaves its part undrawn.
    m_images.load(designSize(m_uiScale), devicePixelRatioF());

    m_browser = createWindowBrowser(
        this, *this, m_messages.target(), m_settings.path(), m_uiScale, [this] { onSourceLoaded(); });
    createChildren();
    setVolume(m_volume);
    // The keys of the window reach it from any child that has the focus (see eventFilter).
    qApp->installEventFilter(this);

    m_scaleX = windowScale(m_settings.scaleX());
    m_scaleY = windowScale(m_settings.scaleY());
    createChrome();

    // The sub camera follows the main camera's clock.
    m_playback.sub().setMainEngine(&m_playback.main());
    m_playback.main().Init({ m_ui.mainSurface->messageTarget(), m_ui.mainSurface }, kOverlayFontFace);
    // The sub camera draws into its own surface, shown only as the rear camera picture.
    m_playback.sub().Init({ m_ui.subSurface->messageTarget(), m_ui.subSurface }, kOverlayFontFace);
    m_playback.main().SetVolume(m_volume);
    m_playback.sub().SetVolume(0);
    m_playback.main().SetAspectMode(m_keepAspect ? 1 : 0);
    m_playback.sub().SetAspectMode(m_keepAspect ? 1 : 0);

    m_settingsHost = settings::createSettingsHost(this, m_messages.target(), m_settings.path());
    registerMessages();
    refreshToolbar();
    postMessage(this, kMsgPostShowInit);
}

void CkivoraDlg::createChildren()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1d, 0x21, 0x27));
    setPalette(pal);
    setAutoFillBackground(true);

    m_ui.mainSurface = new playback::CMovieStatic(this);
    m_ui.subSurface = new playback::CMovieStatic(this);
    for (int camera : { 0, 1 }) {
        playback::CMovieStatic* surface = camera == 0 ? m_ui.mainSurface : m_ui.subSurface;
        surface->setCameraIndex(camera);
        surface->setPair(&m_playback.pair());
        surface->setOwner(this);
        surface->setZoomCursor(ui::loadSkinCursor(191, { 13, 13 }, devicePixelRatioF()));
    }
    m_ui.subSurface->hide();

    const ui::SkinStyle& style = ui::SkinStyle::current();
    m_ui.positionSlider = new ui::CSkinSliderCtrl(this, kPositionSliderId, style);
    m_ui.positionSlider->setImages(174, 159, 160, 161);
    m_ui.positionSlider->setRange(0, 0);
    m_ui.volumeSlider = new ui::CSkinSliderCtrl(this, kVolumeSliderId, style);
    m_ui.volumeSlider->setImages(167, 168, 169, 170);
    m_ui.volumeSlider->setRange(0, AppSettings::kMaxVolume);

    m_ui.progress = new ui::CSkinProgressBarCtrl(this, style);
    m_ui.progress->setRange(0, 100);
    m_ui.progress->hide();

    m_ui.info = new views::CInfoDlg(this);
    m_ui.info->setUiScale(m_uiScale);
    m_ui.graph = new views::CGSensorDlg(this);
    m_ui.graph->setUiScale(m_uiScale);

    m_ui.obd = new views::CObdDlg(messageTarget(), this, style);
    m_ui.obd->hide();

    m_ui.movieDialog = new CMovieDialog(this, style);
    m_ui.movieDialog->setTitleSlot(kSlotMapTitle);
    m_ui.movieDialog->hide();
    m_ui.logo = new CLogoDlg(&m_images, m_ui.movieDialog);
    m_ui.logo->setGeometry(SeparateWindowLayout::compute(m_uiScale).inner);

    m_ui.toolbar = new Toolbar(this, m_languageIndex, [this](int id) { runCommand(id); });
    m_ui.toolbar->setBrowseTooltip(ui::uiQText(Toolbar::buttons()[9].tooltipSlot, m_languageIndex)
        + QStringLiteral("\n\nSpace: play / pause   \u2190 \u2192: one frame (paused), 5 s (playing)\n"
                         "Shift+\u2190 \u2192: 30 s   PgUp / PgDn: previous / next recording   Home: top\n"
                         "+ / -: faster / slower   F, F11: full screen   Esc: leave full screen or zoom\n"
                         "M: map   S: still   R: rear camera"));
    m_viewModes.restoreRearView(m_settings.rearView());
    setFocusPolicy(Qt::StrongFocus);

    createCaptionButtons();
    placeChildren();
}

void CkivoraDlg::placeSeparateWindow()
{
    const std::optional<MainLayout> layout = MainLayout::compute(size(), m_uiScale);
    if (!layout)
        return;
    // Beside the video only while the video lies on one monitor; elsewhere it keeps its place.
    QRect place(m_ui.movieDialog->geometry().topLeft(), SeparateWindowLayout::compute(m_uiScale).size);
    if (const std::optional<QPoint> beside = m_ui.chrome->separateWindowPlace(*layout))
        place.moveTopLeft(*beside);
    m_ui.movieDialog->place(place);
    if (m_map)
        m_map->setMapGeometry(SeparateWindowLayout::compute(m_uiScale).inner);
}

void CkivoraDlg::registerMessages()
{
    auto& m = m_messages;
    m.on(kMsgFileOpProgress, [this](WParam done, LParam count) { m_workerView.progress(done, count); });
    m.on(ui::kMsgSliderDrag, [this](WParam id, LParam value) { m_seekInput.sliderDrag(id, value); });
    m.on(ui::kMsgSliderPressed, [this](WParam id, LParam value) { m_seekInput.sliderPressed(id, value); });
    m.on(ui::kMsgSliderReleased, [this](WParam id, LParam value) { m_seekInput.sliderReleased(id, value); });
    m.on(map::kMsgMapReady, [this](WParam, LParam) { m_mapPlace.onMapReady(); });
    m.on(
        map::kMsgMapCrashPointClicked, [this](WParam, LParam frame) { seekWithState(frame, engineState()); });
    m.on(views::kMsgGraphPreviousEvent, [this](WParam, LParam) { m_seekInput.eventClick(false); });
    m.on(views::kMsgGraphNextEvent, [this](WParam, LParam) { m_seekInput.eventClick(true); });
    m.on(settings::kMsgMarkSetting, [this](WParam index, LParam on) {
        m_mapPlace.onDisplayFlag(views::EventChannels::markSettingChannel(int(index)), on != 0);
    });
    m.on(views::kMsgAxisToggled, [this](WParam axis, LParam on) {
        if (axis <= 2)
            m_mapPlace.onDisplayFlag(int(axis), on != 0);
    });
    m.on(browse::kMsgSourceRemoved, [this](WParam, LParam) { m_navigation.onSourceRemoved(); });
    m.on(kMsgTelemetryLoaded, [this](WParam generation, LParam result) {
        if (m_shutDown)
            return; // posted before the loader was joined at shutdown
        m_open.onTelemetryLoaded(generation, (result & 1) != 0, (result & 2) != 0);
    });
    m.on(kMsgFileOpFinished, [this](WParam, LParam result) { m_workerView.finished(result); });
    m.on(kMsgDeleteFinished, [this](WParam, LParam result) { m_workerView.deleteFinished(result); });
    m.on(kMsgPostShowInit, [this](WParam, LParam) { onPostShowInit(); });
    m.on(settings::kMsgUpdateFound, [this](WParam, LParam) {
        if (m_settingsHost)
            m_settingsHost->showUpdateNotice(frameGeometry());
    });
    m.on(kMsgVideoWindowPainted, [this](WParam, LParam) { onSurfaceReapplyZoom(); });
    m.on(kMsgVideoWindowRedock, [this](WParam, LParam) { placeSeparateWindow(); });
    m.on(kMsgVideoWindowDpiChanged, [this](WParam, LParam) { placeSeparateWindow(); });
    // The surfaces, the folder tree and the monitor watch reach the window directly; these two
    // windows only say that they closed.
    for (unsigned ignored : { views::kMsgVehicleWindowClosed, kMsgVideoWindowClosed })
        m.ignore(ignored);
}

void CkivoraDlg::showSettings()
{
    if (m_settingsHost)
        m_settingsHost->showSettings(frameGeometry());
}

void CkivoraDlg::onPostShowInit()
{
    if (m_initialised || m_shutDown)
        return;
    m_windowRect = geometry();
    placeSeparateWindow();
    m_mapPlace.allowMap();
    refreshMapChoice();
    m_initialised = true;
    m_mpris = new MprisService(*this, this, QDBusConnection::sessionBus(), this);
    if (m_initialSource)
        openSource(*m_initialSource);
    else
        m_browser->RestoreSource();
    onSourceLoaded();
    placeRearView();
    if (m_onInitialised)
        m_onInitialised();
}

void CkivoraDlg::onTimer(int id)
{
    switch (id) {
    case kTimerClock:
        m_feed.clockTick();
        break;
    case kTimerDelayedOpen:
        m_open.onDelayedOpen();
        break;
    case kTimerOpenTimeout:
        m_open.onOpenTimeout();
        break;
    case kTimerToolbar104:
    case kTimerToolbar105:
        m_timers.kill(id);
        refreshToolbar();
        break;
    default:
        m_timers.kill(id);
        break;
    }
}

void CkivoraDlg::startTimer(int id, int ms)
{
    m_timers.start(id, std::chrono::milliseconds(ms), TimerTable::Shot::Single);
}

void CkivoraDlg::startClockTimer()
{
    m_timers.start(kTimerClock, std::chrono::milliseconds(kClockMs));
}

bool CkivoraDlg::clockRunning() const
{
    return m_timers.isActive(kTimerClock);
}

void CkivoraDlg::setVolume(int volume)
{
    m_volume = std::clamp(volume, 0, AppSettings::kMaxVolume);
    m_settings.setVolume(m_volume);
    applyVolume();
    if (m_ui.volumeSlider)
        m_ui.volumeSlider->setPos(m_volume);
}

void CkivoraDlg::closeEvent(QCloseEvent* event)
{
    shutdown();
    event->accept();
}

void CkivoraDlg::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // The remote control asks the window for its state: it goes before the engines.
    delete m_mpris;
    m_mpris = nullptr;
    m_settingsHost->stopUpdateCheck();
    m_settingsHost.reset();
    m_worker.cancelWorker();

    // The frame keeps the factors of the normal window whatever state the window is in now.
    m_settings.setScale(scaleX(), scaleY());

    m_timers.kill(kTimerClock);

    // The loaders use the engines: they end before the engines are released.
    joinLoaders();
    if (engineInitialised()) {
        if (engineState() != playback::EngineState::Paused)
            m_playback.pair().PauseBoth();
        stopBothCameras();
        closeRecording();
    }
    m_playback.main().Uninit();
    m_playback.sub().Uninit();

    // Taking each lock once waits out any worker that still holds it.
    {
        std::lock_guard cache(m_hMutexCache);
    }
    {
        std::lock_guard cpSet(m_crashPoints.mutex());
    }

    m_timers.killAll();
}

} // namespace kivora::app
