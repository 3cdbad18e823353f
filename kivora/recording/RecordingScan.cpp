#include "kivora/recording/RecordingScan.h"

#include "kivora/recording/NameChars.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/system/Drives.h"
#include "kivora/system/FileOps.h"
#include "kivora/system/FolderListing.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

namespace kivora::recording {

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_creationCounter { 0 };

// One visible item of a listed folder. The scan keeps the name alone and makes whole paths only for
// what it hands on (folders it enters, movies it tests): a card folder of thousands of files then
// stays a small array instead of thousands of split-up paths.
struct FolderItem {
    fs::path name;
    bool folder = false;
};

struct FolderItems {
    fs::path folder;
    std::vector<FolderItem> items;

    fs::path pathOf(const FolderItem& item) const { return folder / item.name; }
};

// The name functions look at the last component only, so an entry's path and an item's name serve
// alike.
const fs::path& named(const RecordingEntry& e)
{
    return e.path;
}
const fs::path& named(const FolderItem& item)
{
    return item.name;
}
std::string_view nameOf(const RecordingEntry& e)
{
    return detail::lastComponent(e.path.native());
}
std::string_view nameOf(const FolderItem& item)
{
    return item.name.native();
}
bool isFolder(const RecordingEntry& e)
{
    return (e.attributes & kAttrDirectory) != 0;
}
bool isFolder(const FolderItem& item)
{
    return item.folder;
}

} // namespace

void ResetCreationCounter()
{
    g_creationCounter = 0;
}
int CreationCounter()
{
    return g_creationCounter;
}

int ListRemovableDrives(
    std::vector<fs::path>& roots, const fs::path& mountTable, const fs::path& sysClassBlock)
{
    roots = system::removableDriveRoots(mountTable, sysClassBlock);
    return static_cast<int>(roots.size()) - 1;
}

namespace {

bool listItems(const fs::path& folder, FolderItems& listing)
{
    listing.folder = folder;
    listing.items.clear();
    return system::listVisibleItems(folder, [&listing](std::string_view name, bool isFolder) {
        listing.items.push_back({ fs::path(name), isFolder });
    });
}

} // namespace

bool ListFolder(const fs::path& folder, std::vector<RecordingEntry>& listing)
{
    FolderItems items;
    if (!listItems(folder, items))
        return false;
    for (const FolderItem& item : items.items) {
        RecordingEntry entry {};
        entry.path = items.pathOf(item);
        entry.attributes = item.folder ? kAttrDirectory : 0;
        listing.push_back(std::move(entry));
    }
    return true;
}

namespace {

// The name tests of IsListable. They come first: the movie test reads the file.
bool mayBeListed(const fs::path& name)
{
    return IsMovieExtension(name) && IsMainCameraName(name);
}

MovieVerdict testMovie(const fs::path& path, const MovieTest& isMovie)
{
    return isMovie ? isMovie(path) : MovieVerdict(false);
}

// Sizes of the partner movies and data files of a folder's recordings. They lie in one or two
// folders: each folder met a second time is kept open and its files are looked up in it, so the
// kernel walks a folder's path once, not once per file. A lone file costs one plain stat.
class SizeLookup {
public:
    SizeLookup() = default;
    SizeLookup(const SizeLookup&) = delete;
    SizeLookup& operator=(const SizeLookup&) = delete;
    ~SizeLookup() = default;

    // Size of a regular file (links followed); 0 when it does not exist or is no regular file.
    std::uint64_t sizeOf(const fs::path& path)
    {
        const std::string& text = path.native();
        const std::size_t nameStart = detail::lastComponentStart(text);
        static const system::UniqueFd kNone;
        const system::UniqueFd& folder
            = nameStart == 0 ? kNone : folderFd(std::string_view(text).substr(0, nameStart));
        // Without a kept folder (met once, or it could not be opened) the whole path is looked up.
        return system::regularFileSizeAt(folder, folder ? text.c_str() + nameStart : text.c_str())
            .value_or(0);
    }

private:
    struct Folder {
        std::string path;
        system::UniqueFd fd;
        bool opened = false; // an open was tried (fd stays invalid when it failed)
    };

    const system::UniqueFd& folderFd(std::string_view folder)
    {
        static const system::UniqueFd kNone;
        for (Folder& kept : m_folders) {
            if (kept.path != folder)
                continue;
            if (!kept.opened) {
                kept.fd = system::openFolderHandle(kept.path);
                kept.opened = true;
            }
            return kept.fd;
        }
        Folder& slot = m_folders[m_next];
        m_next = (m_next + 1) % m_folders.size();
        slot = Folder { std::string(folder), system::UniqueFd(), false };
        return kNone;
    }

    std::array<Folder, 2> m_folders;
    std::size_t m_next = 0;
};

// MakeRecordingEntry with the movie's size when the movie test read it (else the movie is opened).
bool appendRecording(const fs::path& path, std::optional<std::uint64_t> knownSize, SizeLookup& sizes,
    std::vector<RecordingEntry>& list)
{
    if (!IsMovieExtension(path))
        return false;
    if (!knownSize) {
        // The size must come from an openable file: a movie we cannot read is not listed.
        knownSize = system::regularFileSize(system::openForReading(path));
        if (!knownSize)
            return false;
    }
    RecordingEntry entry {};
    entry.path = path;
    entry.sequence = g_creationCounter++;
    const int category = static_cast<int>(TriggerCategory(path));
    const std::string_view name = detail::lastComponent(path.native());
    entry.triggerLetter
        = (category >= 0 && category <= 4 && !name.empty()) ? static_cast<unsigned char>(name[0]) : 0;
    entry.marked = 0;
    // Full 64-bit sizes: a size cut to its low 32 bits would misreport files of 4 GiB and more.
    entry.mainSize = *knownSize;
    entry.subSize = sizes.sizeOf(PairPath(path));
    entry.dataSize = sizes.sizeOf(DataPath(path));
    list.push_back(std::move(entry));
    return true;
}

} // namespace

bool IsListable(const fs::path& path, const MovieTest& isMovie)
{
    return mayBeListed(path) && testMovie(path, isMovie).isMovie;
}

bool MakeRecordingEntry(const fs::path& path, std::vector<RecordingEntry>& list)
{
    SizeLookup sizes;
    return appendRecording(path, std::nullopt, sizes, list);
}

void MakeFolderEntry(const fs::path& path, std::vector<RecordingEntry>& list)
{
    RecordingEntry entry {};
    entry.path = path;
    entry.sequence = -1;
    entry.triggerLetter = 0;
    entry.mainSize = entry.subSize = entry.dataSize = kFolderEntrySize;
    list.push_back(entry);
}

namespace {

template <class Item> int classifyListing(const std::vector<Item>& listing)
{
    for (const Item& e : listing) {
        if (isFolder(e) ? nameOf(e) == "Main" : IsMainCameraName(named(e)))
            return 1;
    }
    return 0;
}

} // namespace

int ClassifyFolder(const fs::path& folder)
{
    FolderItems listing;
    if (!listItems(folder, listing))
        return 2;
    return classifyListing(listing.items);
}

namespace {

// The sorts order keys that view the items' own names and then move each item once, so that a
// listing of thousands of movies is not shuffled path by path.
struct NameKey {
    std::string_view name;
    bool folder;
    std::size_t index;
};

struct RecordingKey {
    bool recording;
    std::string_view number; // name index 19..24, or what of it exists
    std::string_view name;
    std::size_t index;
};

template <class Item> std::vector<NameKey> nameKeys(const std::vector<Item>& items)
{
    std::vector<NameKey> keys;
    keys.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        keys.push_back({ nameOf(items[i]), isFolder(items[i]), i });
    return keys;
}

template <class Item> RecordingKey recordingKey(const Item& item, std::size_t index)
{
    const std::string_view name = nameOf(item);
    return { IsRecordingName(named(item)), name.size() > 19 ? name.substr(19, 6) : std::string_view(), name,
        index };
}

// Equal file numbers have no defined order; the full name keeps the result reproducible.
bool inRecordingOrder(const RecordingKey& a, const RecordingKey& b)
{
    if (a.recording != b.recording)
        return a.recording;
    if (a.number != b.number)
        return a.number < b.number;
    return a.name < b.name;
}

template <class Item, class Key> void applyOrder(std::vector<Item>& items, const std::vector<Key>& keys)
{
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(items[key.index]));
    items = std::move(sorted);
}

template <class Item> void sortByName(std::vector<Item>& items, bool videoFirst)
{
    std::vector<NameKey> keys = nameKeys(items);
    std::stable_sort(keys.begin(), keys.end(), [videoFirst](const NameKey& a, const NameKey& b) {
        if (videoFirst) {
            if (a.name == "Video" && b.name == "Parking")
                return true;
            if (a.name == "Parking" && b.name == "Video")
                return false;
        }
        return a.name < b.name;
    });
    applyOrder(items, keys);
}

template <class Item> void sortFoldersFirst(std::vector<Item>& items)
{
    std::vector<NameKey> keys = nameKeys(items);
    std::stable_sort(keys.begin(), keys.end(), [](const NameKey& a, const NameKey& b) {
        if (a.folder != b.folder)
            return a.folder;
        return a.name < b.name;
    });
    applyOrder(items, keys);
}

} // namespace

void SortByName(std::vector<RecordingEntry>& entries, bool videoFirst)
{
    sortByName(entries, videoFirst);
}

void SortFoldersFirst(std::vector<RecordingEntry>& entries)
{
    sortFoldersFirst(entries);
}

void SortRecordingNames(std::vector<RecordingEntry>& entries)
{
    std::vector<RecordingKey> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        keys.push_back(recordingKey(entries[i], i));
    std::sort(keys.begin(), keys.end(), inRecordingOrder);
    applyOrder(entries, keys);
}

std::string GroupLabel(std::string_view name, GroupState& state)
{
    long number = 0;
    if (name.size() >= 25) {
        for (std::size_t i = 19; i < 25; ++i) {
            const char c = name[i];
            if (c < '0' || c > '9')
                break;
            number = number * 10 + (c - '0');
        }
    }
    // The first movie always starts a group, even one numbered 1 (which would otherwise "follow"
    // the missing previous movie 0 and stay without a label).
    const bool joins = !state.label.empty() && state.movies < kMaxGroupMovies
        && (name.size() < 4 || name[3] != 'S') && number == state.previousNumber + 1;
    if (!joins) {
        std::string date;
        for (std::size_t i = 5; i < name.size() && name[i] != '-'; ++i)
            date += name[i];
        const int running = ++state.perDate[date];
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%04d", running);
        state.label = date + suffix;
        state.movies = 0;
    }
    state.previousNumber = number;
    ++state.movies;
    return state.label;
}

namespace {

// Calls visit(movie, verdict, label) for each listable movie of listing in recording order, with
// the label of the group it falls in, until visit returns false. Returns the trigger flags of the
// movies met. Only the files whose names may be listed are put in order: they keep the order that
// sorting the whole listing gives them.
template <class Visit>
std::uint32_t forEachGroupedMovie(const FolderItems& listing, const MovieTest& isMovie, Visit visit)
{
    std::vector<RecordingKey> movies;
    for (std::size_t i = 0; i < listing.items.size(); ++i) {
        const FolderItem& item = listing.items[i];
        if (!item.folder && mayBeListed(item.name))
            movies.push_back(recordingKey(item, i));
    }
    std::sort(movies.begin(), movies.end(), inRecordingOrder);
    GroupState state;
    std::uint32_t flags = 0;
    for (const RecordingKey& movie : movies) {
        const fs::path path = listing.pathOf(listing.items[movie.index]);
        const MovieVerdict verdict = testMovie(path, isMovie);
        if (!verdict.isMovie)
            continue;
        TriggerFlags(path, flags);
        if (!visit(path, verdict, GroupLabel(movie.name, state)))
            break;
    }
    return flags;
}

// ScanMovies over the listing of its folder. Returns the trigger flags of all its listable movies,
// which a card's folder node shows; only for that are movies beyond the tree's node limit tested.
std::uint32_t scanMovies(const FolderItems& listing, const ScanTargets& targets, TreeNode parent,
    const std::string& selectedLabel, int& counter)
{
    SizeLookup sizes;
    const bool treeMode = selectedLabel.empty();
    std::string currentLabel;
    TreeNode currentNode = 0;
    bool haveNode = false;
    bool treeFull = false;
    std::uint32_t flags = 0;
    const std::uint32_t all = forEachGroupedMovie(listing, targets.isMovie,
        [&](const fs::path& path, const MovieVerdict& verdict, const std::string& label) {
            if (treeMode) {
                // No more nodes beyond the tree's limit; the last group keeps the flags it had then.
                if (treeFull
                    || (label != currentLabel && (!targets.sink || targets.sink->count() >= kMaxTreeNodes))) {
                    treeFull = true;
                    return targets.isCard && targets.folders != nullptr;
                }
                if (label != currentLabel) {
                    if (targets.isCard && haveNode)
                        targets.sink->setFlags(currentNode, flags);
                    flags = 0;
                    currentNode = targets.sink->insert(parent, label);
                    haveNode = true;
                    currentLabel = label;
                    if (targets.folders)
                        MakeFolderEntry(path, *targets.folders);
                }
                if (targets.isCard)
                    TriggerFlags(path, flags);
            } else if (label == selectedLabel) {
                ++counter;
                if (targets.recordings && targets.recordings->size() < kMaxListedRecordings)
                    appendRecording(path, verdict.size, sizes, *targets.recordings);
            }
            return true;
        });
    if (treeMode && targets.isCard && haveNode)
        targets.sink->setFlags(currentNode, flags);
    return all;
}

bool scanFolder(const fs::path& folder, const ScanTargets& targets, TreeNode parent, int depth, int& counter,
    fs::path& effectiveFolder, std::uint32_t& listableFlags);

// ScanSubfolders of a folder, given its listing (sorted here in name order). listableFlags: the
// trigger flags of the folder's listable movies.
bool scanSubfolders(FolderItems& listing, const ScanTargets& targets, TreeNode parent, int depth,
    int& counter, std::uint32_t& listableFlags)
{
    sortByName(listing.items, targets.isCard);
    for (const FolderItem& item : listing.items) {
        if (!item.folder)
            continue;
        if (depth >= kMaxFolderDepth || !targets.sink || targets.sink->count() >= kMaxTreeNodes)
            break;
        const TreeNode node = targets.sink->insert(parent, item.name.native());
        if (targets.isCard && targets.folders) {
            fs::path effective;
            std::uint32_t flags = 0;
            if (!scanFolder(listing.pathOf(item), targets, node, depth + 1, counter, effective, flags))
                return false;
            MakeFolderEntry(effective, *targets.folders);
            targets.sink->setFlags(node, flags);
        }
    }
    SizeLookup sizes;
    listableFlags = 0;
    for (const FolderItem& item : listing.items) {
        if (item.folder || !mayBeListed(item.name))
            continue;
        const fs::path path = listing.pathOf(item);
        const MovieVerdict verdict = testMovie(path, targets.isMovie);
        if (!verdict.isMovie)
            continue;
        TriggerFlags(path, listableFlags);
        ++counter;
        if (targets.recordings && targets.recordings->size() < kMaxListedRecordings)
            appendRecording(path, verdict.size, sizes, *targets.recordings);
    }
    return true;
}

// ScanFolder that also hands back the trigger flags of the effective folder's listable movies,
// gathered on the way, so that the caller need not list and test that folder again.
bool scanFolder(const fs::path& folder, const ScanTargets& targets, TreeNode parent, int depth, int& counter,
    fs::path& effectiveFolder, std::uint32_t& listableFlags)
{
    FolderItems listing;
    const bool listed = listItems(folder, listing);
    const int kind = !listed ? 2 : classifyListing(listing.items);
    if (kind == 0) {
        effectiveFolder = folder;
        return scanSubfolders(listing, targets, parent, depth, counter, listableFlags);
    }
    const fs::path base = kind == 1 ? folder : folder.parent_path();
    std::error_code ec;
    const fs::path main = base / "Main";
    const bool inMain = fs::is_directory(main, ec);
    effectiveFolder = inMain ? main : base;
    if (kind == 2 || inMain)
        listItems(effectiveFolder, listing);
    const std::string label = kind == 1 ? std::string() : folder.filename().string();
    if (kind == 2 && label.empty()) {
        // Never take an empty label for "every group".
        listableFlags = forEachGroupedMovie(listing, targets.isMovie,
            [](const fs::path&, const MovieVerdict&, const std::string&) { return true; });
        return true;
    }
    listableFlags = scanMovies(listing, targets, parent, label, counter);
    return true;
}

} // namespace

bool ScanMovies(const fs::path& folder, const ScanTargets& targets, TreeNode parent,
    const std::string& selectedLabel, int& counter)
{
    FolderItems listing;
    listItems(folder, listing);
    scanMovies(listing, targets, parent, selectedLabel, counter);
    return true;
}

bool ScanGroupLists(const fs::path& folder, const MovieTest& isMovie, std::map<std::string, GroupList>& lists)
{
    FolderItems listing;
    listItems(folder, listing);
    SizeLookup sizes;
    forEachGroupedMovie(
        listing, isMovie, [&](const fs::path& path, const MovieVerdict& verdict, const std::string& label) {
            const auto list = lists.find(label);
            if (list != lists.end()) {
                ++list->second.counter;
                if (list->second.recordings.size() < kMaxListedRecordings)
                    appendRecording(path, verdict.size, sizes, list->second.recordings);
            }
            return true;
        });
    return true;
}

bool ScanFolder(const fs::path& folder, const ScanTargets& targets, TreeNode parent, int depth, int& counter,
    fs::path& effectiveFolder)
{
    std::uint32_t flags = 0;
    return scanFolder(folder, targets, parent, depth, counter, effectiveFolder, flags);
}

bool CollectFlat(const fs::path& folder, const MovieTest& isMovie, std::vector<RecordingEntry>& out,
    int& counter, int depth)
{
    FolderItems listing;
    if (!listItems(folder, listing))
        return true;
    sortFoldersFirst(listing.items);
    SizeLookup sizes;
    for (const FolderItem& item : listing.items) {
        if (item.folder) {
            if (depth >= kMaxFolderDepth)
                continue;
            std::vector<RecordingEntry> inner;
            int innerCounter = 0;
            if (!CollectFlat(listing.pathOf(item), isMovie, inner, innerCounter, depth + 1))
                return false;
            if (innerCounter != 0)
                SortRecordingNames(inner);
            out.insert(
                out.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
            continue;
        }
        ++counter;
        if (!mayBeListed(item.name))
            continue;
        const fs::path path = listing.pathOf(item);
        const MovieVerdict verdict = testMovie(path, isMovie);
        if (verdict.isMovie)
            appendRecording(path, verdict.size, sizes, out);
    }
    return true;
}

int FilterByTrigger(
    const std::vector<RecordingEntry>& entries, const TriggerFilter& filter, std::vector<RecordingEntry>& out)
{
    int kept = 0;
    for (const RecordingEntry& e : entries) {
        const std::string_view name = nameOf(e);
        const char m = name.size() > 0 ? name[0] : '\0';
        const char ev = name.size() > 1 ? name[1] : '\0';
        const char w = name.size() > 2 ? name[2] : '\0';
        bool keep = false;
        bool parking = false;
        bool accepted = false;
        if (m == 'A' || m == 'T')
            keep = filter[0] != 0;
        if (ev == 'G' && (m == 'A' || m == 'T')) {
            keep = filter[1] != 0;
            accepted = keep;
        }
        if (!accepted && ev == 'M') {
            keep = filter[2] != 0;
            accepted = keep;
        }
        if (!accepted && (m == 'P' || w == 'T'))
            parking = filter[3] != 0;
        if (!accepted && m == 'P' && ev == 'G') {
            parking = filter[4] != 0;
            accepted = parking;
        }
        if (accepted || keep || parking) {
            out.push_back(e);
            ++kept;
        }
    }
    return kept;
}

} // namespace kivora::recording
