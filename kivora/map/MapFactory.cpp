#include "kivora/map/MapFactory.h"

#include "kivora/map/CGoogleMapDlgWrap.h"

namespace kivora::map {

std::unique_ptr<IMapView> createMapView(platform::MessageTarget mainWindow, IMapTrackSource& tracks,
    const std::filesystem::path& settingsFile, const QString& cacheFolder)
{
    CGoogleMapDlgWrap::Parts parts;
    parts.mainWindow = std::move(mainWindow);
    parts.tracks = &tracks;
    parts.settingsFile = settingsFile;
    parts.cacheFolder = cacheFolder;
    return std::make_unique<CGoogleMapDlgWrap>(std::move(parts));
}

} // namespace kivora::map
