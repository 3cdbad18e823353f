#pragma once

#include "kivora/browse/NodeRecorder.h"
#include "kivora/recording/RecordingScan.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kivora::browse {

// A folder item scanned ahead, as FolderSelected scans it: the nodes that replace its children and
// its recordings. Valid only while the tree holds as many items as nodes.count() - nodes.size()
// once the item's old children are gone (the node limit counts across both).
struct PreparedFolder {
    int level = 0;
    NodeRecorder nodes;
    std::vector<recording::RecordingEntry> recordings;
};

// Where a freshly loaded source opens: the item texts from a top item down to the folder or group
// to select, and the scans of every item on that way. The source's own tree rule (a movie folder
// first, its first group) is taken when that group lists recordings; otherwise the first folder
// that does, searched depth first with the normal and then the parking movie folder ahead of the
// rest at each level. When none does, the rule's item stands, even if empty.
struct InitialFolder {
    std::vector<std::string> texts; // top item first; empty when the tree is empty
    std::map<std::filesystem::path, PreparedFolder> prepared; // by the item's full path
};

struct InitialSearch {
    std::filesystem::path rootPath; // what the tree's item texts are joined to
    recording::ScanTargets targets; // isMovie and isCard as FolderSelected scans
    recording::TriggerFilter filter {}; // a folder whose rows are all filtered away lists nothing
    std::string normalFolder; // the current layout's movie folder names
    std::string parkingFolder;
    int maxScans = 64; // a tree of empty folders is not walked to its end
};

// Runs on the load's own thread: it touches the file system and nothing else. loaded: the
// nodes of the load's scan, which the tree holds when the search result is applied.
InitialFolder findInitialFolder(const NodeRecorder& loaded, const InitialSearch& search);

// Whether the tree's rule looks below a top item with this text, and at a child with this text.
bool isMovieFolderText(const std::string& text, const InitialSearch& search);
bool isGroupLabelText(const std::string& text);

} // namespace kivora::browse
