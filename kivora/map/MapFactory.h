#pragma once

#include "kivora/map/IMapView.h"
#include "kivora/platform/PostMessage.h"

#include <QString>

#include <filesystem>
#include <memory>

namespace kivora::map {

class IMapTrackSource;

// Creates the map wrapper with its map window (hidden, without a parent until SetMapParent).
// mainWindow receives kMsgMapReady and kMsgMapCrashPointClicked; tracks (for example an
// EngineTrackSource over the two engines) must outlive the map. UI thread; needs a QApplication
// created after QtWebEngineQuick::initialize() or with Qt::AA_ShareOpenGLContexts set.
std::unique_ptr<IMapView> createMapView(platform::MessageTarget mainWindow, IMapTrackSource& tracks,
    const std::filesystem::path& settingsFile, const QString& cacheFolder = {});

} // namespace kivora::map
