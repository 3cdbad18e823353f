#pragma once

#include "kivora/ui/COffScreenDC.h"
#include "kivora/ui/SkinStyle.h"

#include <QWidget>

namespace kivora::ui {

// A blue-and-white progress bar with "N %" centred on it: white text over the blue part, blue text
// over the white part. The owner sets range and position. UI thread only.
class CSkinProgressBarCtrl : public QWidget {
public:
    static inline const QColor kBlue { 0, 0, 255 };
    static inline const QColor kWhite { 255, 255, 255 };

    explicit CSkinProgressBarCtrl(QWidget* parent = nullptr, const SkinStyle& style = SkinStyle::current());

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Stores the position and redraws.
    void setPos(int position);
    int pos() const { return m_pos; }

    void setSkinStyle(const SkinStyle& style);

    // "37 %" for 37.
    static QString progressText(int position);
    // Width of the blue part for a client width: (int)(w × position ÷ (max − min)), 0 below a
    // range of 1.
    int bluePartWidth(int clientWidth) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkinStyle m_style;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    COffScreenDC m_surface;
};

} // namespace kivora::ui
