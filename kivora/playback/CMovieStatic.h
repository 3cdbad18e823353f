#pragma once

// The video surface of one camera. It hands every mouse action and every notification of its
// camera's engine to the owner window, tagged with its camera index, and paints black while its
// engine has no movie open. The main window keeps two: the main camera's is a child window, the
// sub camera's is never shown and only receives its engine's messages.

#include "kivora/platform/MessageTable.h"
#include "kivora/platform/TimerTable.h"
#include "kivora/playback/VideoSurface.h"

#include <QCursor>
#include <QPoint>

#include <cstdint>
#include <optional>

namespace kivora::playback {

class MovieEngine;
class MoviePair;
class MovieSurfaceOwner;

// UI thread only, like every widget. Other threads reach it by posting to messageTarget().
class CMovieStatic : public VideoSurface {
public:
    // Timer ids: the pending single click, and the end of a click's double-click window.
    static constexpr int kSingleClickTimer = 200;
    static constexpr int kClickEndTimer = 201;

    explicit CMovieStatic(QWidget* parent = nullptr);
    ~CMovieStatic() override;

    // The window that receives what the surface hands on; may stay null (nothing is handed on).
    // It must outlive the surface or be reset to null first.
    void setOwner(MovieSurfaceOwner* owner) { m_owner = owner; }
    MovieSurfaceOwner* owner() const { return m_owner; }

    // 0 main camera, 1 sub camera; -1 (the start value) hands no click or message on.
    void setCameraIndex(int index) { m_cameraIndex = index; }
    int cameraIndex() const { return m_cameraIndex; }

    // The engines of the recording: this camera's engine decides whether the surface shows a movie,
    // the pair's subOpenResult whether the main camera reports "ready". Must outlive the surface
    // or be reset to null first.
    void setPair(MoviePair* pair) { m_pair = pair; }
    // This camera's engine, or null without a pair or camera index.
    MovieEngine* engine() const;

    // Zoom mode shows the zoom cursor over the surface.
    void setZoomMode(bool on);
    bool zoomMode() const { return m_zoomMode; }
    // The zoom cursor (skin cursor 191 at the display scale); a cross until one is given.
    void setZoomCursor(const QCursor& cursor);

    void setEraseEnabled(bool on) { m_eraseEnabled = on; }
    bool eraseEnabled() const { return m_eraseEnabled; }

    // Where this camera's engine posts WM_MOVIE_READY and WM_MOVIE_ENDED (MovieWindow::target),
    // and the fallback back-end its WM_GRAPH_EVENT. Any thread may post through it.
    platform::MessageTarget messageTarget() const { return m_messages.target(); }

    // The last left-button press and release in client coordinates, with the keys held then.
    QPoint downPoint() const { return m_downPoint; }
    Qt::KeyboardModifiers downFlags() const { return m_downFlags; }
    QPoint upPoint() const { return m_upPoint; }
    Qt::KeyboardModifiers upFlags() const { return m_upFlags; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool handsOnClicks() const { return m_cameraIndex == 0 || m_cameraIndex == 1; }
    bool engineOpen() const;
    void onTimer(int id);
    void onMovieReady();
    void releaseCapture();
    static int doubleClickTime();

    MovieSurfaceOwner* m_owner = nullptr;
    MoviePair* m_pair = nullptr;
    int m_cameraIndex = -1;
    bool m_zoomMode = false;
    bool m_eraseEnabled = true;
    std::optional<QCursor> m_zoomCursor;

    QPoint m_downPoint;
    Qt::KeyboardModifiers m_downFlags;
    QPoint m_upPoint;
    Qt::KeyboardModifiers m_upFlags;
    bool m_buttonUpSeen = true;
    bool m_singleClickConsumed = false;
    bool m_doubleClickActive = false;

    QSize m_appliedSize; // client size the zoom was last re-applied for
    std::uint64_t m_appliedSession = 0; // and the engine's session it was applied to (its serial)

    platform::MessageTable m_messages { this };
    platform::TimerTable m_timers { [this](int id) { onTimer(id); } };
};

} // namespace kivora::playback
