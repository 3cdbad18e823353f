#pragma once

// A movie file read as an atom tree, with the sample tables collected for the concatenation
// writer and the queries of the export. Only non-container payloads other than "mdat" are copied
// into memory; the movie data stays in the file.

#include "kivora/recording/MappedView.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kivora::recording {

// Receives release progress: (done, total), the values of the 0x8008 progress message.
// Called on the thread that releases the tree; a UI layer posts it on.
using ProgressCallback = std::function<void(std::int64_t done, std::int64_t total)>;

// One atom of a movie tree. Owned by its parent's `children` (the root by its sMP4MOVIE).
struct AtomNode {
    std::int32_t depth = 0; // 0 for the root
    std::vector<std::uint8_t> payload; // copy of a leaf's payload (empty for containers and "mdat")
    std::vector<AtomNode> children; // in file order
    std::int32_t loaded = 0; // 1: payload written from `payload` or the source file; 0: container
    std::array<char, 5> type {}; // NUL-terminated, empty for the root
    std::array<char16_t, 5> typeUtf16 {};
    std::shared_ptr<const std::filesystem::path> sourcePath; // shared with the owning movie
    std::uint64_t payloadSize = 0; // current payload size without the 8-byte header
    std::uint64_t payloadOffset = 0; // file offset of the payload in the source file
    std::uint64_t sourcePayloadSize = 0; // as read from the file
    std::uint64_t sourcePayloadOffset = 0;
    // Telemetry of a "udat" atom as the writer counts it.
    std::uint64_t recordBytes = 0;
    std::uint16_t recordCount = 0;
    // Atoms of the same type appended from other movies ("mdat", "udat"); not owned: the movies
    // they belong to are kept alive by whoever chains them.
    AtomNode* chainHead = nullptr;
    AtomNode* chainTail = nullptr;
    AtomNode* chainNext = nullptr;
    std::shared_ptr<const ProgressCallback> progress; // set when the movie reports release progress

    std::string_view typeName() const { return { type.data(), std::char_traits<char>::length(type.data()) }; }
    bool isType(std::string_view t) const { return typeName() == t; }
};

// Indices of the lists collected after a build, in collection order (list i of one movie pairs
// with list i of another when merging).
enum class AtomList : std::size_t { Mdat, Stsz, Stco, Mdhd, Stss, Stts, Mvhd, Tkhd, Elst, Stsd };
inline constexpr std::array<std::string_view, 10> kCollectedAtomTypes
    = { "mdat", "stsz", "stco", "mdhd", "stss", "stts", "mvhd", "tkhd", "elst", "stsd" };

// One parsed movie. Not copyable or movable: the lists point into the tree. Destroying it releases
// the tree without progress reports.
class sMP4MOVIE {
public:
    sMP4MOVIE() = default;
    sMP4MOVIE(const sMP4MOVIE&) = delete;
    sMP4MOVIE& operator=(const sMP4MOVIE&) = delete;
    virtual ~sMP4MOVIE();

    std::shared_ptr<const ProgressCallback> progress;
    MappedFile file; // read-only, open until CloseMovie
    std::shared_ptr<const std::filesystem::path> path;
    std::uint64_t fileSize = 0;
    AtomNode root; // empty type, payload = the whole file (never copied)
    // Telemetry of concatenation jobs and data files (filled by the writer side).
    std::vector<std::array<std::uint8_t, 124>> telemetryRecords;
    std::array<std::uint8_t, 26> telemetryHeader {};
    std::int64_t telemetryRecordCount = 0;
    // Every atom of each collected type, depth-first pre-order.
    std::array<std::vector<AtomNode*>, 10> lists;

    std::vector<AtomNode*>& list(AtomList which) { return lists[static_cast<std::size_t>(which)]; }
    const std::vector<AtomNode*>& list(AtomList which) const
    {
        return lists[static_cast<std::size_t>(which)];
    }
};

// Deepest nesting and most atoms a movie may have; beyond them a file is taken as hostile.
inline constexpr int kMaxAtomDepth = 64;
inline constexpr std::uint64_t kMaxAtomNodes = 1'000'000;

// True when the file has at least 260 bytes and bytes 4..7 are "ftyp".
bool IsMovieFile(const std::filesystem::path& path);
// The same test; on true, size is the file's size as read through the test's own open (a scan
// that needs the size then opens the movie once).
bool IsMovieFile(const std::filesystem::path& path, std::uint64_t& size);

// Parses the whole file into a tree and collects the lists. checkRoot: the file must be a movie
// (IsMovieFile). reportProgress: ReleaseTree of this movie calls progress. None when the file
// cannot be opened or parsed (sizes of 0 or 1, below 8, overrunning their container or the file,
// nesting deeper than kMaxAtomDepth, too many atoms, too little memory).
std::unique_ptr<sMP4MOVIE> OpenMovieTree(const std::filesystem::path& path, bool checkRoot = false,
    bool reportProgress = false, ProgressCallback progress = {});

// Fills parent's children from its payload range; false when the range does not parse.
bool BuildChildren(sMP4MOVIE& movie, AtomNode& parent, int depth);

// Width and height from the sample description of the video track (the first "stsd" when no
// track is marked as video); (-1, -1) without a usable "stsd".
std::pair<int, int> PictureSize(const sMP4MOVIE& movie);
// Sum of the sample counts of the video track's "stts"; 0 for no entries; -1 without "stts".
std::int64_t FrameCount(const sMP4MOVIE& movie);
// FrameCount × timescale / duration of the first "mvhd"; -1.0 without "mvhd", "stts" or a duration.
float FrameRate(const sMP4MOVIE& movie);

// Time scale and duration of an "mvhd" payload of version 0 or 1; zeros for anything else.
struct MovieTime {
    std::uint64_t timescale = 0;
    std::uint64_t duration = 0;
};
MovieTime DecodeMovieHeader(std::span<const std::uint8_t> mvhd);

// Releases node's payloads and children depth-first, reporting each released node when the node
// carries a progress callback (then also yielding 1 ms per node).
void ReleaseTree(AtomNode& node);
// Releases the tree with progress, empties the lists, closes the file and deletes the movie.
void CloseMovie(std::unique_ptr<sMP4MOVIE> movie);

// The process-wide node counters behind the progress values: nodes created since the last reset,
// and the total fixed by the last successful build.
std::int64_t atomNodeCounter();
std::int64_t atomNodeTotal();
void resetAtomNodeCounters();

} // namespace kivora::recording
