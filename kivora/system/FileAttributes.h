#pragma once

#include <filesystem>

namespace kivora::system {

// The "hidden" attribute the recorder uses for its data files and deleted markers.
// On FAT/vfat mounts it is the real FAT attribute (read and written through the FAT ioctls);
// elsewhere a name starting with '.' counts as hidden and setting the attribute changes nothing.
// Both are safe to call from any thread.

// True when the file or folder is hidden. A missing path is not hidden.
bool isHidden(const std::filesystem::path& path);

// Whether the items of an open folder carry a real hidden attribute (the folder is on a FAT
// volume). A listing asks once and then tells isHiddenIn, sparing a volume query per item.
bool hasHiddenAttribute(int folderFd);

// isHidden for the item name of the open folder folderFd, given hasHiddenAttribute of that folder.
// The item is taken to exist; it is looked up in the folder, not by its whole path.
bool isHiddenIn(int folderFd, const char* name, bool folderHasAttribute);

// Sets or clears the hidden attribute. False when the path does not exist or the file system
// refuses the change; on file systems without the attribute an existing path gives true.
bool setHidden(const std::filesystem::path& path, bool hidden);

} // namespace kivora::system
