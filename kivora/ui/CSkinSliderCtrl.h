#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/ui/COffScreenDC.h"
#include "kivora/ui/SkinStyle.h"

#include <QImage>
#include <QWidget>

#include <array>

namespace kivora::ui {

// The position and volume sliders: a played bar, a remaining bar and a thumb, painted into an
// off-screen surface and copied once. It reports the mouse to its owner by posting
// 0x8066 (pressed), 0x8065 (dragged) and 0x8067 (released), wParam = control id, lParam = value;
// it never moves its own thumb: the owner answers with setPos(). UI thread only.
class CSkinSliderCtrl : public QWidget {
public:
    // Creates the child window "movie slider" along the parent's width, int(10s) high, visible.
    CSkinSliderCtrl(QWidget* parent, int id, const SkinStyle& style = SkinStyle::current());

    int controlId() const { return m_id; }

    // The four pictures by resource id: played bar, remaining bar, thumb, thumb while pressed.
    // A missing picture is skipped when painting.
    void setImages(int played, int remaining, int thumb, int thumbPressed);
    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Stores the position and repaints.
    void setPos(int position);
    int pos() const { return m_pos; }

    // While not interactive the slider ignores the mouse (set at creation).
    void setInteractive(bool interactive) { m_interactive = interactive; }
    bool isInteractive() const { return m_interactive; }

    // Where the messages go; the parent widget until set.
    void setMessageTarget(platform::MessageTarget target);

    void setSkinStyle(const SkinStyle& style);

    bool isCaptured() const { return m_captured; }
    // The last press landed away from the thumb (a jump rather than a drag).
    bool pressedOutsideThumb() const { return m_pressedOutsideThumb; }
    // The value of the last press or drag.
    int mouseValue() const { return m_mouseValue; }

    // The press area is the client width widened by int(10s) on both sides (strict bounds).
    bool inPressArea(int x) const;
    // value = x ÷ (width ÷ (max − min + 1)), clamped to [min, max]; min for an empty range or width.
    int valueAt(int x) const;
    // The thumb of the current position as it is painted (width int(thumb width × s)).
    QRect thumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum Picture { Played = 0, Remaining, Thumb, ThumbPressed };
    void post(unsigned message, int value);
    void makeSurface();
    // The picture at the layout scale, and its design size.
    QImage picture(Picture which) const;
    QSize designSize(Picture which) const { return m_design[which]; }

    int m_id;
    SkinStyle m_style;
    std::array<int, 4> m_ids {};
    std::array<QSize, 4> m_design {};
    int m_min = 0;
    int m_max = 0;
    int m_pos = 0;
    int m_mouseValue = 0;
    bool m_captured = false;
    bool m_pressedOutsideThumb = false;
    bool m_interactive = true;
    QPoint m_pressPoint;
    bool m_hasTarget = false;
    platform::MessageTarget m_target;
    COffScreenDC m_surface; // (int)(7680 × s) wide, as high as the scaled thumb
};

} // namespace kivora::ui
