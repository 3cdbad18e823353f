#pragma once

#include "kivora/ui/COffScreenDC.h"
#include "kivora/ui/SkinFrameChoice.h"
#include "kivora/ui/SkinStyle.h"

#include <QAbstractButton>
#include <QImage>

namespace kivora::ui {

// An owner-drawn push button painted from a four-frame strip (0 normal, 1 hover, 2 pressed,
// 3 disabled) with its caption centred in F9. The keyboard cannot press it: it takes no focus and
// swallows key presses. Its tooltip is the ordinary QWidget tooltip. UI thread only.
class CSkinButton : public QAbstractButton {
public:
    // Created with empty text at `rect` (parent coordinates) as control `id`.
    CSkinButton(QWidget* parent, int id, QRect rect = {}, const SkinStyle& style = SkinStyle::current());

    int controlId() const { return m_id; }

    // Frames of frameRect's size, cut from the strip `stripId` loaded at the layout scale. A missing
    // strip leaves the button drawing only its caption.
    void setImage(int stripId, QRect frameRect);
    int imageId() const { return m_stripId; }
    QSize frameSize() const { return m_frameSize; }
    bool hasImage() const { return !m_strip.isNull(); }

    // Latched: looks pressed and ignores hover (on/off buttons such as zoom and map).
    void setLatched(bool latched);
    bool isLatched() const { return m_latched; }
    // No-draw: the button paints nothing at all.
    void setNoDraw(bool noDraw);
    bool isNoDraw() const { return m_noDraw; }

    // A new layout scale: caption font and the strip are taken again. The owner sets the
    // frame rectangle and geometry for the new scale itself.
    virtual void setSkinStyle(const SkinStyle& style);
    const SkinStyle& skinStyle() const { return m_style; }

    bool isHovered() const { return m_hovered; }
    // What a paint draws now: the hover frame or the frame of the item state.
    virtual SkinFrameChoice currentFrame() const;

protected:
    SkinItemState itemState() const;
    const QImage& strip() const { return m_strip; }
    // The off-screen surface sized to the widget, cleared to transparent.
    QImage& beginSurface();
    void endSurface(QPainter& target);
    void setHovered(bool hovered);

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void reloadStrip();

    int m_id;
    SkinStyle m_style;
    int m_stripId = 0;
    QSize m_frameSize;
    QImage m_strip; // loaded at m_style.uiScale and m_stripRatio
    qreal m_stripRatio = 1.0;
    bool m_latched = false;
    bool m_noDraw = false;
    bool m_hovered = false;
    COffScreenDC m_surface;
};

} // namespace kivora::ui
