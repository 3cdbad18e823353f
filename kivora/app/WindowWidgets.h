#pragma once

#include <array>

namespace kivora::playback {
class CMovieStatic;
}
namespace kivora::ui {
class CSkinButton;
class CSkinProgressBarCtrl;
class CSkinSliderCtrl;
} // namespace kivora::ui
namespace kivora::views {
class CGSensorDlg;
class CInfoDlg;
class CObdDlg;
} // namespace kivora::views

namespace kivora::app {

class CLogoDlg;
class CMovieDialog;
class MainWindowChrome;
class Toolbar;

// The main window's children, which its parts lay out, enable and feed. Made by the window at
// start-up (null before) and owned by Qt as its children. UI thread only.
struct WindowWidgets {
    playback::CMovieStatic* mainSurface = nullptr;
    playback::CMovieStatic* subSurface
        = nullptr; // the rear camera's picture, hidden unless shown in a corner
    ui::CSkinSliderCtrl* positionSlider = nullptr;
    ui::CSkinSliderCtrl* volumeSlider = nullptr;
    ui::CSkinProgressBarCtrl* progress = nullptr;
    views::CGSensorDlg* graph = nullptr;
    views::CInfoDlg* info = nullptr;
    views::CObdDlg* obd = nullptr;
    CMovieDialog* movieDialog = nullptr; // the separate window (map and logo); hidden until the map is shown
    std::array<ui::CSkinButton*, 3> captionButtons {}; // close, maximise, minimise
    MainWindowChrome* chrome = nullptr; // moves, resizes, maximises and covers the monitor
    Toolbar* toolbar = nullptr;
    CLogoDlg* logo = nullptr; // in the separate window, in the map's place
};

} // namespace kivora::app
