#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace kivora::system {

// Calls each(name, isFolder) for every visible item of folder: "." and "..", dot names and, on FAT
// volumes, items with the hidden attribute are skipped. A link counts as what it leads to. Items
// come in the file system's order. False when the folder cannot be opened; a read error or a
// folder that vanishes midway ends the listing with what was read.
bool listVisibleItems(const std::filesystem::path& folder,
    const std::function<void(std::string_view name, bool isFolder)>& each);

} // namespace kivora::system
