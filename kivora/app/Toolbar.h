#pragma once

#include "kivora/app/CommandIds.h"
#include "kivora/app/CommandState.h"

#include <QObject>
#include <QRect>

#include <array>
#include <functional>

class QWidget;

namespace kivora::ui {
class CSkinButton;
struct SkinStyle;
} // namespace kivora::ui

namespace kivora::app {

// The fourteen buttons along the bottom of the main window: their strips, tooltips and faces.
// A click hands the button's command id to the window. UI thread only.
class Toolbar final : public QObject {
public:
    static constexpr int kFrameDesign = 32; // frames are int(32 × UiScale) square
    static constexpr int kPlayStrip = 148;
    static constexpr int kPauseStrip = 147;
    static constexpr int kPlayTooltip = 12;
    static constexpr int kPauseTooltip = 11;

    struct Button {
        int id;
        int strip;
        int tooltipSlot;
    };
    static const std::array<Button, kToolbarButtons>& buttons();

    Toolbar(QWidget* parent, int languageIndex, std::function<void(int)> onCommand);

    void place(const std::array<QRect, kToolbarButtons>& rects, double uiScale);
    void setSkinStyle(const ui::SkinStyle& style);
    void setVisible(bool visible);
    // The browse button's tooltip also lists the keys.
    void setBrowseTooltip(const QString& text);

    // The play button's face: "pause" while playback runs. The window keeps the face unchanged
    // in full screen.
    void setPauseFace(bool pause);
    bool pauseFace() const { return m_pauseFace; }
    void setLatched(int id, bool latched);

    void apply(const EnabledSet& enabled);
    bool enabled(int id) const;
    ui::CSkinButton* button(int id) const;

private:
    void loadFace();

    std::array<ui::CSkinButton*, kToolbarButtons> m_buttons {};
    int m_languageIndex = 0;
    double m_uiScale = 1.0;
    bool m_pauseFace = false;
};

} // namespace kivora::app
