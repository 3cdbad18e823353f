#pragma once

#include <QString>

#include <filesystem>

namespace kivora::map {

inline constexpr char kDefaultTileUrl[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
inline constexpr char kDefaultTileAttribution[] = "© OpenStreetMap contributors";

// Where the map's tiles come from and the credit shown for them.
struct TileSettings {
    QString urlTemplate = QString::fromUtf8(kDefaultTileUrl);
    QString attribution = QString::fromUtf8(kDefaultTileAttribution);
};

// True for an http or https template with a host, only the placeholders {s} {z} {x} {y} {-y}
// {r}, and nothing that could leave a URL: no quotes,
// angle brackets, backslashes, spaces or control characters.
bool acceptableTileUrl(const QString& urlTemplate);

// Section MAP, keys TILE_URL and TILE_ATTRIBUTION of the settings file; a missing, empty or
// unacceptable value gives its default. The attribution is plain text (the page never reads it
// as markup) of at most 200 characters.
TileSettings readTileSettings(const std::filesystem::path& settingsFile);

} // namespace kivora::map
