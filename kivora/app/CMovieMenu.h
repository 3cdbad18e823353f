#pragma once

#include <QFont>
#include <QMenu>

#include <functional>
#include <memory>
#include <vector>

namespace kivora::app {

// One item of the video's popup menu: a command with its text slot, or a separator (id 0).
// Items of our own (slot -1) carry their text.
struct MovieMenuItem {
    int id = 0;
    int slot = -1;
    bool enabled = true;
    QString text; // items without a slot
    bool checked = false;

    bool separator() const { return id == 0; }
};

// What the menu holds for the main camera's state: engineState 0 closed (also an engine that
// is not initialised), 1 stopped, 2 playing, 3 paused; aspectMode of the main engine (-1 when not
// initialised). Our own items follow the table's after a separator: the rear camera item while a
// movie is open, and outside full screen the file commands (the open recording's track, chosen
// recordings' tracks, evidence bundle, repair), grayed where enabled (command id) says no.
std::vector<MovieMenuItem> movieMenuItems(int engineState, int rateCode, int aspectMode, bool fullScreen,
    bool rearViewOn, int languageIndex, const std::function<bool(int)>& enabled = {});

// The owner-drawn popup menu of the video surface: its items are int(70 s) wide, int(220 s) in
// full screen, wider where a label would not fit whole, int(20 s) high, their text in F10 moved
// int(20 s) to the right; a selected item is blue with white text, a selected grayed one light
// blue with grey text. The menu on screen is exactly as wide as its items. UI thread only.
class CMovieMenu final : public QMenu {
public:
    CMovieMenu(const std::vector<MovieMenuItem>& items, double uiScale, bool wideLayout, const QFont& f10,
        int languageIndex, QWidget* parent = nullptr);
    ~CMovieMenu() override;

    // Runs the menu at the screen point; the chosen command id, or 0.
    int track(QPoint screenPoint);

    QSize itemSize() const;

private:
    class Style;
    std::unique_ptr<Style> m_style;
};

} // namespace kivora::app
