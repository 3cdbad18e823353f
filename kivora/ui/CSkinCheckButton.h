#pragma once

#include "kivora/ui/CSkinButton.h"

namespace kivora::ui {

// An owner-drawn check box: a 12 × 12 design-pixel box from a four-frame strip at (0, int(4s)) and
// the caption int(16s) from the left edge in the widget's font and text colour. The owner keeps
// the checked mark (a click does not toggle it by itself). Hover is shown only over the box.
class CSkinCheckButton : public CSkinButton {
public:
    CSkinCheckButton(QWidget* parent, int id, QRect rect = {}, const SkinStyle& style = SkinStyle::current());

    void setCheckMark(bool checked);
    bool checkMark() const { return m_checkMark; }

    // The box square in widget coordinates: (0, int(4s)), side int(12s).
    QRect boxRect() const;

    SkinFrameChoice currentFrame() const override;
    void setSkinStyle(const SkinStyle& style) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool m_checkMark = false;
};

} // namespace kivora::ui
