#pragma once

#include "kivora/map/IMapView.h"
#include "kivora/platform/PostMessage.h"

#include <QString>

#include <filesystem>
#include <memory>

namespace kivora::map {

class IMapTrackSource;

// Call in main() before the QApplication exists: the web engine shares the widgets' graphics
// contexts, and runs without its sandbox only where it cannot have one (as root).
void prepareWebEngine();

// Creates the map wrapper with its map window (hidden, without a parent until SetMapParent).
// mainWindow receives kMsgMapReady and kMsgMapCrashPointClicked; tracks (for example an
// EngineTrackSource over the two engines) must outlive the map. UI thread; the QApplication
// was created after prepareWebEngine().
std::unique_ptr<IMapView> createMapView(platform::MessageTarget mainWindow, IMapTrackSource& tracks,
    const std::filesystem::path& settingsFile, const QString& cacheFolder = {});

} // namespace kivora::map
