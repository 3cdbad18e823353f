#include "kivora/recording/MovieWriter.h"

#include "kivora/recording/RecordingName.h"
#include "kivora/recording/SampleTables.h"
#include "kivora/recording/TelemetryMerge.h"
#include "kivora/system/BigEndian.h"
#include "kivora/system/Drives.h"
#include "kivora/system/FileOps.h"
#include "kivora/system/StagedFile.h"

#include <cstring>

namespace kivora::recording {

namespace fs = std::filesystem;
using namespace system;

namespace {

constexpr std::uint64_t kProgressStep = 1u << 20;

struct WriteContext {
    const AtomNode* udat = nullptr; // written as a rebuilt telemetry block
    std::uint64_t udatRecords = 0;
};

bool writeAtom(
    const AtomNode& node, StagedFile& out, const WriteContext& ctx, bool isRoot, std::string& error)
{
    if (!isRoot) {
        std::uint8_t header[8];
        writeBe32(header, std::uint32_t(ComputeSize(node)));
        std::memcpy(header + 4, node.type.data(), 4);
        if (!out.write(header, 8, error))
            return false;
    }
    if (node.isType("mdat")) {
        // Movie data comes from the source files, never from memory.
        for (const AtomNode* part = &node; part; part = part->chainNext)
            if (!out.copyFrom(*part->sourcePath, part->sourcePayloadOffset, part->sourcePayloadSize,
                    "movie data", error))
                return false;
        return true;
    }
    if (&node == ctx.udat) {
        std::vector<std::uint8_t> head(node.payload.begin(), node.payload.begin() + 32);
        const std::uint16_t count = ctx.udatRecords >= 0xFFFF ? 0xFFFF : std::uint16_t(ctx.udatRecords);
        head.push_back(std::uint8_t(count >> 8));
        head.push_back(std::uint8_t(count));
        if (!out.write(head.data(), head.size(), error))
            return false;
        // The records come from the source files, as movie data does.
        for (const AtomNode* part = &node; part; part = part->chainNext)
            if (part->recordBytes > 0
                && !out.copyFrom(
                    *part->sourcePath, part->sourcePayloadOffset + 34, part->recordBytes, "records", error))
                return false;
        return out.write("CSMEND", 6, error);
    }
    if (node.loaded && !isRoot)
        return out.write(node.payload.data(), std::size_t(node.payloadSize), error);
    for (const AtomNode& child : node.children)
        if (!writeAtom(child, out, ctx, false, error))
            return false;
    return true;
}

// Output offset of the main "mdat" payload when the tree is written.
bool mdatOutputOffset(const AtomNode& node, const AtomNode* mdat, std::uint64_t& position)
{
    for (const AtomNode& c : node.children) {
        if (&c == mdat) {
            position += 8;
            return true;
        }
        if (c.loaded || c.isType("mdat"))
            position += ComputeSize(c);
        else {
            const std::uint64_t start = position;
            position += 8;
            if (mdatOutputOffset(c, mdat, position))
                return true;
            position = start + ComputeSize(c);
        }
    }
    return false;
}

// Progress over the files of one write: reported every kProgressStep bytes and at the end.
class ProgressCount {
public:
    ProgressCount(const WriteProgress& progress, std::uint64_t total)
        : m_progress(progress)
        , m_total(total)
    {
    }
    void watch(StagedFile& file)
    {
        file.onWritten([this](std::uint64_t n) { add(n); });
    }

private:
    void add(std::uint64_t n)
    {
        const std::uint64_t before = m_done;
        m_done += n;
        if (m_progress && (before / kProgressStep != m_done / kProgressStep || m_done == m_total))
            m_progress(m_done, m_total);
    }
    const WriteProgress& m_progress;
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
};

} // namespace

bool NeedsDurableFlush(const fs::path& finalPath, const fs::path& sysDevBlock)
{
    // A flush makes the whole write wait for the disk, about as long again as the copy itself, so
    // it is spent only where a file lost in a power cut or a pulled drive costs more than the wait:
    // a replaced file may be the evidence footage that was joined into it, and a card or stick may
    // be pulled the moment the join reports success. Network and user-space file systems may hold
    // back a write error until the flush. Everywhere else the system's own write-back is what
    // every copy tool relies on, and the staged name still keeps a broken file from appearing
    // under the final name on every failure that is reported.
    if (mayExist(finalPath))
        return true;
    const fs::path folder = folderOf(finalPath);
    if (!isFolder(folder))
        return true;
    return isOnRemovableDrive(folder, sysDevBlock) || reportsErrorsLate(folder);
}

std::uint64_t ComputeSize(const AtomNode& node)
{
    const bool root = node.depth == 0 && node.type[0] == '\0';
    if (node.loaded || node.isType("mdat"))
        return node.payloadSize + (root ? 0 : 8);
    std::uint64_t size = root ? 0 : 8;
    for (const AtomNode& c : node.children)
        size += ComputeSize(c);
    return size;
}

bool StageMovie(ConcatJob& job, const fs::path& output, StagedMovie& staged, const WriteProgress& progress,
    const WriteStop& stop)
{
    job.cancelled = false;
    staged.discard();
    if (!job.main) {
        job.error = "nothing to write";
        return false;
    }
    AtomNode* mdat = job.main->list(AtomList::Mdat).front();
    const std::uint64_t movieBytes = ComputeSize(job.main->root);
    if (movieBytes > detail::kMaxMovieBytes) {
        job.error = "the joined movie would be larger than 4 GiB";
        return false;
    }
    // Chunk offsets were set for the data where the first movie had it; when the atoms before
    // it changed size (a "moov" written first), every offset moves by the same amount.
    std::uint64_t position = 0;
    if (!mdatOutputOffset(job.main->root, mdat, position)) {
        job.error = "the movie data atom is not part of the movie";
        return false;
    }
    const std::int64_t shift = std::int64_t(position) - std::int64_t(mdat->sourcePayloadOffset);
    detail::shiftChunkOffsets(*job.main, shift);

    std::string error;
    const bool writesData = job.hasTelemetry && !job.telemetry.empty();
    std::uint64_t records = 0;
    for (const TelemetryPart& part : job.telemetry)
        records += part.records;
    const fs::path dataPath = DataPath(output);
    // One decision for both files: the pair is only whole when both are there. A data file beside
    // the movie only adds whether it replaces one.
    const bool durable = NeedsDurableFlush(output)
        || (writesData
            && (folderOf(dataPath) == folderOf(output) ? mayExist(dataPath) : NeedsDurableFlush(dataPath)));
    ProgressCount count(progress, movieBytes + (writesData ? detail::dataFileSize(records) : 0));
    StagedFile& movie = staged.m_movie;
    StagedFile& data = staged.m_data;
    count.watch(movie);
    count.watch(data);
    movie.stopWhen(stop);
    data.stopWhen(stop);
    const WriteContext ctx { job.udat, job.udatRecords };
    bool ok = movie.create(output, durable, error) && writeAtom(job.main->root, movie, ctx, true, error)
        && movie.finish(error);
    if (ok && writesData)
        ok = detail::stageDataFile(
            job.telemetry.front().header, records,
            [&] {
                for (const TelemetryPart& part : job.telemetry)
                    if (!data.copyFrom(
                            part.dataFile, 34, part.records * kTelemetryRecordBytes, "records", error))
                        return false;
                return true;
            },
            output, durable, data, error);
    // Put the offsets back so that the tree still describes its sources.
    detail::shiftChunkOffsets(*job.main, -shift);
    movie.onWritten({});
    data.onWritten({}); // the count goes with this call
    // The last moment a stop can still leave everything at the target as it was.
    if (ok && stop && stop()) {
        ok = false;
        error = "writing " + quoted(output) + " was stopped";
    }
    job.cancelled = !ok && (movie.stopped() || data.stopped() || (stop && stop()));
    if (!ok) {
        job.error = error;
        staged.discard();
        return false;
    }
    staged.m_output = output;
    staged.m_writesData = writesData;
    staged.m_durable = durable;
    staged.m_ready = true;
    return true;
}

bool StagedMovie::commit(std::string& error)
{
    if (!m_ready) {
        error = "nothing to put in place";
        return false;
    }
    m_ready = false;
    const fs::path dataPath = DataPath(m_output);
    const bool replacing = fs::exists(m_output);
    if (!m_movie.commit(error))
        return false;
    if (m_writesData) {
        if (!m_data.commit(error)) {
            error = "the movie was written, but its data file was not: " + error;
            return false;
        }
    } else if (replacing) {
        // The old data file described the movie that was just replaced.
        std::error_code ec;
        fs::remove(dataPath, ec);
    }
    if (m_durable) {
        syncFolder(folderOf(m_output));
        if (folderOf(dataPath) != folderOf(m_output))
            syncFolder(folderOf(dataPath));
    }
    return true;
}

void StagedMovie::discard()
{
    m_ready = false;
    m_movie.discard();
    m_data.discard();
}

bool WriteMovie(ConcatJob& job, const fs::path& output, const WriteProgress& progress, const WriteStop& stop)
{
    StagedMovie staged;
    if (!StageMovie(job, output, staged, progress, stop))
        return false;
    if (!staged.commit(job.error))
        return false;
    return true;
}

} // namespace kivora::recording
