#include "kivora/recording/RecordingScan.h"

#include "kivora/recording/FileAttributes.h"
#include "kivora/recording/RecordingName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace kivora::recording {

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_creationCounter{0};

std::string nameOf(const RecordingEntry& e) { return e.path.filename().string(); }
bool isFolder(const RecordingEntry& e) { return (e.attributes & kAttrDirectory) != 0; }

// Size of a file, 0 when it does not exist or cannot be read.
std::uint64_t sizeOrZero(const fs::path& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

// /proc/mounts escapes blanks and a few other characters as three octal digits.
std::string unescapeMountField(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1])) && std::isdigit(static_cast<unsigned char>(field[i + 2]))
            && std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The disk's "removable" flag for a block device node such as /dev/sdb1 (a partition reads its
// parent disk's flag).
bool isRemovableDevice(const std::string& device, const fs::path& sysClassBlock)
{
    if (device.rfind("/dev/", 0) != 0)
        return false;
    std::error_code ec;
    const fs::path node = fs::canonical(device, ec);
    const std::string name = (ec ? fs::path(device) : node).filename().string();
    fs::path entry = sysClassBlock / name;
    if (!fs::exists(entry, ec))
        return false;
    const fs::path resolved = fs::canonical(entry, ec);
    if (!ec)
        entry = resolved;
    if (fs::exists(entry / "partition", ec))
        entry = entry.parent_path();
    std::ifstream flag(entry / "removable");
    int value = 0;
    return static_cast<bool>(flag >> value) && value == 1;
}

} // namespace

void ResetCreationCounter() { g_creationCounter = 0; }
int CreationCounter() { return g_creationCounter; }

int ListRemovableDrives(std::vector<fs::path>& roots, const fs::path& mountTable, const fs::path& sysClassBlock)
{
    roots.clear();
    std::ifstream table(mountTable);
    std::string line;
    while (std::getline(table, line)) {
        char device[4096] = {};
        char mountPoint[4096] = {};
        if (std::sscanf(line.c_str(), "%4095s %4095s", device, mountPoint) != 2)
            continue;
        if (!isRemovableDevice(unescapeMountField(device), sysClassBlock))
            continue;
        fs::path root = unescapeMountField(mountPoint);
        if (std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(std::move(root));
    }
    return static_cast<int>(roots.size()) - 1;
}

bool ListFolder(const fs::path& folder, std::vector<RecordingEntry>& listing)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return false;
    const bool withAttribute = hasHiddenAttribute(folder);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break; // a folder that vanishes mid-listing keeps what was read
        const fs::path& path = it->path();
        if (isHidden(path, withAttribute))
            continue;
        std::uint32_t attributes = 0;
        if (it->is_directory(ec))
            attributes |= kAttrDirectory;
        RecordingEntry entry{};
        entry.path = path;
        entry.attributes = attributes;
        listing.push_back(entry);
    }
    return true;
}

bool IsListable(const fs::path& path, const MovieTest& isMovie)
{
    // The name tests first: the movie test reads the file.
    return IsMovieExtension(path) && IsMainCameraName(path) && isMovie && isMovie(path);
}

bool MakeRecordingEntry(const fs::path& path, std::vector<RecordingEntry>& list)
{
    if (!IsMovieExtension(path))
        return false;
    // The size must come from an openable file: a movie we cannot read is not listed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st { };
    const bool sized = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!sized)
        return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    RecordingEntry entry{};
    entry.path = path;
    entry.sequence = g_creationCounter++;
    const int category = static_cast<int>(TriggerCategory(path));
    const std::string name = path.filename().string();
    entry.triggerLetter = (category >= 0 && category <= 4 && !name.empty()) ? static_cast<unsigned char>(name[0]) : 0;
    entry.marked = 0;
    // Full 64-bit sizes: a size cut to its low 32 bits would misreport files of 4 GiB and more.
    entry.mainSize = size;
    entry.subSize = sizeOrZero(PairPath(path));
    entry.dataSize = sizeOrZero(DataPath(path));
    list.push_back(entry);
    return true;
}

void MakeFolderEntry(const fs::path& path, std::vector<RecordingEntry>& list)
{
    RecordingEntry entry{};
    entry.path = path;
    entry.sequence = -1;
    entry.triggerLetter = 0;
    entry.mainSize = entry.subSize = entry.dataSize = kFolderEntrySize;
    list.push_back(entry);
}

namespace {
int classifyListing(const std::vector<RecordingEntry>& listing)
{
    for (const RecordingEntry& e : listing) {
        const fs::path path(e.path);
        if (isFolder(e) ? path.filename() == "Main" : IsMainCameraName(path))
            return 1;
    }
    return 0;
}
} // namespace

int ClassifyFolder(const fs::path& folder)
{
    std::vector<RecordingEntry> listing;
    if (!ListFolder(folder, listing))
        return 2;
    return classifyListing(listing);
}

void SortByName(std::vector<RecordingEntry>& entries, bool videoFirst)
{
    std::stable_sort(entries.begin(), entries.end(), [videoFirst](const RecordingEntry& a, const RecordingEntry& b) {
        const std::string na = nameOf(a), nb = nameOf(b);
        if (videoFirst) {
            if (na == "Video" && nb == "Parking")
                return true;
            if (na == "Parking" && nb == "Video")
                return false;
        }
        return na < nb;
    });
}

void SortFoldersFirst(std::vector<RecordingEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const RecordingEntry& a, const RecordingEntry& b) {
        if (isFolder(a) != isFolder(b))
            return isFolder(a);
        return nameOf(a) < nameOf(b);
    });
}

void SortRecordingNames(std::vector<RecordingEntry>& entries)
{
    struct Keyed {
        bool recording;
        std::string number;
        std::string name;
        RecordingEntry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (const RecordingEntry& e : entries) {
        const fs::path path(e.path);
        std::string name = path.filename().string();
        std::string number = name.size() > 19 ? name.substr(19, 6) : std::string();
        keyed.push_back({IsRecordingName(path), std::move(number), std::move(name), e});
    }
    // Equal file numbers have no defined order; the full name keeps the result reproducible.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.recording != b.recording)
            return a.recording;
        if (a.number != b.number)
            return a.number < b.number;
        return a.name < b.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entries[i] = keyed[i].entry;
}

std::string GroupLabel(const std::string& name, GroupState& state)
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
    const bool joins = !state.label.empty() && state.movies < kMaxGroupMovies && (name.size() < 4 || name[3] != 'S')
                       && number == state.previousNumber + 1;
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

bool ScanMovies(const fs::path& folder, const ScanTargets& targets, TreeNode parent, const std::string& selectedLabel,
                int& counter)
{
    std::vector<RecordingEntry> listing;
    ListFolder(folder, listing);
    SortRecordingNames(listing);
    const bool treeMode = selectedLabel.empty();
    GroupState state;
    std::string currentLabel;
    TreeNode currentNode = 0;
    bool haveNode = false;
    std::uint32_t flags = 0;
    for (const RecordingEntry& e : listing) {
        const fs::path path(e.path);
        if (isFolder(e) || !IsListable(path, targets.isMovie))
            continue;
        const std::string label = GroupLabel(path.filename().string(), state);
        if (treeMode) {
            if (label != currentLabel) {
                // No more nodes beyond the tree's limit; the last group keeps collecting its flags.
                if (!targets.sink || targets.sink->count() >= kMaxTreeNodes)
                    break;
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
                MakeRecordingEntry(path, *targets.recordings);
        }
    }
    if (treeMode && targets.isCard && haveNode)
        targets.sink->setFlags(currentNode, flags);
    return true;
}

bool ScanGroupLists(const fs::path& folder, const MovieTest& isMovie, std::map<std::string, GroupList>& lists)
{
    std::vector<RecordingEntry> listing;
    ListFolder(folder, listing);
    SortRecordingNames(listing);
    GroupState state;
    for (const RecordingEntry& e : listing) {
        const fs::path path(e.path);
        if (isFolder(e) || !IsListable(path, isMovie))
            continue;
        const auto list = lists.find(GroupLabel(path.filename().string(), state));
        if (list == lists.end())
            continue;
        ++list->second.counter;
        if (list->second.recordings.size() < kMaxListedRecordings)
            MakeRecordingEntry(path, list->second.recordings);
    }
    return true;
}

bool ScanSubfolders(const fs::path& folder, std::vector<RecordingEntry> listing, const ScanTargets& targets,
                    TreeNode parent, int depth, int& counter)
{
    (void)folder;
    SortByName(listing, targets.isCard);
    for (const RecordingEntry& e : listing) {
        if (!isFolder(e))
            continue;
        if (depth >= kMaxFolderDepth || !targets.sink || targets.sink->count() >= kMaxTreeNodes)
            break;
        const fs::path sub(e.path);
        const TreeNode node = targets.sink->insert(parent, sub.filename().string());
        if (targets.isCard && targets.folders) {
            fs::path effective;
            if (!ScanFolder(sub, targets, node, depth + 1, counter, effective))
                return false;
            MakeFolderEntry(effective, *targets.folders);
            std::vector<RecordingEntry> inner;
            ListFolder(effective, inner);
            std::uint32_t flags = 0;
            for (const RecordingEntry& item : inner) {
                const fs::path p(item.path);
                if (!isFolder(item) && IsListable(p, targets.isMovie))
                    TriggerFlags(p, flags);
            }
            targets.sink->setFlags(node, flags);
        }
    }
    for (const RecordingEntry& e : listing) {
        const fs::path path(e.path);
        if (isFolder(e) || !IsListable(path, targets.isMovie))
            continue;
        ++counter;
        if (targets.recordings && targets.recordings->size() < kMaxListedRecordings)
            MakeRecordingEntry(path, *targets.recordings);
    }
    return true;
}

bool ScanFolder(const fs::path& folder, const ScanTargets& targets, TreeNode parent, int depth, int& counter,
                fs::path& effectiveFolder)
{
    std::vector<RecordingEntry> listing;
    const bool listed = ListFolder(folder, listing);
    const int kind = !listed ? 2 : classifyListing(listing);
    if (kind == 0) {
        effectiveFolder = folder;
        return ScanSubfolders(folder, std::move(listing), targets, parent, depth, counter);
    }
    const fs::path base = kind == 1 ? folder : folder.parent_path();
    std::error_code ec;
    const fs::path main = base / "Main";
    effectiveFolder = fs::is_directory(main, ec) ? main : base;
    if (kind == 1)
        return ScanMovies(effectiveFolder, targets, parent, std::string(), counter);
    const std::string label = folder.filename().string();
    if (label.empty())
        return true; // never take an empty label for "every group"
    return ScanMovies(effectiveFolder, targets, parent, label, counter);
}

bool CollectFlat(const fs::path& folder, const MovieTest& isMovie, std::vector<RecordingEntry>& out, int& counter,
                 int depth)
{
    std::vector<RecordingEntry> listing;
    if (!ListFolder(folder, listing))
        return true;
    SortFoldersFirst(listing);
    for (const RecordingEntry& e : listing) {
        const fs::path path(e.path);
        if (isFolder(e)) {
            if (depth >= kMaxFolderDepth)
                continue;
            std::vector<RecordingEntry> inner;
            int innerCounter = 0;
            if (!CollectFlat(path, isMovie, inner, innerCounter, depth + 1))
                return false;
            if (innerCounter != 0)
                SortRecordingNames(inner);
            out.insert(out.end(), inner.begin(), inner.end());
            continue;
        }
        ++counter;
        if (IsListable(path, isMovie))
            MakeRecordingEntry(path, out);
    }
    return true;
}

int FilterByTrigger(const std::vector<RecordingEntry>& entries, const TriggerFilter& filter,
                    std::vector<RecordingEntry>& out)
{
    int kept = 0;
    for (const RecordingEntry& e : entries) {
        const std::string name = fs::path(e.path).filename().string();
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
