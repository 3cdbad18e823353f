#pragma once

#include <array>
#include <string_view>

namespace kivora::recording {

// One folder of a card layout with the names the recorder gives its files there.
struct LayoutFolder {
    char letter; // camera/data letter in the file names: 'M' or 'D'
    std::string_view folder; // folder name directly below the card root
    std::string_view extension; // "MOV" or "ADA"
    std::string_view deletedExtension; // extension of a deleted marker: "DMY" or "TDA"
};

// The movie and data folders of one recording set (normal recordings or parking recordings).
struct LayoutSet {
    LayoutFolder movie;
    LayoutFolder data;
};

// One of the two folder layouts a recorder card (or a copy of one) can have.
struct FolderLayout {
    LayoutSet normal;
    LayoutSet parking;
};

inline constexpr std::array<FolderLayout, 2> kFolderLayouts { {
    { { { 'M', "Normal", "MOV", "DMY" }, { 'D', "_NData", "ADA", "TDA" } },
        { { 'M', "Parking", "MOV", "DMY" }, { 'D', "_PData", "ADA", "TDA" } } },
    { { { 'M', "Video", "MOV", "DMY" }, { 'D', "_VData", "ADA", "TDA" } },
        { { 'M', "Parking", "MOV", "DMY" }, { 'D', "_PData", "ADA", "TDA" } } },
} };

// The process-wide current layout (0 or 1; 0 at start). DetectLayout and IsRecorderCard set it;
// DataPath and MarkDeleted without an explicit layout read it. Atomic, so any thread may read it.
// On a thread inside a ThreadLayoutScope both read and set the scope's layout instead.
int currentLayout();
void setCurrentLayout(int layout);

// Gives the constructing thread a current layout of its own while it lives, so a worker that reads
// another card's files follows that card without changing the layout the window reads. Scopes nest.
class ThreadLayoutScope {
public:
    explicit ThreadLayoutScope(int layout);
    ~ThreadLayoutScope();
    ThreadLayoutScope(const ThreadLayoutScope&) = delete;
    ThreadLayoutScope& operator=(const ThreadLayoutScope&) = delete;

private:
    int m_outer;
};

// The layout table entry for index (out-of-range indexes give layout 0).
const FolderLayout& folderLayout(int layout);

} // namespace kivora::recording
