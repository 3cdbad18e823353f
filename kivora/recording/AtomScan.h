#pragma once

// Tag scans over read-only mapped views of a movie or telemetry data file, and the movie timing
// probe built on them. No scan ever reads outside a mapped view: every handler receives a span
// that ends where the mapping (and the file) ends.

#include "kivora/recording/MappedView.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace kivora::recording {

// The mapped-file part of a reading context. The telemetry reader embeds one (it also serves for
// movie files); the playback engine probes a movie through it.
// Thread: owned by one thread at a time; only `cancel` may be set from another thread.
struct ScanReader {
    std::filesystem::path path;    // the mapped file; empty when closed
    MappedFile file;
    std::uint64_t fileSize = 0;
    std::int32_t recordCounter = 0; // reset by each scan, +1 when the handler was called
    std::atomic<int> cancel{0};     // set by another thread: the running scan clears it and fails
    std::uint32_t viewCount = 0;    // successful mappings, for diagnostics
    float msPerFrame = 0.0f;        // video frame period, two copies kept alike by ProbeTiming
    float msPerFrameCopy = 0.0f;
    std::string mapError;           // system text of the last failed mapping
};

// Opens path read-only for scanning (closes a previous file first). False leaves the reader closed.
bool openScanFile(ScanReader& reader, const std::filesystem::path& path);
void closeScanFile(ScanReader& reader);

// The process-wide "hMutexFind": every scan of the process holds it for its whole run.
std::mutex& findMutex();

// Called (from the scanning thread) with the system text when a scan view cannot be mapped; the
// application shows it in a box titled "Error Message". Default: none.
using MapErrorReporter = void (*)(const std::string& systemText);
void setMapErrorReporter(MapErrorReporter reporter);

// Called with the data behind a match: the span ends at the end of the mapped view (at most the
// scan's window size, never past the file). The return value is not examined.
using ScanHandler = std::function<int(ScanReader& reader, std::span<const std::uint8_t> data)>;

// What a scan looks for. Outputs travel in the handler's captures.
struct TagMatcher {
    std::int32_t matched = 0;    // tag characters matched so far (ScanAnywhere)
    std::int32_t length = 0;     // tag length
    const char* tag = nullptr;   // ASCII tag, `length` characters
    ScanHandler handler;         // none: a match fails the scan
    std::uint64_t skip = 0;      // bytes cut from the scan limit and added to the handler's view start
};

// Finds the first position whose four bytes equal the tag's first four characters and calls the
// handler with the data six bytes behind it (32 MiB view). True also when nothing was found; false
// on a mapping failure, a cancel, or a match without handler.
bool ScanFromStart(ScanReader& reader, TagMatcher& matcher);

// Byte-wise search for the whole tag that skips the payloads of "mdat" atoms; the handler gets the
// data right behind the tag (1 MiB view). False on a mapping failure, a cancel, a broken "mdat"
// size (0, below 8, or not below the limit) or a match without handler.
bool ScanAnywhere(ScanReader& reader, TagMatcher& matcher);

// Follows atomPath (four-character codes) through the atom tree from the start of the file and
// calls the handler with the payload of the first atom reached by the full path (1 MiB view, cut
// to the atom's own size). A container whose children do not lead on is left, and the search goes
// on with its next sibling (an audio track without "stts" before the video track). True also when
// no path was found; false on a mapping failure, a cancel, or an atom whose size is 0, below 8,
// 64-bit (size 1) or overruns its container.
bool WalkAtomPath(ScanReader& reader, std::span<const std::string_view> atomPath, const ScanHandler& handler);

// "moov" "trak" "mdia" "minf" "stbl" "stts": the time-to-sample table of the first video-bearing track.
inline constexpr std::string_view kFramePeriodPath[] = {"moov", "trak", "mdia", "minf", "stbl", "stts"};

// Maps a view at position + skip of windowSize bytes (cut at the scan limit) and calls the handler
// with the data at dataOffset inside it (empty when the view is shorter). False only when the
// mapping fails.
bool MapAndCall(ScanReader& reader, const TagMatcher& matcher, std::uint64_t position, std::size_t windowSize,
                std::size_t dataOffset);

// Results of ProbeTiming.
inline constexpr int kProbeFailed = 0;
inline constexpr int kProbeOk = 1;
inline constexpr int kProbeTooShort = 2;

// Duration and frame period of a movie. 1: playable, reader.msPerFrame (both copies) holds the
// frame period. 2: 2.0 s or shorter and not a 15 fps movie (too short to play), also a movie
// without "mvhd". 0: the file cannot be opened or scanned, or a longer movie has no usable frame
// period. The reader's file is closed on return in every case; the reader's decoded telemetry is
// the caller's business.
int ProbeTiming(ScanReader& reader, const std::filesystem::path& path);

} // namespace kivora::recording
