#pragma once

#include <filesystem>
#include <vector>

namespace kivora::recording {

// What the user opened. The values are stored in the settings file; keep them.
enum class SourceKind : int {
    Card = 1,        // a removable drive root from ListRemovableDrives
    Folder = 2,      // any folder (a card copy or a folder of movies)
    SingleFiles = 3, // movie files chosen one by one
};

struct RecordingSource {
    SourceKind kind = SourceKind::Folder;
    std::filesystem::path root;               // folder or drive root; empty for SingleFiles
    std::vector<std::filesystem::path> files; // chosen movies, SingleFiles only
    int layout = 0;                           // FolderLayout detected at root (0 or 1)
    bool isCard = false;                      // root holds a recorder layout: scanned as a card
};

} // namespace kivora::recording
