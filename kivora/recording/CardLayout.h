#pragma once

#include <filesystem>

namespace kivora::recording {

// Card-level operations. They touch the file system; none keeps state except the current layout
// (FolderLayout.h) that DetectLayout and IsRecorderCard set.

// For a folder: 1 when a layout's movie folder lies directly in it, and the current layout becomes
// the one found (a normal movie folder decides the layout; a "Parking" folder alone means layout 0);
// 0 when none does (layout 0). For anything else (a movie path, which need not exist): the first
// layout whose movie folder is the file's direct parent becomes current (unchanged when none is);
// the result is 0.
int DetectLayout(const std::filesystem::path& path);

// The layout whose normal or parking movie folder is movie's direct parent (the first that fits);
// 0 when none is. Only reads the path: no layout changes.
int MovieLayout(const std::filesystem::path& movie);

// True when root (a mounted volume's root, or any folder used as a card root) holds a normal or
// parking movie folder of either layout. Sets the current layout as DetectLayout does.
bool IsRecorderCard(const std::filesystem::path& root);

// The root of the mounted volume that holds path (path itself when it is a mount point); the
// nearest existing ancestor is used for paths that do not exist. Empty when nothing exists.
std::filesystem::path MountRoot(const std::filesystem::path& path);

// Recorder-side deletion of a recording (path: its main-camera movie, a recording name): hides
// the main-camera movie and the data file and renames them to the deleted-marker names ".DMY" and
// ".TDA", leaving them on the card for the recorder. Nothing is changed when it refuses: the
// name is not a recording name, the movie is missing, or a marker already exists. A missing data
// file has nothing to mark. If a step fails midway, the steps already done are undone.
bool MarkDeleted(const std::filesystem::path& path); // current layout
bool MarkDeleted(const std::filesystem::path& path, int layout);

} // namespace kivora::recording
