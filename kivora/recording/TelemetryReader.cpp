#include "kivora/recording/TelemetryReader.h"

#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/SampleTables.h"
#include "kivora/recording/TelemetryDecode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace kivora::recording {

namespace {

// Beyond this many frames (12 days at 30 fps) a frame count comes from a damaged movie.
constexpr std::int64_t kMaxFrameIndex = std::int64_t { 1 } << 25;

template <class T> void releaseVector(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}

// Runs a scan from the start of the opened file for the first four characters of tag.
bool scanForTag(TelemetryReader& reader, const char* tag, ScanHandler handler)
{
    TagMatcher matcher;
    matcher.tag = tag;
    matcher.length = 6;
    matcher.handler = std::move(handler);
    return ScanFromStart(reader, matcher);
}

bool readTrailerOfOpenFile(TelemetryReader& reader, std::array<char, 6>& out)
{
    bool found = false;
    const bool ok = scanForTag(reader, "CSMEND", [&](ScanReader&, std::span<const std::uint8_t> data) {
        if (data.size() >= out.size()) {
            std::memcpy(out.data(), data.data(), out.size());
            found = true;
        }
        return 1;
    });
    return ok && found;
}

std::int32_t toFrame(std::int32_t ms, float msPerFrame)
{
    const float frame = static_cast<float>(ms) / msPerFrame;
    return static_cast<std::int32_t>(std::clamp(frame, 0.0f, 2.0e9f));
}

} // namespace

TelemetrySample TelemetryReader::sampleAtFrame(std::int64_t frame) const
{
    if (frame < 0 || static_cast<std::uint64_t>(frame) >= frameIndex.size() || !frameIndex[frame])
        return {};
    const MotionSample* m = frameIndex[static_cast<std::size_t>(frame)];
    return { m->gps, m, m->vehicle };
}

TelemetrySample TelemetryReader::record(std::size_t index) const
{
    if (index >= gps.size() || index >= motion.size() || index >= vehicle.size())
        return {};
    return { &gps[index], &motion[index], &vehicle[index] };
}

bool IsTelemetryFile(const std::filesystem::path& path)
{
    MappedFile file;
    if (!file.open(path))
        return false;
    const MappedView head = file.map(0, kTagBytes);
    return head.size() == kTagBytes && std::memcmp(head.data(), kBlockStartTag.data(), kTagBytes) == 0;
}

bool InitReader(TelemetryReader& reader)
{
    closeScanFile(reader);
    Release(reader);
    reader.path.clear();
    reader.fileSize = 0;
    reader.recordCounter = 0;
    reader.cancel = 0;
    reader.viewCount = 0;
    reader.msPerFrame = 0.0f;
    reader.msPerFrameCopy = 0.0f;
    reader.mapError.clear();
    reader.msPerRecord = kMsPerRecord;
    return true;
}

bool OpenFile(TelemetryReader& reader, const std::filesystem::path& path)
{
    return openScanFile(reader, path);
}

bool DecodeAll(TelemetryReader& reader)
{
    releaseVector(reader.gps);
    releaseVector(reader.motion);
    releaseVector(reader.vehicle);
    releaseVector(reader.frameIndex);
    reader.framesBuilt = false;
    reader.declaredCount = 0;
    reader.maxAbsAccel = 0.0;
    bool outOfMemory = false;
    const bool ok = scanForTag(reader, "CSMDAT", [&](ScanReader&, std::span<const std::uint8_t> data) {
        try {
            DecodeBlock(data, reader);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        return 1;
    });
    if (!ok || outOfMemory) {
        releaseVector(reader.gps);
        releaseVector(reader.motion);
        releaseVector(reader.vehicle);
        reader.recordCounter = 0;
        return false;
    }
    reader.recordCounter = static_cast<std::int32_t>(reader.motion.size());
    reader.maxAbsAccel = MaxAbsAcceleration(reader.motion);
    return true;
}

bool Load(TelemetryReader& reader, const std::filesystem::path& path)
{
    reader.loaded = false;
    reader.recordCounter = 0;
    if (!OpenFile(reader, path) || !DecodeAll(reader)) {
        Release(reader);
        closeScanFile(reader);
        reader.path.clear();
        return false;
    }
    const std::uint64_t size = reader.fileSize;
    closeScanFile(reader);
    // Closing forgets path and size; the decoded data still belongs to them.
    reader.path = path;
    reader.fileSize = size;
    reader.loaded = true;
    return true;
}

bool LoadFromMovie(TelemetryReader& reader, const std::filesystem::path& moviePath)
{
    Release(reader);
    reader.loaded = false;
    reader.recordCounter = 0;
    reader.path.clear();
    const auto movie = OpenMovieTree(moviePath, true);
    const AtomNode* udat = movie ? detail::firstOfType(movie->root, "udat") : nullptr;
    if (!udat || udat->payload.size() < 6 || std::memcmp(udat->payload.data(), "CSMDAT", 6) != 0)
        return false;
    // The block's name tells a time-lapse block as the data file's would: they share the trigger.
    reader.path = moviePath;
    try {
        DecodeBlock(std::span<const std::uint8_t>(udat->payload).subspan(6), reader);
    } catch (const std::bad_alloc&) {
        Release(reader);
        reader.path.clear();
        return false;
    }
    reader.recordCounter = static_cast<std::int32_t>(reader.motion.size());
    reader.maxAbsAccel = MaxAbsAcceleration(reader.motion);
    reader.loaded = true;
    return true;
}

void Release(TelemetryReader& reader)
{
    releaseVector(reader.gps);
    releaseVector(reader.motion);
    releaseVector(reader.vehicle);
    releaseVector(reader.frameIndex);
    reader.header = {};
    reader.declaredCount = 0;
    reader.recordCounter = 0;
    reader.maxAbsAccel = 0.0;
    reader.framesBuilt = false;
    reader.loaded = false;
}

bool Move(TelemetryReader& from, TelemetryReader& to)
{
    if (&from == &to)
        return !to.gps.empty();
    Release(to);
    // Moving the vectors keeps every element where it is, so the links between samples and the
    // frame index stay valid.
    to.gps = std::exchange(from.gps, {});
    to.motion = std::exchange(from.motion, {});
    to.vehicle = std::exchange(from.vehicle, {});
    to.frameIndex = std::exchange(from.frameIndex, {});
    to.header = std::exchange(from.header, {});
    to.declaredCount = std::exchange(from.declaredCount, 0);
    to.recordCounter = std::exchange(from.recordCounter, 0);
    to.maxAbsAccel = std::exchange(from.maxAbsAccel, 0.0);
    to.path = std::exchange(from.path, {});
    // The record period belongs to the samples: a rebuilt frame index needs it.
    to.msPerRecord = std::exchange(from.msPerRecord, kMsPerRecord);
    to.framesBuilt = std::exchange(from.framesBuilt, false);
    to.loaded = std::exchange(from.loaded, false);
    return !to.gps.empty();
}

double MaxAbsAcceleration(std::span<const MotionSample> motion)
{
    double maxX = 0.0, maxY = 0.0, maxZ = 0.0;
    for (const MotionSample& m : motion) {
        maxX = std::max(maxX, std::fabs(m.accelX));
        maxY = std::max(maxY, std::fabs(m.accelY));
        maxZ = std::max(maxZ, std::fabs(m.accelZ));
    }
    return std::max(maxZ, std::max(maxX, maxY));
}

bool BuildFrameIndex(TelemetryReader& reader, std::int64_t frameCount, float msPerFrame)
{
    if (frameCount <= 0 || frameCount > kMaxFrameIndex || !std::isfinite(msPerFrame) || msPerFrame <= 0.0f)
        return false;
    if (reader.gps.size() != reader.motion.size() || reader.vehicle.size() != reader.motion.size())
        return false;
    try {
        reader.frameIndex.assign(static_cast<std::size_t>(frameCount), nullptr);
    } catch (const std::bad_alloc&) {
        releaseVector(reader.frameIndex);
        return false;
    }

    // Times are derived from the record index each time, so that a second build (another movie
    // timing, the sub camera) does not divide frame numbers again.
    for (MotionSample& m : reader.motion)
        m.time = toFrame(
            static_cast<std::int32_t>(static_cast<float>(m.recordIndex) * reader.msPerRecord), msPerFrame);
    for (GpsSample& g : reader.gps)
        g.time = toFrame(
            static_cast<std::int32_t>(static_cast<float>(g.recordIndex) * reader.msPerRecord), msPerFrame);
    reader.framesBuilt = true;

    auto& motion = reader.motion;
    if (!motion.empty()) {
        // The entry is written before the cursor moves, so a sample whose frame equals f is shown
        // from frame f + 1 on, and the cursor moves at most one sample per frame.
        std::size_t m = 0;
        for (std::int64_t f = 0; f < frameCount; ++f) {
            reader.frameIndex[static_cast<std::size_t>(f)] = &motion[m];
            if (m + 1 < motion.size() && motion[m + 1].time <= f)
                ++m;
        }
    }

    auto& gps = reader.gps;
    auto& vehicle = reader.vehicle;
    if (!gps.empty()) {
        std::size_t j = 0;
        for (std::size_t t = 0; t < motion.size(); ++t) {
            if (gps[j].time <= motion[t].time) {
                gps[j].motion = &motion[t];
                gps[j].vehicle = &vehicle[t];
                if (j + 1 < gps.size())
                    ++j;
            }
            // The motion sample shows the fix from five records (half a second) earlier.
            const std::size_t linked = j >= 5 ? j - 5 : 0;
            motion[t].gps = &gps[linked];
            motion[t].vehicle = &vehicle[linked];
        }
    }
    reader.maxAbsAccel = MaxAbsAcceleration(motion);
    return true;
}

bool ReadHeader(const std::filesystem::path& moviePath, TelemetryHeader& out)
{
    const std::filesystem::path dataPath = DataPath(moviePath);
    if (!IsTelemetryFile(dataPath))
        return false;
    TelemetryReader reader;
    InitReader(reader);
    if (!OpenFile(reader, dataPath))
        return false;
    bool decoded = false;
    const bool timeLapse = IsTimeLapseDataName(dataPath);
    const bool ok = scanForTag(reader, "CSMDAT", [&](ScanReader&, std::span<const std::uint8_t> data) {
        decoded = DecodeBlockHeader(data, timeLapse, out);
        return 1;
    });
    closeScanFile(reader);
    return ok && decoded;
}

bool ReadTrailer(const std::filesystem::path& moviePath, std::array<char, 6>& out)
{
    const std::filesystem::path dataPath = DataPath(moviePath);
    if (!IsTelemetryFile(dataPath))
        return false;
    TelemetryReader reader;
    InitReader(reader);
    if (!OpenFile(reader, dataPath))
        return false;
    std::array<char, 6> trailer {};
    const bool found = readTrailerOfOpenFile(reader, trailer);
    closeScanFile(reader);
    if (found)
        out = trailer;
    return found;
}

bool ReadTrack(std::span<const std::filesystem::path> moviePaths, std::vector<GpsSample>& out)
{
    std::vector<GpsSample>().swap(out);
    for (const std::filesystem::path& movie : moviePaths) {
        const std::filesystem::path dataPath = DataPath(movie);
        if (!IsTelemetryFile(dataPath))
            return false;
        TelemetryReader reader;
        InitReader(reader);
        if (!Load(reader, dataPath))
            return false;
        try {
            out.insert(out.end(), reader.gps.begin(), reader.gps.end());
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

bool ReadTrack(std::span<const RecordingEntry> entries, std::vector<GpsSample>& out)
{
    std::vector<std::filesystem::path> paths;
    paths.reserve(entries.size());
    for (const RecordingEntry& e : entries)
        paths.push_back(e.path);
    return ReadTrack(std::span<const std::filesystem::path>(paths), out);
}

bool LoadForMovie(TelemetryReader& current, TelemetryReader& preload, const std::filesystem::path& moviePath)
{
    InitReader(preload);
    // A movie without a data file must not keep showing the previous recording's telemetry.
    Release(current);
    current.path.clear();
    const std::filesystem::path dataPath = DataPath(moviePath);
    if (IsTelemetryFile(dataPath))
        Load(current, dataPath);
    return true;
}

TelemetryFileInfo InspectTelemetryFile(const std::filesystem::path& dataPath)
{
    TelemetryFileInfo info;
    TelemetryReader reader;
    InitReader(reader);
    if (!OpenFile(reader, dataPath)) {
        info.error = reader.mapError.empty() ? std::string("cannot open the file") : reader.mapError;
        return info;
    }
    info.fileSize = reader.fileSize;
    info.isTelemetryFile = IsTelemetryFile(dataPath);
    if (!info.isTelemetryFile) {
        info.error = "not a telemetry data file (no \"CSMDAT\" at its start)";
        closeScanFile(reader);
        return info;
    }
    info.decoded = DecodeAll(reader);
    if (!info.decoded)
        info.error = reader.mapError.empty() ? std::string("the telemetry block could not be read")
                                             : reader.mapError;
    info.header = reader.header;
    info.recordCount = reader.recordCounter;
    info.declaredCount = reader.declaredCount;
    info.maxAbsAccel = reader.maxAbsAccel;
    info.hasTrailer = readTrailerOfOpenFile(reader, info.trailer);
    closeScanFile(reader);
    return info;
}

} // namespace kivora::recording
