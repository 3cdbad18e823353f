#pragma once

// The telemetry readers of the recording layer know nothing of the engines; the engine's lock
// order lives here. Lock types are template parameters so that the order can be tested with
// plain mutexes.

#include "kivora/recording/TelemetryReader.h"

#include <array>
#include <filesystem>
#include <mutex>
#include <span>
#include <vector>

namespace kivora::playback {

// ReadHeader, ReadTrailer and ReadTrack hold the main camera engine's apiLock for their whole run,
// so that no engine operation sees a data file half read by another caller.
template <class ApiLock>
bool ReadHeader(ApiLock& apiLock, const std::filesystem::path& moviePath, recording::TelemetryHeader& out)
{
    std::lock_guard lock(apiLock);
    return recording::ReadHeader(moviePath, out);
}

template <class ApiLock>
bool ReadTrailer(ApiLock& apiLock, const std::filesystem::path& moviePath, std::array<char, 6>& out)
{
    std::lock_guard lock(apiLock);
    return recording::ReadTrailer(moviePath, out);
}

template <class ApiLock, class Item>
bool ReadTrack(ApiLock& apiLock, std::span<const Item> movies, std::vector<recording::GpsSample>& out)
{
    std::lock_guard lock(apiLock);
    return recording::ReadTrack(movies, out);
}

// The engine's LoadTelemetry: the caller has already stopped (or waited out) its telemetry preload.
// parserLock is taken before apiLock, as everywhere in the engine.
template <class ParserLock, class ApiLock>
bool LoadForMovie(ParserLock& parserLock, ApiLock& apiLock, recording::TelemetryReader& current,
    recording::TelemetryReader& preload, const std::filesystem::path& moviePath)
{
    std::lock_guard parser(parserLock);
    std::lock_guard api(apiLock);
    return recording::LoadForMovie(current, preload, moviePath);
}

} // namespace kivora::playback
