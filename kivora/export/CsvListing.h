#pragma once

// The CSV listing of a source's recordings: one header line and one line per recording with file
// name, date, start time, length, trigger, picture size, quality, frame rate and movie size.
// Lines are UTF-8 (the locale's character set) without a byte-order mark and end in CR LF.

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/SystemTime.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivora::exporting {

// The column titles, ending in CR LF.
std::string CsvHeaderLine();

// "<name>,-,-,-,-,-,-,fps,0MB" for a recording whose details cannot be read.
std::string CsvFallbackLine(const std::filesystem::path& movie);

// The line of one recording, ending in CR LF. enginesReady false gives the fallback line, as the
// application does while its playback engines are not set up. Reads the movie's atoms and its
// data file's header; never writes.
std::string CsvLine(const std::filesystem::path& movie, bool enginesReady = true);

// "Dv_YYYYmmdd_HHMMSS.csv" from the first recording's start.
std::string CsvFileName(const recording::SystemTime& firstStart);

// Lines done and lines in all; called on the exporting thread after each line.
using CsvProgress = std::function<void(std::size_t done, std::size_t total)>;

struct CsvResult {
    bool ok = false;
    bool cancelled = false; // stopped by the cancel flag; nothing was written (ok is false)
    std::filesystem::path path; // the listing's path (also when the write failed)
    std::string error;
};

// Writes the listing of recordings (in the given order) into folder, named after the first one.
// The file is written under a temporary name and renamed into place, so an old listing of the same
// name is replaced only by a complete one; a cancel or a failure leaves no file of this run and
// the old listing as it was. cancel, when given, is read before every line.
CsvResult WriteCsvListing(const std::vector<recording::RecordingEntry>& recordings,
    const std::filesystem::path& folder, const CsvProgress& progress = {},
    const std::atomic<bool>* cancel = nullptr, bool enginesReady = true);

} // namespace kivora::exporting
