#pragma once

// The logo panel that stands in the map's place: one of two skin pictures stretched over the
// whole panel inside a one-pixel white frame.

#include <QWidget>

namespace kivora::ui {
class CResourceImage;
}

namespace kivora::app {

// UI thread only. The image set is the main window's and must outlive the panel.
class CLogoDlg : public QWidget {
public:
    static constexpr int kLogoPicture = 365; // mode 1: the logo
    static constexpr int kOfflinePicture = 366; // mode 0: the logo with the no-connection notice

    explicit CLogoDlg(const ui::CResourceImage* images, QWidget* parent = nullptr);

    // 1 shows the logo, 0 the no-connection picture; the panel repaints when the mode changes.
    void setLogoMode(int mode);
    int logoMode() const { return m_mode; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ui::CResourceImage* m_images;
    int m_mode = 1;
};

} // namespace kivora::app
