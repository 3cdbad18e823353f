#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

namespace kivora::ui {

class COffScreenDC;

// A text style bound to a drawing surface: font, background and text colour, transparent
// background mode. The main window binds one to its own surface with background RGB(63, 63, 63),
// white text and font F10. Painters are short-lived in Qt, so apply() sets the style on each one.
class CLapTimeArea {
public:
    void bind(COffScreenDC* surface, const QFont& font, QColor background, QColor text);
    void unbind();

    COffScreenDC* surface() const { return m_surface; }
    const QFont& font() const { return m_font; }
    QColor background() const { return m_background; }
    QColor text() const { return m_text; }

    void apply(QPainter& painter) const;

private:
    COffScreenDC* m_surface = nullptr; // not owned
    QFont m_font;
    QColor m_background{63, 63, 63};
    QColor m_text{255, 255, 255};
};

// The main window's caption title: font F10, white, transparent, left- and top-aligned on one line,
// clipped to (int(4s) + int(6s), int(4s)) .. (int(400s), int(30s)) in window coordinates.
void drawCaptionText(QPainter& painter, const QString& title, const QFont& f10, double uiScale);

} // namespace kivora::ui
