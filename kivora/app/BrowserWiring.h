#pragma once

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/platform/PostMessage.h"

#include <filesystem>
#include <functional>
#include <memory>

class QWidget;

namespace kivora::app {

// The browser panel the main window shows in its list column. `onLoaded` runs on the UI thread
// each time a load of a source has finished (loads of cards and folders end on the event loop).
std::unique_ptr<browse::IBrowserPanel> createWindowBrowser(QWidget* window, browse::IBrowserOwner& owner,
    platform::MessageTarget target, const std::filesystem::path& settingsFile, double uiScale,
    std::function<void()> onLoaded);

} // namespace kivora::app
