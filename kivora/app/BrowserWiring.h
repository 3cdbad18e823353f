#pragma once

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/platform/PostMessage.h"

#include <filesystem>
#include <functional>
#include <memory>

class QWidget;

namespace kivora::browse {
class IDriveList;
}

namespace kivora::app {

// The removable drives the windows made from now on offer; null (the default): the mount table.
// Lets a test present a generated card as a removable drive to the whole window.
void setWindowDriveList(std::shared_ptr<const browse::IDriveList> drives);

// The browser panel the main window shows in its list column. `onLoaded` runs on the UI thread
// each time a load of a source has finished (loads of cards and folders end on the event loop).
std::unique_ptr<browse::IBrowserPanel> createWindowBrowser(QWidget* window, browse::IBrowserOwner& owner,
    platform::MessageTarget target, const std::filesystem::path& settingsFile, double uiScale,
    std::function<void()> onLoaded);

} // namespace kivora::app
