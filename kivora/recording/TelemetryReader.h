#pragma once

#include "kivora/recording/AtomScan.h"
#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/TelemetrySample.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace kivora::recording {

// "hMutexFind" (the same object as findMutex()): serialises every telemetry and movie scan of the
// process. Always the last lock taken: callers may hold their own locks around a scan, never the
// other way round.
inline std::mutex& hMutexFind()
{
    return findMutex();
}

inline constexpr float kMsPerRecord = 100.0f; // ten records per second
inline constexpr float kMsPerRecordTimeLapse = 66.666664f;

// The decoding context of one data file. The playback engine owns three per camera and also probes
// movies through it (ScanReader: path, file, size, record counter, cancel flag, frame period).
// A reader is used by one thread at a time (its owner serialises its use); only `cancel` may be
// set from another thread. Not copyable; Move() hands decoded data between readers.
struct TelemetryReader : ScanReader {
    // recordCounter (ScanReader): after a decode, the number of records decoded.
    double maxAbsAccel = 0.0; // largest |X|, |Y| or |Z| in G (Load, BuildFrameIndex)

    std::vector<GpsSample> gps; // one element per record, in record order
    std::vector<MotionSample> motion; // parallel to gps
    std::vector<VehicleSample> vehicle;
    TelemetryHeader header;
    std::vector<const MotionSample*> frameIndex; // one MotionSample per video frame (BuildFrameIndex)
    std::uint16_t declaredCount = 0; // the block's 16-bit record count (0xFFFF: until the end tag)

    bool loaded = false; // true between a successful Load and the next Release
    float msPerRecord = kMsPerRecord;
    bool framesBuilt = false; // sample times are frame numbers (BuildFrameIndex ran)

    // The samples to show at a video frame (after BuildFrameIndex): the frame's MotionSample and its
    // links. All null for a frame outside the index.
    TelemetrySample sampleAtFrame(std::int64_t frame) const;
    // The three samples of one record, unlinked. All null outside the records.
    TelemetrySample record(std::size_t index) const;
};

// True when the file starts with "CSMDAT".
bool IsTelemetryFile(const std::filesystem::path& path);

// Clears every field and closes the file. The scans' mutex is process-wide, so this cannot fail.
bool InitReader(TelemetryReader& reader);

// Opens path for read-only mapping (closing a previous one), stores its size and path.
// False with reader.mapError set when it cannot be opened.
bool OpenFile(TelemetryReader& reader, const std::filesystem::path& path);

// Decodes the first telemetry block of the opened file into the reader's vectors and header.
// A file without a block, or with a cut or damaged block, gives true with the complete records
// found so far; false only when a view cannot be mapped, memory runs out or the scan was cancelled.
bool DecodeAll(TelemetryReader& reader);

// OpenFile + DecodeAll, then closes the file (the decoded data stays) and sets `loaded`.
// On failure the reader is left empty with no path.
bool Load(TelemetryReader& reader, const std::filesystem::path& path);

// Load from the copy of the telemetry block a movie carries in its "udat" atom, for a movie whose
// data file is missing. False (the reader left empty) when the movie cannot be parsed or holds no
// block; a cut block gives its complete records, as Load does.
bool LoadFromMovie(TelemetryReader& reader, const std::filesystem::path& moviePath);

// Releases samples and frame index and zeroes the decoded header.
void Release(TelemetryReader& reader);

// Moves decoded data (samples, frame index, header, record counter, maximum, path, record period)
// from `from` into `to`, releasing what `to` held; `from` is left empty.
// True when `to` now holds at least one GpsSample.
bool Move(TelemetryReader& from, TelemetryReader& to);

// Converts sample times to frame numbers, builds the frame index over frameCount frames, links the
// samples to each other and computes maxAbsAccel. False (and no change) when frameCount <= 0, is
// unreasonably large (a damaged movie), or msPerFrame is not a positive number. Without samples
// the index holds frameCount null entries.
// Safe to call again (for example with another frame count): times are derived from record indices.
bool BuildFrameIndex(TelemetryReader& reader, std::int64_t frameCount, float msPerFrame);

// Largest |X|, |Y| or |Z| of the samples, in G.
double MaxAbsAcceleration(std::span<const MotionSample> motion);

// Data-file operations that do not touch an engine's current reader. Each opens a fresh reader on
// DataPath(moviePath), serialises its scans on hMutexFind and closes the file on every path.

// Decodes only the header. False when there is no data file or no block.
bool ReadHeader(const std::filesystem::path& moviePath, TelemetryHeader& out);
// Copies the six bytes behind the end tag (the recorder's GPS data version, or six spaces).
// False and `out` unchanged when there is no data file, no end tag or fewer than six bytes behind it.
bool ReadTrailer(const std::filesystem::path& moviePath, std::array<char, 6>& out);
// Replaces `out` with the GPS samples of the movies' data files in order (record indices restart
// at 0 per file; times in milliseconds). Stops with false at the first movie whose data file is
// missing or unreadable; samples already appended stay.
bool ReadTrack(std::span<const std::filesystem::path> moviePaths, std::vector<GpsSample>& out);
bool ReadTrack(std::span<const RecordingEntry> entries, std::vector<GpsSample>& out);

// Releases and clears the preload reader, and loads the movie's data file into `current` when it is
// a telemetry file (else `current` is left released, so that no stale telemetry stays). Always
// true. The caller then runs BuildFrameIndex on `current`.
bool LoadForMovie(TelemetryReader& current, TelemetryReader& preload, const std::filesystem::path& moviePath);

// Everything the `info` command and similar read-only callers show about a data file, in one call.
struct TelemetryFileInfo {
    bool isTelemetryFile = false; // starts with "CSMDAT"
    bool decoded = false; // the block could be read (it may still hold no records)
    std::uint64_t fileSize = 0;
    TelemetryHeader header;
    std::int32_t recordCount = 0; // records decoded
    std::uint16_t declaredCount = 0; // the block's 16-bit count (0xFFFF: until the end tag)
    bool hasTrailer = false;
    std::array<char, 6> trailer {}; // six bytes behind the end tag
    double maxAbsAccel = 0.0;
    std::string error; // why the file could not be read, when it could not
};

// Reads a data file given by its own path (not a movie path).
TelemetryFileInfo InspectTelemetryFile(const std::filesystem::path& dataPath);

} // namespace kivora::recording
