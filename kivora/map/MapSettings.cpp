#include "kivora/map/MapSettings.h"

#include "kivora/platform/IniFile.h"

#include <QRegularExpression>
#include <QUrl>

namespace kivora::map {

namespace {

constexpr int kMaxAttributionChars = 200;

} // namespace

bool acceptableTileUrl(const QString& urlTemplate)
{
    for (const QChar c : urlTemplate) {
        if (c.unicode() <= 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('<')
            || c == QLatin1Char('>') || c == QLatin1Char('\\') || c == QLatin1Char('`')
            || c.unicode() == 0x7f)
            return false;
    }
    // Fill the placeholders the page knows; any other name, or a brace left over, is refused.
    QString sample = urlTemplate;
    static const QRegularExpression placeholder(QStringLiteral("\\{(s|z|x|y|-y|r)\\}"));
    sample.replace(placeholder, QStringLiteral("a"));
    if (sample.contains(QLatin1Char('{')) || sample.contains(QLatin1Char('}')))
        return false;
    const QUrl head(sample, QUrl::StrictMode);
    const QString scheme = head.scheme().toLower();
    return head.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !head.host().isEmpty();
}

TileSettings readTileSettings(const std::filesystem::path& settingsFile)
{
    TileSettings settings;
    const platform::IniFile ini(settingsFile);
    const QString url = QString::fromStdString(ini.read("MAP", "TILE_URL")).trimmed();
    if (!url.isEmpty() && acceptableTileUrl(url))
        settings.urlTemplate = url;
    QString attribution = QString::fromStdString(ini.read("MAP", "TILE_ATTRIBUTION")).trimmed();
    if (!attribution.isEmpty())
        settings.attribution = attribution.left(kMaxAttributionChars);
    return settings;
}

} // namespace kivora::map
