#pragma once

#include "kivora/app/MainLayout.h"
#include "kivora/app/WindowChrome.h"
#include "kivora/platform/TimerTable.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <optional>
#include <vector>

class QScreen;
class QWidget;

namespace kivora::app {

// The chrome of the frameless main window: moving by the caption strip, resizing by the borders in
// whole steps of the design size, maximising to the work area, full screen, the cursor of each
// zone, and following the monitor when its work area or DPI changes. It filters the window's own
// mouse and state events (clicks on children are the children's) and tells its owner through
// hooks. Owned by the main window (parent); user-interface thread only.
class MainWindowChrome final : public QObject {
public:
    // One monitor as the chrome sees it. Tests give their own; by default Qt's screens.
    struct Monitor {
        QRect geometry;
        QRect workArea;
        double logicalDpi = 96.0;
    };
    using MonitorSource = std::function<std::vector<Monitor>()>;

    // The monitor of a Qt screen (the primary one for nullptr; empty without screens).
    static Monitor monitorOf(const QScreen* screen);
    // UiScale for a monitor: its DPI ratio, shrunk so the design height fits its work area.
    static double uiScaleFor(const Monitor& monitor);

    struct Hooks {
        // The window's size changed (or the layout must be redone): place the children. Not called
        // while in full screen.
        std::function<void()> relayout;
        // A resize ended on new window scale factors: store them (DISPLAY/SCALEX, SCALEY).
        std::function<void(double scaleX, double scaleY)> scaleChanged;
        // The monitor gave a new UiScale: recreate fonts and skin images, rescale children.
        std::function<void(double uiScale)> uiScaleChanged;
        // Minimised, maximised or restored: minimise or restore the separate window and the vehicle
        // window, set the information panel's layout factor.
        std::function<void(const WindowChromeState::Actions&)> stateChanged;
        // A background worker runs: chrome input is blocked.
        std::function<bool()> chromeInputBlocked;
        // A wait runs: the wait cursor everywhere.
        std::function<bool()> waitRunning;
        // After a move or resize has settled (timer 106): e.g. put the progress bar back.
        std::function<void()> moveEnded;
    };

    // The window is made frameless and given mouse tracking; its minimum size becomes the design
    // size. scaleX/scaleY are the stored factors (values <= 0 ignored).
    MainWindowChrome(QWidget* window, double uiScale, double scaleX, double scaleY, Hooks hooks,
        MonitorSource monitors = {});
    ~MainWindowChrome() override;
    MainWindowChrome(const MainWindowChrome&) = delete;
    MainWindowChrome& operator=(const MainWindowChrome&) = delete;

    // Replaces the monitors the chrome reads (tests of the window that owns the chrome).
    void setMonitorSource(MonitorSource monitors) { m_monitors = std::move(monitors); }

    double uiScale() const { return m_uiScale; }
    double scaleX() const { return m_state.scaleX(); }
    double scaleY() const { return m_state.scaleY(); }
    bool isMaximised() const { return m_state.maximised(); }
    bool isMinimised() const { return m_state.minimised(); }
    bool isFullScreen() const { return m_fullScreen; }
    bool minimisedByButton() const { return m_minimisedByButton; }
    QRect normalRect() const { return m_state.normalRect(); }
    // A border drag runs (between button down and the settled resize).
    bool isDragging() const { return m_dragEdge != 0; }

    // Sizes the window to (int(1120 s) × sx) × (int(697 s) × sy) and puts it on the work area of the
    // monitor it starts on (the primary one before it has been shown); maximised when that size,
    // or the size at scale 1 with the same factors, does not fit the monitor's work area.
    void applyInitialGeometry();

    // Caption button 1 and the caption double click.
    void toggleMaximise();
    void maximise();
    void restore();
    // Caption button 2.
    void minimiseByButton();

    // Covers the monitor that holds the window's top-left corner; returns that monitor's rectangle.
    QRect enterFullScreen();
    // Back to the maximised work area or the saved normal rectangle.
    void leaveFullScreen();

    // Recomputes UiScale when the work area of the window's monitor changed (force: also when it
    // did not, e.g. after a DPI change), then resizes the window to its factors at that scale.
    void adaptToMonitor(bool force = false);
    // Moves the window so that its caption can be reached on some monitor.
    void keepOnScreen();
    // Maximised: fills the work area of the monitor that holds the saved position.
    void fitToWorkArea();

    // Where the separate window goes beside the video of `layout` (the window's current layout):
    // nothing while the video does not lie wholly on one monitor.
    std::optional<QPoint> separateWindowPlace(const MainLayout& layout) const;

    // Timer 106: finishes a move or resize half a double-click time after it ends.
    void stopMoveEndTimer();

    // The zone under a screen point, for the cursor and the main window's own use.
    int zoneAt(QPoint globalPos) const;

    // The drag steps, also driven directly by tests: button down at a screen point, moves, release.
    void pressAt(QPoint globalPos);
    void moveTo(QPoint globalPos);
    void releaseAt(QPoint globalPos);
    void doubleClickAt(QPoint globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Monitor> monitors() const;
    Monitor monitorAt(QPoint globalPos) const;
    double maxScale() const;
    bool blocked() const;
    void updateCursor(QPoint globalPos);
    void onTimer(int id);
    void startMoveEndTimer();
    void finishMoveOrResize();
    void setGeometry(const QRect& rect);
    void applyActions(const WindowChromeState::Actions& actions);
    void onWindowStateChange();
    void watchScreens();
    void onScreenChange();

    QPointer<QWidget> m_window;
    Hooks m_hooks;
    MonitorSource m_monitors;
    WindowChromeState m_state;
    double m_uiScale = 1.0;
    bool m_fullScreen = false;
    bool m_minimisedByButton = false;
    bool m_maximiseAfterMinimise = false;
    bool m_fitting = false;
    QRect m_lastWorkArea;

    // The gesture that started with the last button down.
    enum class Gesture { None, Resize, Caption, Move };
    Gesture m_gesture = Gesture::None;
    QPoint m_pressPos; // screen
    QRect m_pressRect; // window rectangle at button down
    int m_dragEdge = 0;
    bool m_systemMove = false; // the window system moves the window until the next button down
    QPoint m_lastDragPos;
    QElapsedTimer m_sinceDragUpdate;
    QRect m_finalRect;
    double m_finalScaleX = 1.0;
    double m_finalScaleY = 1.0;

    std::vector<QPointer<QScreen>> m_watchedScreens;
    platform::TimerTable m_timers { [this](int id) { onTimer(id); } };
};

} // namespace kivora::app
