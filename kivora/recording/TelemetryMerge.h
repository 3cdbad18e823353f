#pragma once

// Internal to the movie writer: the telemetry a movie carries in its "udat" atom and in its data
// file, and how a new data file is staged.

#include "kivora/recording/MovieWriter.h"
#include "kivora/system/StagedFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kivora::recording::detail {

// Telemetry records of a "udat" payload; none when it is not a whole block. A count of 0xFFFF
// means "up to the end tag" and is counted.
std::optional<std::uint64_t> udatRecordCount(const AtomNode& udat);

// The movie's first "udat", when it is loaded and holds a whole telemetry block.
AtomNode* telemetryAtom(sMP4MOVIE& movie);

// Bytes of a data file with that many records.
std::uint64_t dataFileSize(std::uint64_t records);

// Stages a data file for moviePath (at DataPath) with header, count records written by
// writeRecords (into staged) and the end tag, with the full count behind it when the 16-bit field
// cannot hold it. The file is hidden, as the recorder keeps its data files, and finished; the
// caller commits it.
bool stageDataFile(const std::array<std::uint8_t, kTelemetryHeaderBytes>& header, std::uint64_t count,
    const std::function<bool()>& writeRecords, const std::filesystem::path& moviePath, bool durable,
    system::StagedFile& staged, std::string& error);

} // namespace kivora::recording::detail
