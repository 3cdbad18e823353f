#pragma once

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/platform/PostMessage.h"
#include "kivora/recording/RecordingScan.h"

#include <filesystem>
#include <memory>

namespace kivora::browse {

class IDriveList;

// What the browser panel is made from. The main window keeps owner and target alive as long as
// the panel.
struct BrowserPanelDeps {
    QWidget* parent = nullptr; // the main window; the panel's widget becomes its child
    IBrowserOwner* owner = nullptr;
    platform::MessageTarget ownerTarget; // receives 0x84B1 from the source watcher
    std::filesystem::path settingsFile; // SOURCE section: read at start, written by the source dialog
    double uiScale = 1.0;
    // The engines' file-type test; empty: a movie extension is enough (the engines judge the
    // content when they open it).
    recording::MovieTest isMovie;
    // Removable drives; null: the mount table.
    std::shared_ptr<const IDriveList> drives;
};

// The main window places the panel (PlaceChildren), calls RestoreSource once after start-up (or
// LoadSource + SelectInitialFolder for a source of its own), and answers the owner's calls:
// onFolderChanged → FolderSelected + SelectRow(0, 0) unless resetting() or loading();
// onFilterCommand(k) → SetFilter(k, !filter(k)). Loads of a card or folder finish later, on the
// event loop; the folder changes they cause arrive through onFolderChanged as usual.
std::unique_ptr<IBrowserPanel> createBrowserPanel(BrowserPanelDeps deps);

} // namespace kivora::browse
