#pragma once

#include <QFont>

namespace kivora::ui {

class SkinFontSet;

// What every skinned control needs from the layout: the scale s (UiScale) and the two fonts it
// draws with. Lengths are design pixels × s, truncated towards zero. A value type, so a control
// keeps its own copy and never points at a font set that may be re-created.
struct SkinStyle {
    double uiScale = 1.0;
    QFont f9; // button captions and tooltips
    QFont f10; // messages, progress text, titles

    // int(design × s), truncated towards zero (int(−6s) == −int(6s)).
    int s(double design) const { return static_cast<int>(design * uiScale); }

    // Takes F9 and F10 from a font set (the application font when the set is empty).
    static SkinStyle fromFonts(double uiScale, const SkinFontSet& fonts);
    // A style with its own fonts made for the scale at 96 dpi; for tools and tests.
    static SkinStyle forScale(double uiScale);

    // The style controls take when they are created. The main window sets it once the layout scale
    // and the fonts are known, and again after a scale change (then it hands the new style to the
    // controls that already exist). Scale 1.0 until set. UI thread only.
    static const SkinStyle& current();
    static void setCurrent(const SkinStyle& style);
};

} // namespace kivora::ui
