#include "kivora/app/MainWindowChrome.h"

#include "kivora/app/MainLayout.h"
#include "kivora/app/TimerIds.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kivora::app {

namespace {

// The frame updates the dragged rectangle at most this often.
constexpr qint64 kDragUpdateNs = 88'880'000;

std::vector<MainWindowChrome::Monitor> qtMonitors()
{
    std::vector<MainWindowChrome::Monitor> out;
    for (QScreen* screen : QGuiApplication::screens())
        out.push_back(MainWindowChrome::monitorOf(screen));
    return out;
}

// Squared distance from a point to a rectangle (0 inside).
qint64 distance2(QPoint p, QRect r)
{
    const qint64 dx = p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
    const qint64 dy = p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
    return dx * dx + dy * dy;
}

bool movesLeft(int edge)
{
    return edge == 1 || edge == 5 || edge == 7;
}
bool movesTop(int edge)
{
    return edge == 2 || edge == 5 || edge == 8;
}

} // namespace

MainWindowChrome::MainWindowChrome(
    QWidget* window, double uiScale, double scaleX, double scaleY, Hooks hooks, MonitorSource monitors)
    : QObject(window)
    , m_window(window)
    , m_hooks(std::move(hooks))
    , m_monitors(std::move(monitors))
    , m_uiScale(uiScale > 0.0 ? uiScale : 1.0)
{
    m_state.setScale(scaleX, scaleY);
    if (!m_window)
        return;
    if (!m_window->windowFlags().testFlag(Qt::FramelessWindowHint))
        m_window->setWindowFlag(Qt::FramelessWindowHint, true);
    m_window->setMouseTracking(true);
    m_window->setMinimumSize(designSize(m_uiScale));
    m_window->installEventFilter(this);
    m_state.saveNormalRect(m_window->geometry());
    watchScreens();
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this] { watchScreens(); });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] {
        watchScreens();
        onScreenChange();
    });
}

MainWindowChrome::~MainWindowChrome()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

MainWindowChrome::Monitor MainWindowChrome::monitorOf(const QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return { screen->geometry(), screen->availableGeometry(), screen->logicalDotsPerInchX() };
}

double MainWindowChrome::uiScaleFor(const Monitor& monitor)
{
    return computeUiScale(computeDpiRatio(monitor.logicalDpi), monitor.workArea.size(), 1.0);
}

std::vector<MainWindowChrome::Monitor> MainWindowChrome::monitors() const
{
    return m_monitors ? m_monitors() : qtMonitors();
}

MainWindowChrome::Monitor MainWindowChrome::monitorAt(QPoint globalPos) const
{
    const std::vector<Monitor> all = monitors();
    if (all.empty())
        return {};
    // The monitor that holds the point, else the nearest one.
    const auto nearest = std::min_element(all.begin(), all.end(), [&](const Monitor& a, const Monitor& b) {
        return distance2(globalPos, a.geometry) < distance2(globalPos, b.geometry);
    });
    return *nearest;
}

double MainWindowChrome::maxScale() const
{
    const QPoint topLeft = m_window ? m_window->geometry().topLeft() : QPoint();
    return maxWindowScale(monitorAt(topLeft).geometry.width(), m_uiScale);
}

bool MainWindowChrome::blocked() const
{
    return m_hooks.chromeInputBlocked && m_hooks.chromeInputBlocked();
}

int MainWindowChrome::zoneAt(QPoint globalPos) const
{
    if (!m_window)
        return kZoneElsewhere;
    return frameZone(globalPos, m_window->geometry(), m_uiScale, m_state.maximised());
}

void MainWindowChrome::setGeometry(const QRect& rect)
{
    if (m_window && !rect.isEmpty() && m_window->geometry() != rect)
        m_window->setGeometry(rect);
}

void MainWindowChrome::applyInitialGeometry()
{
    if (!m_window)
        return;
    const QSize size = scaledWindowSize(m_uiScale, m_state.scaleX(), m_state.scaleY());
    const std::vector<Monitor> all = monitors();
    QRect rect(m_window->geometry().topLeft(), size);
    if (!m_window->isVisible() && !all.empty()) {
        // Not shown yet: centre it on the work area of the primary monitor, top-left first when larger.
        const QRect work = all.front().workArea;
        rect.moveTopLeft({ work.x() + std::max(0, (work.width() - size.width()) / 2),
            work.y() + std::max(0, (work.height() - size.height()) / 2) });
    }
    setGeometry(rect);
    m_state.saveNormalRect(rect);
    keepOnScreen();
    // A screen too small for the unshrunk design size (or the stored factors) starts maximised:
    // the shrunk window would be small there, and a larger one would start partly out of reach.
    const QRect work = monitorAt(m_window->geometry().topLeft()).workArea;
    const QSize atOne = scaledWindowSize(1.0, m_state.scaleX(), m_state.scaleY());
    const auto fits = [&](QSize s) { return s.width() <= work.width() && s.height() <= work.height(); };
    if (!work.isEmpty() && (!fits(size) || !fits(atOne)))
        maximise();
}

void MainWindowChrome::applyActions(const WindowChromeState::Actions& actions)
{
    if (m_hooks.stateChanged)
        m_hooks.stateChanged(actions);
    if (actions.moveTo)
        setGeometry(*actions.moveTo);
    if (actions.fitToWorkArea)
        fitToWorkArea();
    if (actions.relayout && !m_fullScreen && m_hooks.relayout)
        m_hooks.relayout();
}

void MainWindowChrome::toggleMaximise()
{
    if (m_state.maximised())
        restore();
    else
        maximise();
}

void MainWindowChrome::maximise()
{
    if (!m_window || m_state.maximised() || m_fullScreen)
        return;
    m_state.saveNormalRect(m_window->geometry());
    applyActions(m_state.onMaximised());
}

void MainWindowChrome::restore()
{
    if (!m_window || m_state.normal() || m_fullScreen)
        return;
    const double limit
        = maxWindowScale(monitorAt(m_state.normalRect().topLeft()).geometry.width(), m_uiScale);
    applyActions(m_state.onRestored(m_uiScale, limit));
    keepOnScreen();
}

void MainWindowChrome::minimiseByButton()
{
    if (!m_window)
        return;
    m_minimisedByButton = true;
    m_window->showMinimized();
}

void MainWindowChrome::fitToWorkArea()
{
    // A geometry change may come back here through the screen signals.
    if (!m_window || !m_state.maximised() || m_fullScreen || m_fitting)
        return;
    m_fitting = true;
    const QPoint saved
        = m_state.normalRect().isEmpty() ? m_window->geometry().topLeft() : m_state.normalRect().topLeft();
    const QRect work = monitorAt(saved).workArea;
    // Auto-hiding panels are not reported on this platform, so the work area is used whole.
    setGeometry(maximisedRect(work));
    if (m_hooks.relayout)
        m_hooks.relayout();
    m_fitting = false;
}

QRect MainWindowChrome::enterFullScreen()
{
    if (!m_window)
        return {};
    const Monitor monitor = monitorAt(m_window->geometry().topLeft());
    if (m_fullScreen)
        return monitor.geometry;
    m_timers.kill(kTimerChromeMoveEnd);
    m_gesture = Gesture::None;
    m_dragEdge = 0;
    if (m_state.normal())
        m_state.saveNormalRect(m_window->geometry());
    m_fullScreen = true;
    // Put it on that monitor first so the window system covers the same one.
    setGeometry(monitor.geometry);
    m_window->setWindowState(m_window->windowState() | Qt::WindowFullScreen);
    m_window->raise();
    return monitor.geometry;
}

void MainWindowChrome::leaveFullScreen()
{
    if (!m_window || !m_fullScreen)
        return;
    // Taken first: the window system may report passing sizes while it leaves full screen.
    const QRect normal = m_state.normalRect();
    m_fullScreen = false;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowFullScreen);
    if (m_state.maximised()) {
        fitToWorkArea();
        return;
    }
    setGeometry(normal);
    m_state.saveNormalRect(normal);
    if (m_hooks.relayout)
        m_hooks.relayout();
}

void MainWindowChrome::adaptToMonitor(bool force)
{
    if (!m_window || m_fullScreen)
        return;
    const Monitor monitor = monitorAt(m_window->geometry().topLeft());
    if (monitor.workArea.isEmpty() || (!force && monitor.workArea == m_lastWorkArea))
        return;
    m_lastWorkArea = monitor.workArea;
    // From the monitor alone: the design height at the monitor's DPI, shrunk to the work area.
    // Starting from the previous scale instead would leave a window that no longer fits unshrunk
    // (the shrunk height passes the fit test) or count the DPI twice.
    const double scale = uiScaleFor(monitor);
    if (scale != m_uiScale) {
        m_uiScale = scale;
        m_window->setMinimumSize(designSize(m_uiScale));
        if (m_hooks.uiScaleChanged)
            m_hooks.uiScaleChanged(m_uiScale);
    }
    if (m_state.minimised())
        return;
    if (m_state.maximised()) {
        fitToWorkArea();
        return;
    }
    setGeometry(QRect(m_window->geometry().topLeft(), scaledWindowSize(m_uiScale, scaleX(), scaleY())));
    m_state.saveNormalRect(m_window->geometry());
    if (m_hooks.relayout)
        m_hooks.relayout();
}

void MainWindowChrome::keepOnScreen()
{
    if (!m_window || m_fullScreen || !m_state.normal())
        return;
    const std::vector<Monitor> all = monitors();
    std::vector<QRect> areas;
    for (const Monitor& m : all)
        areas.push_back(m.workArea);
    const QRect rect = m_window->geometry();
    const QPoint offset = keepOnScreenOffset(rect, areas, monitorAt(rect.topLeft()).workArea);
    if (!offset.isNull()) {
        m_window->move(rect.topLeft() + offset);
        m_state.saveNormalRect(m_window->geometry());
    }
}

std::optional<QPoint> MainWindowChrome::separateWindowPlace(const MainLayout& layout) const
{
    if (!m_window)
        return std::nullopt;
    const QPoint origin = m_window->geometry().topLeft();
    const QRect video = layout.video.translated(origin);
    if (!videoInsideMonitor(video, monitorAt(video.topLeft()).geometry))
        return std::nullopt;
    return separateWindowPosition(origin, layout, m_uiScale);
}

void MainWindowChrome::stopMoveEndTimer()
{
    m_timers.kill(kTimerChromeMoveEnd);
}

void MainWindowChrome::startMoveEndTimer()
{
    // Half the double-click time, so a double click on the caption comes before the move settles.
    m_timers.start(kTimerChromeMoveEnd,
        std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval() / 2),
        platform::TimerTable::Shot::Single);
}

void MainWindowChrome::pressAt(QPoint globalPos)
{
    m_timers.kill(kTimerChromeMoveEnd);
    m_gesture = Gesture::None;
    m_systemMove = false;
    m_dragEdge = 0;
    if (!m_window || m_fullScreen)
        return;
    m_pressPos = globalPos;
    m_pressRect = m_window->geometry();
    const int zone = zoneAt(globalPos);
    if (!m_state.maximised() && isResizeZone(zone)) {
        if (blocked())
            return;
        m_gesture = Gesture::Resize;
        m_dragEdge = zoneEdge(zone);
        m_lastDragPos = globalPos;
        m_sinceDragUpdate.start();
        m_finalRect = m_pressRect;
        return;
    }
    if (zone == kZoneCaption)
        m_gesture = Gesture::Caption;
}

void MainWindowChrome::moveTo(QPoint globalPos)
{
    if (!m_window)
        return;
    switch (m_gesture) {
    case Gesture::Resize: {
        if (globalPos == m_lastDragPos || m_sinceDragUpdate.nsecsElapsed() <= kDragUpdateNs)
            return;
        m_lastDragPos = globalPos;
        m_sinceDragUpdate.restart();
        // Qt resizes a window smoothly, so the window itself shows the rectangle an outline would.
        // It only changes at whole steps, so the children are laid out rarely.
        const QPoint edge(movesLeft(m_dragEdge) ? m_pressRect.x() : m_pressRect.x() + m_pressRect.width(),
            movesTop(m_dragEdge) ? m_pressRect.y() : m_pressRect.y() + m_pressRect.height());
        setGeometry(
            resizeRect(m_pressRect, m_dragEdge, edge + (globalPos - m_pressPos), m_uiScale, maxScale()).rect);
        return;
    }
    case Gesture::Caption: {
        const QPoint d = globalPos - m_pressPos;
        const int threshold = scaled(4, m_uiScale);
        if (std::abs(d.x()) <= threshold && std::abs(d.y()) <= threshold)
            return;
        if (m_state.maximised()) {
            // Restore first, keeping the grabbed point of the caption under the cursor.
            const QRect maxRect = m_window->geometry();
            restore();
            const QRect normal = m_window->geometry();
            const int grabX = maxRect.width() > 0
                ? static_cast<int>(
                    static_cast<qint64>(m_pressPos.x() - maxRect.x()) * normal.width() / maxRect.width())
                : 0;
            m_window->move(globalPos.x() - grabX, globalPos.y() - (m_pressPos.y() - maxRect.y()));
        }
        m_gesture = Gesture::Move;
        m_pressPos = globalPos;
        m_pressRect = m_window->geometry();
        // The window system moves it when it can (and then keeps the mouse until the move ends).
        if (QWindow* handle = m_window->windowHandle(); handle && handle->startSystemMove()) {
            m_systemMove = true;
            startMoveEndTimer();
        }
        return;
    }
    case Gesture::Move:
        m_window->move(m_pressRect.topLeft() + (globalPos - m_pressPos));
        return;
    case Gesture::None:
        return;
    }
}

void MainWindowChrome::releaseAt(QPoint globalPos)
{
    if (!m_window)
        return;
    switch (m_gesture) {
    case Gesture::Resize: {
        if (m_state.maximised() || blocked()) {
            m_gesture = Gesture::None;
            m_dragEdge = 0;
            return;
        }
        const QPoint edge(movesLeft(m_dragEdge) ? m_pressRect.x() : m_pressRect.x() + m_pressRect.width(),
            movesTop(m_dragEdge) ? m_pressRect.y() : m_pressRect.y() + m_pressRect.height());
        const ResizeResult r
            = resizeRect(m_pressRect, m_dragEdge, edge + (globalPos - m_pressPos), m_uiScale, maxScale());
        m_finalRect = r.rect;
        m_finalScaleX = r.scaleX;
        m_finalScaleY = r.scaleY;
        startMoveEndTimer();
        return;
    }
    case Gesture::Move:
        startMoveEndTimer();
        return;
    case Gesture::Caption:
    case Gesture::None:
        m_gesture = Gesture::None;
        return;
    }
}

void MainWindowChrome::doubleClickAt(QPoint globalPos)
{
    m_timers.kill(kTimerChromeMoveEnd);
    m_gesture = Gesture::None;
    m_dragEdge = 0;
    if (!m_window || m_fullScreen)
        return;
    if (zoneAt(globalPos) == kZoneCaption) {
        if (!blocked())
            toggleMaximise();
        return;
    }
    if (m_state.maximised() && m_window->geometry().contains(globalPos))
        restore();
}

void MainWindowChrome::onTimer(int id)
{
    if (id == kTimerChromeMoveEnd)
        finishMoveOrResize();
    else
        m_timers.kill(id);
}

void MainWindowChrome::finishMoveOrResize()
{
    m_timers.kill(kTimerChromeMoveEnd);
    if (!m_window)
        return;
    const bool resized = m_dragEdge != 0;
    m_gesture = Gesture::None;
    m_dragEdge = 0;
    if (m_state.maximised() || m_fullScreen)
        return;
    if (resized) {
        setGeometry(m_finalRect);
        m_state.setScale(m_finalScaleX, m_finalScaleY);
        if (m_hooks.scaleChanged)
            m_hooks.scaleChanged(scaleX(), scaleY());
        m_state.saveNormalRect(m_window->geometry());
    }
    if (m_hooks.relayout)
        m_hooks.relayout();
    adaptToMonitor();
    keepOnScreen();
    if (m_hooks.moveEnded)
        m_hooks.moveEnded();
}

void MainWindowChrome::updateCursor(QPoint globalPos)
{
    if (!m_window)
        return;
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (m_hooks.waitRunning && m_hooks.waitRunning())
        shape = Qt::WaitCursor;
    else if (m_state.normal() && !m_fullScreen && !blocked())
        shape = zoneCursor(zoneAt(globalPos));
    if (m_window->cursor().shape() != shape)
        m_window->setCursor(shape);
}

void MainWindowChrome::onWindowStateChange()
{
    if (!m_window || m_fullScreen)
        return;
    const Qt::WindowStates states = m_window->windowState();
    if (states.testFlag(Qt::WindowMinimized)) {
        if (!m_state.minimised()) {
            m_maximiseAfterMinimise = m_state.maximised();
            applyActions(m_state.onMinimised());
        }
        return;
    }
    if (m_state.minimised()) {
        m_minimisedByButton = false;
        if (m_maximiseAfterMinimise || states.testFlag(Qt::WindowMaximized))
            applyActions(m_state.onMaximised());
        else
            restore();
        return;
    }
    // The window system maximised or restored it (a keyboard shortcut, a tiling rule).
    if (states.testFlag(Qt::WindowMaximized) && !m_state.maximised()) {
        m_state.saveNormalRect(m_window->geometry());
        WindowChromeState::Actions actions = m_state.onMaximised();
        actions.fitToWorkArea = false; // it already fills the work area
        applyActions(actions);
    }
}

void MainWindowChrome::watchScreens()
{
    for (const QPointer<QScreen>& screen : m_watchedScreens) {
        if (screen)
            disconnect(screen, nullptr, this, nullptr);
    }
    m_watchedScreens.clear();
    for (QScreen* screen : QGuiApplication::screens()) {
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { onScreenChange(); });
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { adaptToMonitor(true); });
        m_watchedScreens.emplace_back(screen);
    }
}

void MainWindowChrome::onScreenChange()
{
    // A panel appeared, moved or went away: a maximised window refits, a normal one adapts.
    if (m_state.maximised())
        fitToWorkArea();
    else
        adaptToMonitor();
}

bool MainWindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        const bool onChild = m_window->childAt(mouse->position().toPoint()) != nullptr;
        if (event->type() == QEvent::MouseMove) {
            if (mouse->buttons().testFlag(Qt::LeftButton) && m_gesture != Gesture::None)
                moveTo(global);
            else if (!onChild)
                updateCursor(global);
            else if (m_window->cursor().shape() != Qt::ArrowCursor)
                m_window->setCursor(Qt::ArrowCursor);
            return false;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonRelease)
            releaseAt(global);
        else if (onChild)
            return false; // a child ignored its click: it is not the frame's
        else if (event->type() == QEvent::MouseButtonPress)
            pressAt(global);
        else
            doubleClickAt(global);
        return false;
    }
    case QEvent::Leave:
        if (m_gesture == Gesture::None && m_window->cursor().shape() != Qt::ArrowCursor)
            m_window->setCursor(Qt::ArrowCursor);
        return false;
    case QEvent::WindowStateChange:
        onWindowStateChange();
        return false;
    case QEvent::Resize:
        if (m_state.normal() && !m_fullScreen)
            m_state.saveNormalRect(m_window->geometry());
        if (!m_fullScreen && !m_window->size().isEmpty() && m_hooks.relayout)
            m_hooks.relayout();
        return false;
    case QEvent::Move:
        if (m_state.normal() && !m_fullScreen)
            m_state.saveNormalRect(m_window->geometry());
        // A move by the window system ends without a release we can see: settle once it stops.
        if (m_systemMove)
            startMoveEndTimer();
        return false;
    default:
        return false;
    }
}

} // namespace kivora::app
