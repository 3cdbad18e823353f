#include "kivora/recording/TelemetryMerge.h"

#include "kivora/recording/MappedView.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/SampleTables.h"
#include "kivora/system/BigEndian.h"
#include "kivora/system/FileAttributes.h"
#include "kivora/system/FileOps.h"

#include <algorithm>
#include <cstring>

namespace kivora::recording {

namespace fs = std::filesystem;
using namespace system;

namespace detail {

std::optional<std::uint64_t> udatRecordCount(const AtomNode& udat)
{
    const auto& p = udat.payload;
    if (p.size() < 34 || std::memcmp(p.data(), "CSMDAT", 6) != 0)
        return std::nullopt;
    const std::uint32_t declared = readBe16(p.data() + 32);
    if (declared == 0xFFFF) {
        std::uint64_t n = 0;
        while (34 + (n + 1) * kTelemetryRecordBytes <= p.size()
            && std::memcmp(p.data() + 34 + n * kTelemetryRecordBytes, "CSMEND", 6) != 0)
            ++n;
        return n;
    }
    if (34 + std::uint64_t(declared) * kTelemetryRecordBytes > p.size())
        return std::nullopt;
    return declared;
}

AtomNode* telemetryAtom(sMP4MOVIE& movie)
{
    AtomNode* udat = detail::firstOfType(movie.root, "udat");
    return udat && udat->loaded && udatRecordCount(*udat) ? udat : nullptr;
}

std::uint64_t dataFileSize(std::uint64_t records)
{
    return 6 + kTelemetryHeaderBytes + 2 + records * kTelemetryRecordBytes + 6 + (records >= 0xFFFF ? 4 : 0);
}

bool stageDataFile(const std::array<std::uint8_t, kTelemetryHeaderBytes>& header, std::uint64_t count,
    const std::function<bool()>& writeRecords, const fs::path& moviePath, bool durable, StagedFile& staged,
    std::string& error)
{
    std::uint8_t head[6 + kTelemetryHeaderBytes + 2];
    std::memcpy(head, "CSMDAT", 6);
    std::memcpy(head + 6, header.data(), kTelemetryHeaderBytes);
    const std::uint16_t shortCount = count >= 0xFFFF ? 0xFFFF : std::uint16_t(count);
    head[sizeof head - 2] = std::uint8_t(shortCount >> 8);
    head[sizeof head - 1] = std::uint8_t(shortCount);
    std::uint8_t tail[10] = { 'C', 'S', 'M', 'E', 'N', 'D' };
    if (count >= 0xFFFF)
        writeBe32(tail + 6, std::uint32_t(std::min<std::uint64_t>(count, 0xFFFFFFFFu)));
    if (!staged.create(DataPath(moviePath), durable, error) || !staged.write(head, sizeof head, error)
        || !writeRecords() || !staged.write(tail, count >= 0xFFFF ? 10 : 6, error))
        return false;
    // The recorder keeps its data files hidden; where the file system has no such attribute the
    // call changes nothing.
    setHidden(staged.tempPath(), true);
    return staged.finish(error);
}

} // namespace detail

std::optional<TelemetryPart> LocateTelemetry(const fs::path& moviePath)
{
    TelemetryPart part;
    part.dataFile = DataPath(moviePath);
    // The head is read rather than mapped: a join reads one per part.
    const UniqueFd in = openForReading(part.dataFile);
    const auto size = regularFileSize(in);
    std::uint8_t head[34];
    if (!size || readAt(in, head, sizeof head, 0) != sizeof head || std::memcmp(head, "CSMDAT", 6) != 0)
        return std::nullopt;
    std::memcpy(part.header.data(), head + 6, kTelemetryHeaderBytes);
    const std::uint32_t declared = readBe16(head + 32);
    const std::uint64_t fits = (*size - 34) / kTelemetryRecordBytes;
    if (declared != 0xFFFF) {
        // A cut file is not read at all rather than joined with records that are not there.
        if (declared > fits)
            return std::nullopt;
        part.records = declared;
        return part;
    }
    // An open count runs up to the end tag.
    MappedFile file;
    if (!file.open(part.dataFile))
        return std::nullopt;
    constexpr std::uint64_t kRecordsPerView = kMaxViewBytes / kTelemetryRecordBytes;
    for (std::uint64_t first = 0; first < fits; first += kRecordsPerView) {
        const std::uint64_t n = std::min(kRecordsPerView, fits - first);
        const MappedView view
            = file.map(34 + first * kTelemetryRecordBytes, std::size_t(n * kTelemetryRecordBytes));
        if (view.size() != n * kTelemetryRecordBytes)
            return std::nullopt;
        for (std::uint64_t i = 0; i < n; ++i, ++part.records)
            if (std::memcmp(view.data() + i * kTelemetryRecordBytes, "CSMEND", 6) == 0)
                return part;
    }
    return part;
}

std::unique_ptr<sMP4MOVIE> ReadTelemetryRecords(const fs::path& moviePath)
{
    const auto part = LocateTelemetry(moviePath);
    MappedFile file;
    if (!part || !file.open(part->dataFile))
        return nullptr;
    auto holder = std::make_unique<sMP4MOVIE>();
    holder->telemetryHeader = part->header;
    auto& records = holder->telemetryRecords;
    records.resize(std::size_t(part->records));
    constexpr std::uint64_t kRecordsPerView = kMaxViewBytes / kTelemetryRecordBytes;
    for (std::uint64_t first = 0; first < part->records; first += kRecordsPerView) {
        const std::uint64_t n = std::min(kRecordsPerView, part->records - first);
        const MappedView view
            = file.map(34 + first * kTelemetryRecordBytes, std::size_t(n * kTelemetryRecordBytes));
        if (view.size() != n * kTelemetryRecordBytes)
            return nullptr;
        std::memcpy(records[std::size_t(first)].data(), view.data(), view.size());
    }
    holder->telemetryRecordCount = std::int64_t(records.size());
    return holder;
}

bool WriteDataFile(const sMP4MOVIE& holder, const fs::path& moviePath, std::string& error)
{
    const fs::path path = DataPath(moviePath);
    const bool durable = NeedsDurableFlush(path);
    StagedFile staged;
    const auto& records = holder.telemetryRecords;
    // The records lie back to back in their vector.
    static_assert(sizeof(records[0]) == kTelemetryRecordBytes);
    const auto writeRecords = [&] {
        return records.empty() || staged.write(records.data(), records.size() * kTelemetryRecordBytes, error);
    };
    if (!detail::stageDataFile(
            holder.telemetryHeader, records.size(), writeRecords, moviePath, durable, staged, error)
        || !staged.commit(error))
        return false;
    if (durable)
        syncFolder(folderOf(path));
    return true;
}

} // namespace kivora::recording
