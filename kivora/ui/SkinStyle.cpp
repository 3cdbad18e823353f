#include "kivora/ui/SkinStyle.h"

#include "kivora/ui/SkinFontSet.h"

#include <QToolTip>

#include <optional>

namespace kivora::ui {

namespace {
std::optional<SkinStyle>& currentStyle()
{
    static std::optional<SkinStyle> style;
    return style;
}
} // namespace

SkinStyle SkinStyle::fromFonts(double uiScale, const SkinFontSet& fonts)
{
    SkinStyle style;
    style.uiScale = uiScale > 0.0 ? uiScale : 1.0;
    style.f9 = fonts.f9();
    style.f10 = fonts.f10();
    return style;
}

SkinStyle SkinStyle::forScale(double uiScale)
{
    SkinFontSet fonts;
    fonts.create(uiScale, 1.0);
    return fromFonts(uiScale, fonts);
}

const SkinStyle& SkinStyle::current()
{
    // Made on first use, when a QGuiApplication exists (fonts need it).
    auto& style = currentStyle();
    if (!style)
        style = forScale(1.0);
    return *style;
}

void SkinStyle::setCurrent(const SkinStyle& style)
{
    currentStyle() = style;
    // Tooltips of the skinned buttons use F9.
    QToolTip::setFont(style.f9);
}

} // namespace kivora::ui
