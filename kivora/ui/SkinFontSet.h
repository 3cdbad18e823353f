#pragma once

#include <QFont>

#include <array>

namespace kivora::ui {

// The five fonts every window shares. Created once the layout scale is known and created again
// after a scale change. UI thread only.
class SkinFontSet {
public:
    enum Size { F9 = 0, F10, F13, F17, F22 };
    static constexpr std::array<int, 5> kDesignSizes{9, 10, 13, 17, 22};

    // Point size after scaling: (int)((int)(uiScale × size) ÷ dpiRatio), both steps truncating.
    static int scaledPointSize(int designSize, double uiScale, double dpiRatio);
    // Character height in pixels for a point size at a vertical resolution: p × dpiY ÷ 72, rounded
    // half away from zero like the system's MulDiv.
    static int pixelHeight(int pointSize, int dpiY);

    // Builds all five fonts. dpiY is the vertical pixels per inch of the drawing surface (96 for
    // Qt's logical pixels). A non-positive dpiRatio or dpiY leaves the set empty.
    bool create(double uiScale, double dpiRatio, int dpiY = 96);
    void destroy();
    bool isCreated() const { return m_created; }

    // The font of a size; the application's default font while the set is empty, so that windows
    // still draw readable text.
    QFont font(Size size) const;
    QFont f9() const { return font(F9); }
    QFont f10() const { return font(F10); }
    QFont f13() const { return font(F13); }
    QFont f17() const { return font(F17); }
    QFont f22() const { return font(F22); }

    // The face every font asks for; glyphs it lacks come from Noto Sans CJK JP.
    static QString faceName();

private:
    std::array<QFont, 5> m_fonts;
    bool m_created = false;
};

} // namespace kivora::ui
