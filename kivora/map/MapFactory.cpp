#include "kivora/map/MapFactory.h"

#include "kivora/map/CGoogleMapDlgWrap.h"

#include <QCoreApplication>

#include <cstdlib>
#include <unistd.h>

namespace kivora::map {

void prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's sandbox refuses to start for root; a user's own choice in the environment stands.
    if (::geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

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
