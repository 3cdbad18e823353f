#pragma once

// Turns a source into data: candidate drives, folder listings, recording groups reported to a
// node sink, flat lists of recordings, their orders and the trigger filter. No state survives a
// call except the creation counter that numbers recording entries.

#include "kivora/recording/RecordingEntry.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora::recording {

inline constexpr int kMaxTreeNodes = 1500;
inline constexpr std::size_t kMaxListedRecordings = 1000;
inline constexpr int kMaxFolderDepth = 3;
inline constexpr int kMaxGroupMovies = 200;

// What the movie test says of a file. A test that opened the file may pass on the size it saw:
// the scan then takes it as the movie's size instead of opening the movie a second time.
struct MovieVerdict {
    // Not explicit: a test that only answers yes or no returns a bool.
    MovieVerdict(bool movie)
        : isMovie(movie)
    {
    }
    MovieVerdict(bool movie, std::uint64_t fileSize)
        : isMovie(movie)
        , size(fileSize)
    {
    }
    bool isMovie = false;
    std::optional<std::uint64_t> size;
};

// Accepts a file as a movie (the engines' file-type test). The scan never opens movies itself,
// so the caller decides: the application asks its engines, tests may accept every file.
using MovieTest = std::function<MovieVerdict(const std::filesystem::path&)>;

// The tree that receives folder and group nodes (implemented by the folder tree).
// Node ids are the sink's own; kRootNode stands for the tree's root.
using TreeNode = std::intptr_t;
inline constexpr TreeNode kRootNode = 0;

class NodeSink {
public:
    virtual ~NodeSink() = default;
    virtual int count() const = 0;
    virtual TreeNode insert(TreeNode parent, const std::string& text) = 0;
    virtual void setFlags(TreeNode node, std::uint32_t triggerFlags) = 0;
};

// Numbering of recording entries in order of creation; the browser resets it before each scan.
void ResetCreationCounter();
int CreationCounter();

// Mount points of mounted volumes whose block device is removable, in mount-table order.
// Returns the index of the last root, or -1 when there is none. The two file locations are
// parameters so that tests can stand in for the kernel's tables.
int ListRemovableDrives(std::vector<std::filesystem::path>& roots,
    const std::filesystem::path& mountTable = "/proc/mounts",
    const std::filesystem::path& sysClassBlock = "/sys/class/block");

// Every visible item of folder (hidden items, "." and ".." skipped), unsorted, with path and
// attributes (kAttrDirectory) only. False when the folder cannot be listed.
bool ListFolder(const std::filesystem::path& folder, std::vector<RecordingEntry>& listing);

// A main-camera recording movie accepted by the movie test.
bool IsListable(const std::filesystem::path& path, const MovieTest& isMovie);

// Appends the entry of one recording (sizes of its movie, partner movie and data file). False,
// with nothing added, when the path has no movie extension or the movie cannot be opened.
bool MakeRecordingEntry(const std::filesystem::path& path, std::vector<RecordingEntry>& list);
void MakeFolderEntry(const std::filesystem::path& path, std::vector<RecordingEntry>& list);

// 2: cannot be listed; 1: holds a "Main" folder or main-camera movies; 0: anything else.
int ClassifyFolder(const std::filesystem::path& folder);

// Name order of a listing; on a card "Video" comes before "Parking".
void SortByName(std::vector<RecordingEntry>& entries, bool videoFirst);
// Name order with every folder before every file.
void SortFoldersFirst(std::vector<RecordingEntry>& entries);
// Recording names first, then others; each part by file number (name index 19..24).
void SortRecordingNames(std::vector<RecordingEntry>& entries);

// Grouping state of one folder scan.
struct GroupState {
    std::string label; // current group, empty before the first movie
    int movies = 0; // movies in the current group
    long previousNumber = 0; // file number of the previous movie
    std::map<std::string, int> perDate; // date text -> last running number used
};

// Label ("yymmdd_NNNN") of the group that name joins or starts.
std::string GroupLabel(std::string_view name, GroupState& state);

// What a scan fills. recordings and folders may be null (nothing collected there).
struct ScanTargets {
    NodeSink* sink = nullptr;
    std::vector<RecordingEntry>* recordings = nullptr;
    std::vector<RecordingEntry>* folders = nullptr;
    MovieTest isMovie;
    bool isCard = false;
};

// Scans one folder of the tree (see ClassifyFolder): its subfolders as nodes, its movies as
// group nodes, or (for a group node's path, which cannot be listed) the recordings of that group.
// effectiveFolder receives the folder whose movies were used ("Main" when present).
bool ScanFolder(const std::filesystem::path& folder, const ScanTargets& targets, TreeNode parent, int depth,
    int& counter, std::filesystem::path& effectiveFolder);

// Groups the movies of folder as nodes under parent (selectedLabel empty), or appends the
// recordings of the group selectedLabel to targets.recordings.
bool ScanMovies(const std::filesystem::path& folder, const ScanTargets& targets, TreeNode parent,
    const std::string& selectedLabel, int& counter);

// The lists of several groups of one folder's movies in one pass over the folder, for a caller
// that opens every group node (a folder of N groups is then listed once, not N times). For each
// label already in lists, its recordings and counter come out as ScanMovies gives them for that
// label alone; groups are filled in listing order, which is the order of their nodes.
struct GroupList {
    std::vector<RecordingEntry> recordings;
    int counter = 0;
};
bool ScanGroupLists(
    const std::filesystem::path& folder, const MovieTest& isMovie, std::map<std::string, GroupList>& lists);

// Every main-camera movie below folder (three levels), folders first, without a limit.
bool CollectFlat(const std::filesystem::path& folder, const MovieTest& isMovie,
    std::vector<RecordingEntry>& out, int& counter, int depth = 0);

// filter = {continuous, shock, manual, parking, parking shock}. Returns the number kept.
using TriggerFilter = std::array<int, 5>;
int FilterByTrigger(const std::vector<RecordingEntry>& entries, const TriggerFilter& filter,
    std::vector<RecordingEntry>& out);

} // namespace kivora::recording
