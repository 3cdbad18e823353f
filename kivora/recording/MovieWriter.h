#pragma once

// Saves and concatenates recordings without re-encoding: the first movie's atom tree is the base,
// the sample tables of later movies are appended to it track by track, their movie data is copied
// behind the first one's, and the tree is written out with a new telemetry data file.
//
// Outputs are written to hidden temporary files in the target folder and renamed into place only
// when the movie and its data file are both complete; on any failure the temporary files are
// removed and nothing at the target changes. Where a file lost after success would cost something
// (see NeedsDurableFlush) the files are also flushed to the disk before the rename. Source files
// are only ever opened for reading, so an output path equal to one of the inputs is safe: every
// input is read before the rename.

#include "kivora/recording/MovieAtoms.h"
#include "kivora/system/StagedFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivora::recording {

inline constexpr std::size_t kTelemetryRecordBytes = 124;
inline constexpr std::size_t kTelemetryHeaderBytes = 26;

// Where the telemetry records of a movie's data file lie. They stay in the file until written, as
// movie data does.
struct TelemetryPart {
    std::filesystem::path dataFile;
    std::array<std::uint8_t, kTelemetryHeaderBytes> header {};
    std::uint64_t records = 0; // 124-byte records from byte 34 on
};

// Bytes written so far and bytes to write in all. Called on the writing thread.
using WriteProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
// Asked between chunks of a write (every few MiB): true ends it as cancelled. Writing thread.
using WriteStop = std::function<bool()>;

// One save or concatenation. Owns every movie it opened until CloseJob (or its destruction).
// Used by one thread at a time.
struct ConcatJob {
    std::unique_ptr<sMP4MOVIE> main; // the base tree every later movie is merged into
    // Their "mdat" and "udat" nodes are chained behind the main ones; once merged, their payloads
    // are released: movie data and telemetry records are read from their files when written.
    std::vector<std::unique_ptr<sMP4MOVIE>> laterMovies;
    // Every part's records in order; the new data file takes the first one's header.
    std::vector<TelemetryPart> telemetry;
    bool hasTelemetry = true; // false once a part's data file could not be read (telemetry is then empty)
    int parts = 0;
    AtomNode* udat = nullptr; // the main movie's telemetry atom, rebuilt when written
    std::uint64_t udatRecords = 0; // records of every chained "udat"
    std::string error; // why the last failing call failed
    bool cancelled = false; // the last write was stopped (error then says so)
    std::string telemetryNote; // why the output gets no data file (empty when it does)
};

// Opens the first movie of a job. False (job.error says why) when it cannot be parsed or has
// nothing to append to ("mdat", "moov").
bool OpenJob(ConcatJob& job, const std::filesystem::path& firstMovie);

// Parses the next movie and appends it. On failure the job is unchanged and job.error says why
// (cannot be parsed, tracks or picture formats that differ, an output beyond 4 GiB).
bool AddToJob(ConcatJob& job, const std::filesystem::path& nextMovie);

// The telemetry of a movie's data file (DataPath) as header and 124-byte records; none when the
// file is missing, does not start with "CSMDAT", or its records are cut short. A count of 0xFFFF
// means "up to the end tag" and is counted.
std::unique_ptr<sMP4MOVIE> ReadTelemetryRecords(const std::filesystem::path& moviePath);
// The same checks and count, without reading the records.
std::optional<TelemetryPart> LocateTelemetry(const std::filesystem::path& moviePath);

// Appends next's sample tables, durations, "mdat" and "udat" to first. nextDataStart is where
// next's movie data begins in the output, as if first's data stayed where it is in first's file.
// All-or-nothing: on failure (error says why) first is unchanged.
bool Merge(sMP4MOVIE& first, sMP4MOVIE& next, std::uint64_t nextDataStart, std::string& error);

// Size of an atom with its header as it will be written (the root: without a header).
std::uint64_t ComputeSize(const AtomNode& node);

// Writes the job's movie to output and its data file to DataPath(output) (see above). The data
// file is left out when a part had no readable telemetry (job.telemetryNote says which); a data
// file that belonged to a replaced movie of the same name is then removed, as it no longer fits.
// When stop answers true the write ends with false and job.cancelled set: the staged files are
// removed, every file it opened is closed and nothing at output changes.
bool WriteMovie(ConcatJob& job, const std::filesystem::path& output, const WriteProgress& progress = {},
    const WriteStop& stop = {});

// A movie and its data file written by StageMovie, still under their temporary names beside their
// targets: nothing at the targets has changed yet.
class StagedMovie {
public:
    // Renames both into place. False (error says why) when a rename fails.
    bool commit(std::string& error);
    // Removes both temporary files; also done on destruction unless committed.
    void discard();

private:
    friend bool StageMovie(ConcatJob& job, const std::filesystem::path& output, StagedMovie& staged,
        const WriteProgress&, const WriteStop&);
    system::StagedFile m_movie;
    system::StagedFile m_data;
    std::filesystem::path m_output;
    bool m_writesData = false;
    bool m_durable = false;
    bool m_ready = false;
};

// WriteMovie up to the renames, for a caller that must write more before anything may appear:
// on success staged holds the finished files until its commit.
bool StageMovie(ConcatJob& job, const std::filesystem::path& output, StagedMovie& staged,
    const WriteProgress& progress = {}, const WriteStop& stop = {});

// Writes a data file for holder's records at DataPath(moviePath), hidden, replacing any old one.
bool WriteDataFile(const sMP4MOVIE& holder, const std::filesystem::path& moviePath, std::string& error);

// Whether the files written for finalPath are flushed to the disk before they are renamed into
// place, and their folder after: when the rename replaces a file (it may be one of the inputs),
// when the folder lies on a drive that can be unplugged (a card, a USB disk), on a network or
// user-space file system, and whenever this cannot be told. sysDevBlock: where the kernel links
// block device numbers to their devices; tests stand in for it.
bool NeedsDurableFlush(
    const std::filesystem::path& finalPath, const std::filesystem::path& sysDevBlock = "/sys/dev/block");

// Releases every movie of the job.
void CloseJob(ConcatJob& job);

// The whole operation: the movies in order into output. False with a message in error; a stop
// (asked between movies and during the write) leaves no output and sets *cancelled when given.
bool ConcatenateMovies(const std::vector<std::filesystem::path>& inputs, const std::filesystem::path& output,
    std::string& error, std::string& telemetryNote, const WriteProgress& progress = {},
    const WriteStop& stop = {}, bool* cancelled = nullptr);

} // namespace kivora::recording
