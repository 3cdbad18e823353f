#include "kivora/playback/CMovieStatic.h"

#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/playback/MovieSurfaceOwner.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

#include <chrono>

namespace kivora::playback {

CMovieStatic::CMovieStatic(QWidget* parent)
    : VideoSurface(parent)
{
    m_messages.on(WM_GRAPH_EVENT, [this](platform::WParam w, platform::LParam l) {
        if (m_cameraIndex == 0 && m_owner)
            m_owner->onSurfaceGraphEvent(unsigned(w), long(l));
    });
    m_messages.on(WM_MOVIE_ENDED, [this](platform::WParam, platform::LParam) {
        if (m_cameraIndex == 0 && m_owner)
            m_owner->onSurfaceMovieEnded();
    });
    m_messages.on(WM_MOVIE_READY, [this](platform::WParam, platform::LParam) { onMovieReady(); });
}

CMovieStatic::~CMovieStatic() = default;

MovieEngine* CMovieStatic::engine() const
{
    if (!m_pair)
        return nullptr;
    if (m_cameraIndex == 0)
        return &m_pair->main();
    if (m_cameraIndex == 1)
        return &m_pair->sub();
    return nullptr;
}

bool CMovieStatic::engineOpen() const
{
    const MovieEngine* e = engine();
    return e && e->isInitialised() && e->engineState() != EngineState::Closed;
}

void CMovieStatic::setZoomMode(bool on)
{
    m_zoomMode = on;
    if (on)
        setCursor(m_zoomCursor ? *m_zoomCursor : QCursor(Qt::CrossCursor));
    else
        unsetCursor();
}

void CMovieStatic::setZoomCursor(const QCursor& cursor)
{
    m_zoomCursor = cursor;
    if (m_zoomMode)
        setCursor(cursor);
}

void CMovieStatic::onMovieReady()
{
    if (!m_owner)
        return;
    // With a sub movie open, the owner waits for the sub camera's "ready"; the main camera's
    // counts only when the sub movie did not open.
    const int subResult = m_pair ? m_pair->subOpenResult : 0;
    if (m_cameraIndex == 1 || (m_cameraIndex == 0 && subResult == 0))
        m_owner->onSurfaceMovieReady();
}

void CMovieStatic::paintEvent(QPaintEvent* event)
{
    const bool forFrame = takeFramePending();
    if (!engineOpen()) {
        // A stale picture of a closed movie is never shown.
        QPainter(this).fillRect(rect(), Qt::black);
        return;
    }
    // Re-applying places the picture for the current size; the presenter answers with a fresh
    // frame, whose own paint must not re-apply again or the two would feed each other forever.
    // A newly opened movie has a new presenter that knows no placement yet; it can take one once
    // its session is ready.
    const MovieEngine* e = engine();
    const std::uint64_t session = e->ready() ? e->serial() : 0;
    if (m_eraseEnabled && m_owner && (!forFrame || size() != m_appliedSize || session != m_appliedSession)) {
        m_appliedSize = size();
        m_appliedSession = session;
        m_owner->onSurfaceReapplyZoom();
    }
    VideoSurface::paintEvent(event);
}

int CMovieStatic::doubleClickTime()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void CMovieStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        VideoSurface::mousePressEvent(event);
        return;
    }
    m_buttonUpSeen = false;
    setFocus(Qt::MouseFocusReason);
    if (!m_doubleClickActive) {
        m_singleClickConsumed = false;
        if (handsOnClicks()) {
            m_downPoint = event->position().toPoint();
            m_downFlags = event->modifiers();
            m_timers.start(kSingleClickTimer, std::chrono::milliseconds(doubleClickTime()),
                platform::TimerTable::Shot::Single);
        }
    }
    event->accept();
}

void CMovieStatic::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        VideoSurface::mouseReleaseEvent(event);
        return;
    }
    m_buttonUpSeen = true;
    if (m_doubleClickActive) {
        m_doubleClickActive = false;
    } else if (handsOnClicks()) {
        m_upPoint = event->position().toPoint();
        m_upFlags = event->modifiers();
        m_timers.start(
            kClickEndTimer, std::chrono::milliseconds(doubleClickTime()), platform::TimerTable::Shot::Single);
    }
    event->accept();
}

void CMovieStatic::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        VideoSurface::mouseDoubleClickEvent(event);
        return;
    }
    // The second press has already restarted the single-click timer; a double-click replaces it.
    m_timers.kill(kSingleClickTimer);
    m_timers.kill(kClickEndTimer);
    m_singleClickConsumed = false;
    m_doubleClickActive = true;
    releaseCapture();
    if (m_owner)
        m_owner->onSurfaceDoubleClick(m_cameraIndex);
    if (m_buttonUpSeen)
        m_doubleClickActive = false;
    event->accept();
}

void CMovieStatic::contextMenuEvent(QContextMenuEvent* event)
{
    if (handsOnClicks() && m_owner)
        m_owner->onSurfaceContextMenu(event->globalPos(), *this);
    event->accept();
}

void CMovieStatic::onTimer(int id)
{
    // Both timers are single shots: they are stopped before they get here.
    if (id == kSingleClickTimer) {
        if (m_singleClickConsumed)
            return;
        m_singleClickConsumed = true;
        if (handsOnClicks() && m_owner)
            m_owner->onSurfaceSingleClick(m_cameraIndex, m_downPoint);
    } else if (id == kClickEndTimer) {
        if (!m_singleClickConsumed)
            return;
        m_singleClickConsumed = false;
        releaseCapture();
    }
}

void CMovieStatic::releaseCapture()
{
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

} // namespace kivora::playback
