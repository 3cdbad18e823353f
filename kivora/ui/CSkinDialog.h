#pragma once

#include "kivora/ui/COffScreenDC.h"
#include "kivora/ui/SkinStyle.h"

#include <QDialog>

#include <memory>

namespace kivora::ui {

class CSkinButton;

// Base of every dialog of the program: no system frame, a small close button (strip 352) at the
// top right, an optional grey title strip with icon and title, moved by dragging its top strip.
// Enter and Escape never end it (nor reach its controls); other keys work as usual.
// The background is painted into an off-screen surface and copied once per paint. UI thread only.
class CSkinDialog : public QDialog {
public:
    static constexpr int kCloseStripId = 352;
    static inline const QColor kBackground { 0x1d, 0x21, 0x27 };
    static inline const QColor kTitleStrip { 128, 128, 128 };

    explicit CSkinDialog(QWidget* parent = nullptr, const SkinStyle& style = SkinStyle::current());
    ~CSkinDialog() override;

    // What a point of the client area stands for when the window system asks: the top border
    // strip of int(6s) (corners included) is client area so the frameless window cannot be
    // resized from it; below it the strip down to int(24s) is the caption; the rest is client.
    enum class HitArea { Client, Caption };
    static HitArea hitTest(QPoint clientPoint, int clientWidth, double uiScale);

    CSkinButton* closeButton() const { return m_close; }
    // The control id of the close button (dialogs give theirs: 18, 20, 21 ...; 2 by default).
    void setCloseButtonId(int id);

    // The grey title strip across the top int(20s) (the separate video window uses it).
    void setTitleStripVisible(bool visible);
    bool titleStripVisible() const { return m_titleStrip; }

    const SkinStyle& skinStyle() const { return m_style; }
    // A new layout scale: fonts and the close button follow; subclasses lay themselves out again.
    virtual void setSkinStyle(const SkinStyle& style);

    // Whether the mouse is captured by a drag of the window.
    bool isDragging() const { return m_dragging; }

protected:
    // The close button was clicked; ends the dialog as cancelled unless a dialog says otherwise.
    virtual void onCloseButton();
    // Paints the background into the off-screen surface; the title strip follows when visible.
    virtual void paintBackground(QPainter& painter);
    void placeCloseButton();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class KeyGuard;
    void paintTitleStrip(QPainter& painter);

    SkinStyle m_style;
    CSkinButton* m_close = nullptr; // child, owned by Qt
    bool m_titleStrip = false;
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_startPos;
    COffScreenDC m_surface;
    std::unique_ptr<KeyGuard> m_keyGuard;
};

} // namespace kivora::ui
