#include "kivora/ui/SkinFontSet.h"

#include "kivora/ui/UiText.h"

#include <QGuiApplication>
#include <QStringList>

#include <cmath>

namespace kivora::ui {

namespace {
constexpr const char* kFallbackFace = "Noto Sans CJK JP";
}

QString SkinFontSet::faceName()
{
    const std::string_view face = UiText(112);
    return QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
}

int SkinFontSet::scaledPointSize(int designSize, double uiScale, double dpiRatio)
{
    if (dpiRatio <= 0.0)
        return 0;
    const int scaled = static_cast<int>(uiScale * designSize);
    return static_cast<int>(scaled / dpiRatio);
}

int SkinFontSet::pixelHeight(int pointSize, int dpiY)
{
    const double exact = static_cast<double>(pointSize) * dpiY / 72.0;
    return static_cast<int>(exact < 0 ? std::ceil(exact - 0.5) : std::floor(exact + 0.5));
}

bool SkinFontSet::create(double uiScale, double dpiRatio, int dpiY)
{
    destroy();
    if (dpiRatio <= 0.0 || dpiY <= 0 || uiScale <= 0.0)
        return false;
    const QString face = faceName();
    // The face is not installed on Linux; fontconfig alone would pick a Latin face without kana.
    QFont::insertSubstitution(face, QString::fromLatin1(kFallbackFace));
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        const int points = scaledPointSize(kDesignSizes[i], uiScale, dpiRatio);
        QFont f;
        f.setFamilies({face, QString::fromLatin1(kFallbackFace)});
        f.setPixelSize(std::max(1, pixelHeight(points, dpiY)));
        f.setWeight(QFont::Normal);
        f.setItalic(false);
        f.setUnderline(false);
        f.setStyleHint(QFont::SansSerif);
        m_fonts[i] = f;
    }
    m_created = true;
    return true;
}

void SkinFontSet::destroy()
{
    m_fonts = {};
    m_created = false;
}

QFont SkinFontSet::font(Size size) const
{
    if (!m_created || size < F9 || size > F22)
        return QGuiApplication::font();
    return m_fonts[static_cast<std::size_t>(size)];
}

} // namespace kivora::ui
