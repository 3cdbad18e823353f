#pragma once

// The separate video window: a border-less skinned window beside the main window that holds the
// map window and the logo panel. It tells its parent (the main window) when it has painted, was
// closed, was double-clicked in its title strip and when its display scale changed.

#include "kivora/ui/CSkinDialog.h"

#include <QPen>
#include <QRect>

class QScreen;

namespace kivora::app {

// UI thread only. The parent receives messages 0x8579..0x857C (AppMessages.h), posted.
class CMovieDialog : public ui::CSkinDialog {
public:
    static constexpr int kTemplateId = 353;
    static constexpr int kCloseId = 21;
    static inline const QColor kFrameColour { 207, 207, 207 };

    explicit CMovieDialog(QWidget* parent, const ui::SkinStyle& style = ui::SkinStyle::current());
    ~CMovieDialog() override;

    // The title through the UI text slot's "%s" (145 main camera, 151 map); repaints the title strip.
    void setTitleSlot(int slot);

    // Moves and sizes the window. The user cannot resize it (its minimum and maximum are its size),
    // so the owner sizes it only through here: a plain resize() is held at the current size.
    void place(const QRect& geometry);

    // The window rectangle at the last move made while the window was visible; empty until then.
    QRect rememberedRect() const { return m_remembered; }

    // The display scale changed: set the font again, then tell the parent (0x857C).
    void onDpiChanged();

protected:
    void onCloseButton() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void watchScreen(QScreen* screen);
    void post(unsigned message) const;

    QPen m_framePen;
    QRect m_remembered;
    bool m_screenWatched = false;
    QMetaObject::Connection m_dpiConnection;
};

} // namespace kivora::app
