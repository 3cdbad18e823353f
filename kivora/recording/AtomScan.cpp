#include "kivora/recording/AtomScan.h"

#include "kivora/recording/FileWindow.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/system/BigEndian.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kivora::recording {
namespace {

constexpr std::size_t kHandlerWindowSmall = 1u << 20;

std::atomic<MapErrorReporter> g_mapErrorReporter { nullptr };

constexpr auto readU32 = system::readBe32;

void reportMapFailure(ScanReader& reader)
{
    reader.mapError = reader.file.error().empty() ? std::string("Cannot map the file") : reader.file.error();
    if (MapErrorReporter report = g_mapErrorReporter.load())
        report(reader.mapError);
}

// A cancel request ends the running scan once and is then forgotten.
bool takeCancel(ScanReader& reader)
{
    return reader.cancel.exchange(0) != 0;
}

std::uint64_t scanLimit(const ScanReader& reader, const TagMatcher& matcher)
{
    return reader.fileSize > matcher.skip ? reader.fileSize - matcher.skip : 0;
}

// MapAndCall with the handler's data cut to at most maxData bytes (an atom's own payload).
bool mapAndCallBounded(ScanReader& reader, const ScanHandler& handler, std::uint64_t start,
    std::uint64_t limit, std::size_t windowSize, std::size_t dataOffset, std::uint64_t maxData)
{
    MappedView view;
    if (start < limit && windowSize > 0) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(windowSize, limit - start));
        view = reader.file.map(start, length);
        if (view.size() != std::min(length, kMaxViewBytes)) {
            reportMapFailure(reader);
            return false;
        }
        ++reader.viewCount;
    }
    std::span<const std::uint8_t> data;
    if (dataOffset < view.size()) {
        const std::size_t n
            = static_cast<std::size_t>(std::min<std::uint64_t>(view.size() - dataOffset, maxData));
        data = { view.data() + dataOffset, n };
    }
    if (handler)
        handler(reader, data);
    return true;
}

// Searches [begin, end) for atomPath[k...]. 1: the handler was called; 0: not in this range;
// -1: the scan fails.
int walkRange(ScanReader& reader, FileWindow& cursor, std::uint64_t begin, std::uint64_t end,
    std::span<const std::string_view> atomPath, std::size_t k, const ScanHandler& handler)
{
    const bool topLevel = k == 0;
    std::uint64_t p = begin;
    while (p < end) {
        if (takeCancel(reader))
            return -1;
        if (end - p < 8)
            break; // a tail too short for an atom header ends this container
        const std::uint8_t* header = cursor.at(p, 8);
        if (!header)
            return cursor.failed() ? -1 : 0;
        const std::uint64_t size = readU32(header);
        if (size < 8)
            return -1; // 0 (to the end), 1 (64-bit size) and impossible sizes are not walked
        if (size > end - p) {
            // At the top this is a file cut short: like reaching the end, nothing more to find.
            return topLevel ? 0 : -1;
        }
        const std::string_view wanted = atomPath[k];
        if (wanted.size() == 4 && std::memcmp(header + 4, wanted.data(), 4) == 0) {
            if (k + 1 == atomPath.size()) {
                return mapAndCallBounded(
                           reader, handler, p, reader.fileSize, kHandlerWindowSmall, 8, size - 8)
                    ? 1
                    : -1;
            }
            const int found = walkRange(reader, cursor, p + 8, p + size, atomPath, k + 1, handler);
            if (found != 0)
                return found;
        }
        p += size;
    }
    return 0;
}

} // namespace

bool openScanFile(ScanReader& reader, const std::filesystem::path& path)
{
    closeScanFile(reader);
    if (!reader.file.open(path)) {
        reader.mapError = reader.file.error();
        return false;
    }
    reader.path = path;
    reader.fileSize = reader.file.size();
    return true;
}

void closeScanFile(ScanReader& reader)
{
    reader.file.close();
    reader.path.clear();
    reader.fileSize = 0;
}

std::mutex& findMutex()
{
    static std::mutex hMutexFind;
    return hMutexFind;
}

void setMapErrorReporter(MapErrorReporter reporter)
{
    g_mapErrorReporter.store(reporter);
}

bool MapAndCall(ScanReader& reader, const TagMatcher& matcher, std::uint64_t position, std::size_t windowSize,
    std::size_t dataOffset)
{
    const std::uint64_t start = position + matcher.skip;
    const std::uint64_t limit = scanLimit(reader, matcher) + matcher.skip; // the view never passes the file
    return mapAndCallBounded(reader, matcher.handler, start, limit, windowSize, dataOffset, UINT64_MAX);
}

bool ScanFromStart(ScanReader& reader, TagMatcher& matcher)
{
    std::lock_guard lock(findMutex());
    reader.recordCounter = 0;
    if (!matcher.tag || matcher.length <= 0)
        return false;
    // Only the first four characters are compared: "CSMEND" is found at the first "CSME".
    const std::size_t n = static_cast<std::size_t>(std::min(matcher.length, 4));
    const std::uint64_t limit = scanLimit(reader, matcher);
    FileWindow cursor(
        reader.file, reader.fileSize, &reader.viewCount, [&reader] { reportMapFailure(reader); });
    std::uint64_t p = 0;
    if (takeCancel(reader))
        return false;
    while (p < limit) {
        const std::uint8_t* w = cursor.at(p, n);
        if (!w)
            return !cursor.failed(); // the tag no longer fits before the end of the file
        const std::uint64_t steps = std::min<std::uint64_t>(cursor.available(p) - n + 1, limit - p);
        for (std::uint64_t i = 0; i < steps; ++i) {
            if ((i & 0xFFF) == 0 && takeCancel(reader))
                return false;
            if (w[i] == static_cast<std::uint8_t>(matcher.tag[0])
                && std::memcmp(w + i, matcher.tag, n) == 0) {
                if (!matcher.handler)
                    return false;
                if (!MapAndCall(reader, matcher, p + i, kMaxViewBytes, 6))
                    return false;
                ++reader.recordCounter;
                return true;
            }
        }
        p += steps;
    }
    return true;
}

bool ScanAnywhere(ScanReader& reader, TagMatcher& matcher)
{
    std::lock_guard lock(findMutex());
    reader.recordCounter = 0;
    matcher.matched = 0;
    if (!matcher.tag || matcher.length <= 0)
        return false;
    const std::uint64_t limit = scanLimit(reader, matcher);
    const auto* tag = reinterpret_cast<const std::uint8_t*>(matcher.tag);
    FileWindow cursor(
        reader.file, reader.fileSize, &reader.viewCount, [&reader] { reportMapFailure(reader); });
    std::uint64_t p = 0;
    std::uint64_t sinceCancelCheck = 0;
    while (p < limit) {
        if ((sinceCancelCheck++ & 0xFFF) == 0 && takeCancel(reader))
            return false;
        const std::uint8_t* b = cursor.at(p, 1);
        if (!b)
            return !cursor.failed();
        if (*b == 'm' && p >= 4) {
            // Movie data is skipped whole, so that its bytes never match.
            const std::uint8_t* atom = cursor.at(p - 4, 8);
            if (!atom && cursor.failed())
                return false;
            if (atom && std::memcmp(atom + 4, "mdat", 4) == 0) {
                const std::uint64_t size = readU32(atom);
                if (size < 8 || size >= limit)
                    return false;
                p += size;
                continue;
            }
            b = cursor.at(p, 1); // the look back may have moved the view
            if (!b)
                return !cursor.failed();
        }
        if (*b == tag[matcher.matched]) {
            ++matcher.matched;
        } else {
            matcher.matched = (*b == tag[0]) ? 1 : 0;
        }
        if (matcher.matched == matcher.length) {
            matcher.matched = 0;
            if (!matcher.handler)
                return false;
            if (!MapAndCall(reader, matcher, p + 1, kHandlerWindowSmall, 0))
                return false;
            ++reader.recordCounter;
            return true;
        }
        ++p;
    }
    return true;
}

bool WalkAtomPath(ScanReader& reader, std::span<const std::string_view> atomPath, const ScanHandler& handler)
{
    std::lock_guard lock(findMutex());
    reader.recordCounter = 0;
    if (atomPath.empty())
        return false;
    FileWindow cursor(
        reader.file, reader.fileSize, &reader.viewCount, [&reader] { reportMapFailure(reader); });
    const int found = walkRange(reader, cursor, 0, reader.fileSize, atomPath, 0, handler);
    if (found > 0)
        ++reader.recordCounter;
    return found >= 0;
}

int ProbeTiming(ScanReader& reader, const std::filesystem::path& path)
{
    // A frame period left from an earlier movie must never pass for this one's.
    reader.msPerFrame = 0.0f;
    reader.msPerFrameCopy = 0.0f;
    if (!openScanFile(reader, path))
        return kProbeFailed;

    float seconds = 0.0f;
    TagMatcher mvhd;
    mvhd.tag = "mvhd";
    mvhd.length = 4;
    mvhd.handler = [&seconds](ScanReader&, std::span<const std::uint8_t> d) {
        const auto [timescale, duration] = DecodeMovieHeader(d);
        seconds = timescale ? float(duration) / float(timescale) : 0.0f;
        return 1;
    };
    bool ok = ScanAnywhere(reader, mvhd);
    if (ok) {
        ok = WalkAtomPath(
            reader, kFramePeriodPath, [&seconds](ScanReader& r, std::span<const std::uint8_t> d) {
                std::uint64_t total = 0;
                if (d.size() >= 8) {
                    const std::uint64_t entries = readU32(d.data() + 4);
                    const std::uint64_t fit = (d.size() - 8) / 8;
                    for (std::uint64_t i = 0; i < std::min(entries, fit); ++i)
                        total += readU32(d.data() + 8 + 8 * i);
                }
                float ms = 0.0f;
                if (total > 0 && seconds > 0.0f)
                    ms = 1000.0f / (float(total) / seconds);
                if (!std::isfinite(ms) || ms < 0.0f)
                    ms = 0.0f;
                r.msPerFrame = ms;
                r.msPerFrameCopy = ms;
                return 1;
            });
    }
    closeScanFile(reader);
    if (!ok)
        return kProbeFailed;

    const float ms = reader.msPerFrame;
    if (seconds > 2.0f)
        return ms > 0.0f ? kProbeOk : kProbeFailed;
    // Short clips are playable only at the time-lapse rate of 15 frames per second.
    const float fps = ms > 0.0f ? 1000.0f / ms : 0.0f;
    return (fps >= 15.0f && fps < 16.0f) ? kProbeOk : kProbeTooShort;
}

} // namespace kivora::recording
