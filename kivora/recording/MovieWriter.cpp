#include "kivora/recording/MovieWriter.h"

#include "kivora/recording/FileAttributes.h"
#include "kivora/recording/RecordingName.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>

namespace kivora::recording {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxMovieBytes = 0xFFFFFFFFull; // 32-bit atom sizes and chunk offsets
constexpr std::size_t kCopyChunk = 8u << 20;           // well under the 32 MiB view limit
constexpr std::size_t kBufferBytes = 1u << 20; // copies through user memory
constexpr std::uint64_t kProgressStep = 1u << 20;
constexpr std::uint64_t kWriteBackStep = 4u << 20;

std::uint32_t rd32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint64_t rd64(const std::uint8_t* p) { return (std::uint64_t(rd32(p)) << 32) | rd32(p + 4); }
void wr32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
void wr64(std::uint8_t* p, std::uint64_t v)
{
    wr32(p, std::uint32_t(v >> 32));
    wr32(p + 4, std::uint32_t(v));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    std::uint8_t b[4];
    wr32(b, v);
    out.insert(out.end(), b, b + 4);
}

std::string systemError() { return std::strerror(errno); }
std::string quoted(const fs::path& p)
{
    std::string text(1, '\'');
    text += p.string();
    text += '\'';
    return text;
}

AtomNode* childOf(AtomNode* node, std::string_view type)
{
    if (!node)
        return nullptr;
    for (AtomNode& c : node->children)
        if (c.isType(type))
            return &c;
    return nullptr;
}

AtomNode* firstOfType(AtomNode& node, std::string_view type)
{
    for (AtomNode& c : node.children) {
        if (c.isType(type))
            return &c;
        if (!c.isType("mdat"))
            if (AtomNode* found = firstOfType(c, type))
                return found;
    }
    return nullptr;
}

int countOfType(const AtomNode& node, std::string_view type)
{
    int n = 0;
    for (const AtomNode& c : node.children)
        n += (c.isType(type) ? 1 : 0) + (c.isType("mdat") ? 0 : countOfType(c, type));
    return n;
}

// A full-box table: version/flags, entry count, entries of entrySize bytes from headerBytes on.
struct Table {
    const std::vector<std::uint8_t>* payload = nullptr;
    std::uint32_t count = 0;
    std::size_t header = 8;
    std::size_t entrySize = 4;
    const std::uint8_t* entry(std::uint32_t i) const { return payload->data() + header + std::size_t(i) * entrySize; }
};

std::optional<Table> readTable(const AtomNode* node, std::size_t countOffset, std::size_t header, std::size_t entrySize)
{
    if (!node || node->payload.size() < header)
        return std::nullopt;
    Table t{&node->payload, rd32(node->payload.data() + countOffset), header, entrySize};
    if (node->payload.size() < header + std::uint64_t(t.count) * entrySize)
        return std::nullopt;
    return t;
}

// Duration fields of the full boxes that carry one: version 0 holds 32 bits, version 1 64 bits.
struct Field {
    std::size_t offset;
    bool wide;
};
std::optional<Field> durationField(const AtomNode* node, std::size_t v0, std::size_t v1)
{
    if (!node || node->payload.empty())
        return std::nullopt;
    const bool wide = node->payload[0] == 1;
    const Field f{wide ? v1 : v0, wide};
    if (node->payload.size() < f.offset + (wide ? 8 : 4))
        return std::nullopt;
    return f;
}
std::uint64_t readField(const AtomNode* node, Field f)
{
    return f.wide ? rd64(node->payload.data() + f.offset) : rd32(node->payload.data() + f.offset);
}

// The atoms of one track that merging reads or edits.
struct Track {
    AtomNode* tkhd = nullptr;
    AtomNode* elst = nullptr;
    AtomNode* mdhd = nullptr;
    AtomNode* hdlr = nullptr;
    AtomNode* stsd = nullptr;
    AtomNode* stts = nullptr;
    AtomNode* stsz = nullptr;
    AtomNode* stsc = nullptr;
    AtomNode* stco = nullptr;
    AtomNode* stss = nullptr;
    AtomNode* ctts = nullptr;
    bool unsupported = false; // 64-bit offsets, compact sizes or per-sample tables we cannot append
};

Track trackOf(AtomNode& trak)
{
    Track t;
    t.tkhd = childOf(&trak, "tkhd");
    t.elst = childOf(childOf(&trak, "edts"), "elst");
    AtomNode* mdia = childOf(&trak, "mdia");
    t.mdhd = childOf(mdia, "mdhd");
    t.hdlr = childOf(mdia, "hdlr");
    AtomNode* stbl = childOf(childOf(mdia, "minf"), "stbl");
    t.stsd = childOf(stbl, "stsd");
    t.stts = childOf(stbl, "stts");
    t.stsz = childOf(stbl, "stsz");
    t.stsc = childOf(stbl, "stsc");
    t.stco = childOf(stbl, "stco");
    t.stss = childOf(stbl, "stss");
    t.ctts = childOf(stbl, "ctts");
    t.unsupported = childOf(stbl, "co64") || childOf(stbl, "stz2") || childOf(stbl, "sdtp");
    return t;
}

std::vector<Track> tracksOf(AtomNode* moov)
{
    std::vector<Track> tracks;
    if (moov)
        for (AtomNode& c : moov->children)
            if (c.isType("trak"))
                tracks.push_back(trackOf(c));
    return tracks;
}

// A sample size table: one constant size for every sample, or a table of sizes.
struct SampleSizes {
    std::uint32_t constant = 0;
    std::uint32_t count = 0;
    const std::uint8_t* table = nullptr; // count big-endian sizes when constant is 0
};

std::optional<SampleSizes> sampleSizes(const AtomNode* stsz)
{
    if (!stsz || stsz->payload.size() < 12)
        return std::nullopt;
    const SampleSizes s { rd32(stsz->payload.data() + 4), rd32(stsz->payload.data() + 8), nullptr };
    if (s.constant != 0)
        return s;
    const auto t = readTable(stsz, 8, 12, 4);
    if (!t)
        return std::nullopt;
    return SampleSizes { 0, s.count, t->entry(0) };
}

// Appends the sizes as a table.
void appendSizes(std::vector<std::uint8_t>& out, const SampleSizes& s)
{
    if (s.constant == 0) {
        out.insert(out.end(), s.table, s.table + std::size_t(s.count) * 4);
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + std::size_t(s.count) * 4);
    for (std::uint32_t i = 0; i < s.count; ++i)
        wr32(out.data() + at + std::size_t(i) * 4, s.constant);
}

// Run-length tables ("stts", "ctts"): entries of (count, value), neighbours with equal values join.
std::vector<std::uint8_t> appendRuns(const Table& a, const Table& b)
{
    std::vector<std::uint8_t> out(a.payload->begin(), a.payload->begin() + 8);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    for (const Table* t : {&a, &b})
        for (std::uint32_t i = 0; i < t->count; ++i) {
            const std::uint32_t n = rd32(t->entry(i)), v = rd32(t->entry(i) + 4);
            if (!runs.empty() && runs.back().second == v && std::uint64_t(runs.back().first) + n <= 0xFFFFFFFFu)
                runs.back().first += n;
            else
                runs.emplace_back(n, v);
        }
    wr32(out.data() + 4, std::uint32_t(runs.size()));
    for (const auto& [n, v] : runs) {
        put32(out, n);
        put32(out, v);
    }
    return out;
}

// A change of one table payload, built before anything is changed: the payload is cut to keep
// bytes, tail is appended and 32-bit header words are set. The first movie's buffer grows in
// place, so that a join of many parts does not copy its growing tables again for every part.
struct TableEdit {
    bool used = false;
    std::size_t keep = 0;
    std::vector<std::uint8_t> tail;
    std::vector<std::pair<std::size_t, std::uint32_t>> words; // (offset, value)

    void apply(AtomNode* node)
    {
        if (!node || !used)
            return;
        node->payload.resize(keep);
        node->payload.insert(node->payload.end(), tail.begin(), tail.end());
        for (const auto& [offset, value] : words)
            wr32(node->payload.data() + offset, value);
        node->payloadSize = node->payload.size();
    }
};

// A whole new payload.
TableEdit replacement(std::vector<std::uint8_t>&& payload)
{
    TableEdit e;
    e.used = !payload.empty();
    e.tail = std::move(payload);
    return e;
}

// The changes of one track pair.
struct TrackEdit {
    Track* first = nullptr;
    TableEdit stts, stsz, stsc, stco, stss, ctts;
    std::uint64_t tkhdAdd = 0, mdhdAdd = 0, elstAdd = 0;
};

// Appends a 32-bit big-endian value to a tail sized beforehand, at p (advanced).
void put32At(std::uint8_t*& p, std::uint32_t v)
{
    wr32(p, v);
    p += 4;
}

bool addField(AtomNode* node, Field f, std::uint64_t add, std::string& error)
{
    const std::uint64_t sum = readField(node, f) + add;
    if (!f.wide && sum > 0xFFFFFFFFull) {
        error = "the joined movie would be too long for its duration fields";
        return false;
    }
    if (f.wide)
        wr64(node->payload.data() + f.offset, sum);
    else
        wr32(node->payload.data() + f.offset, std::uint32_t(sum));
    return true;
}

// Whether the samples of b can follow those of a without re-encoding. Pictures must match in every
// detail of their description (size, codec setup); sound must match in codec, channels and rate
// (its description also carries bit rates, which differ from movie to movie).
bool sameFormat(const Track& a, const Track& b)
{
    if (!a.hdlr || !b.hdlr || a.hdlr->payload.size() < 12 || b.hdlr->payload.size() < 12
        || std::memcmp(a.hdlr->payload.data() + 8, b.hdlr->payload.data() + 8, 4) != 0)
        return false;
    const auto& x = a.stsd->payload;
    const auto& y = b.stsd->payload;
    if (std::memcmp(a.hdlr->payload.data() + 8, "vide", 4) == 0)
        return x == y;
    constexpr std::size_t kEntryFixedEnd = 16 + 28; // format, reserved, version ... sample rate
    return x.size() >= kEntryFixedEnd && y.size() >= kEntryFixedEnd
           && std::equal(x.begin() + 4, x.begin() + kEntryFixedEnd, y.begin() + 4);
}

bool buildTrackEdit(Track& a, Track& b, std::int64_t offsetDelta, std::size_t index, TrackEdit& edit,
                    std::string& error)
{
    const std::string which = "track " + std::to_string(index + 1);
    if (a.unsupported || b.unsupported || !a.stsd || !b.stsd || !a.stco || !b.stco || !a.stsz || !b.stsz || !a.stsc
        || !b.stsc || !a.stts || !b.stts || !a.mdhd || !b.mdhd) {
        error = which + " has sample tables that cannot be joined";
        return false;
    }
    if (!sameFormat(a, b)) {
        error = which + " has a different picture or sound format";
        return false;
    }
    const auto aScale = durationField(a.mdhd, 12, 20), bScale = durationField(b.mdhd, 12, 20);
    if (!aScale || !bScale || readField(a.mdhd, *aScale) != readField(b.mdhd, *bScale)) {
        error = which + " has a different time scale";
        return false;
    }
    if ((a.ctts != nullptr) != (b.ctts != nullptr) || (!a.stss && b.stss)) {
        error = which + " has sample tables that cannot be joined";
        return false;
    }
    const auto aStts = readTable(a.stts, 4, 8, 8), bStts = readTable(b.stts, 4, 8, 8);
    const auto aStsc = readTable(a.stsc, 4, 8, 12), bStsc = readTable(b.stsc, 4, 8, 12);
    const auto aStco = readTable(a.stco, 4, 8, 4), bStco = readTable(b.stco, 4, 8, 4);
    const auto aSizes = sampleSizes(a.stsz), bSizes = sampleSizes(b.stsz);
    if (!aStts || !bStts || !aStsc || !bStsc || !aStco || !bStco || !aSizes || !bSizes) {
        error = which + " has a damaged sample table";
        return false;
    }
    edit.first = &a;
    edit.stts = replacement(appendRuns(*aStts, *bStts));

    // Sample sizes: a shared constant size stays constant, anything else becomes a table.
    const std::uint64_t samples = std::uint64_t(aSizes->count) + bSizes->count;
    if (samples > 0xFFFFFFFFull) {
        error = which + " would have too many samples";
        return false;
    }
    edit.stsz.used = true;
    edit.stsz.keep = 12;
    if (aSizes->constant != 0 && aSizes->constant == bSizes->constant) {
        edit.stsz.words = { { 4, aSizes->constant }, { 8, std::uint32_t(samples) } };
    } else {
        if (aSizes->constant == 0)
            edit.stsz.keep += std::size_t(aSizes->count) * 4;
        else
            appendSizes(edit.stsz.tail, *aSizes);
        appendSizes(edit.stsz.tail, *bSizes);
        edit.stsz.words = { { 4, 0 }, { 8, std::uint32_t(samples) } };
    }

    // Sample-to-chunk: next's runs start after first's chunks; a run that only repeats the last
    // one is dropped.
    edit.stsc.used = true;
    edit.stsc.keep = 8 + std::size_t(aStsc->count) * 12;
    std::uint32_t stscCount = aStsc->count;
    for (std::uint32_t i = 0; i < bStsc->count; ++i) {
        const std::uint8_t* e = bStsc->entry(i);
        const std::uint32_t firstChunk = rd32(e) + aStco->count;
        if (i == 0 && stscCount > 0) {
            const std::uint8_t* last = aStsc->entry(aStsc->count - 1);
            if (rd32(last + 4) == rd32(e + 4) && rd32(last + 8) == rd32(e + 8))
                continue;
        }
        put32(edit.stsc.tail, firstChunk);
        put32(edit.stsc.tail, rd32(e + 4));
        put32(edit.stsc.tail, rd32(e + 8));
        ++stscCount;
    }
    edit.stsc.words = { { 4, stscCount } };

    // Chunk offsets of next point into its own file; move them to where its data is written.
    edit.stco.used = true;
    edit.stco.keep = 8 + std::size_t(aStco->count) * 4;
    edit.stco.tail.resize(std::size_t(bStco->count) * 4);
    std::uint8_t* out = edit.stco.tail.data();
    for (std::uint32_t i = 0; i < bStco->count; ++i) {
        const std::int64_t moved = std::int64_t(rd32(bStco->entry(i))) + offsetDelta;
        if (moved < 0 || moved > std::int64_t(kMaxMovieBytes)) {
            error = "the joined movie would be larger than 4 GiB";
            return false;
        }
        put32At(out, std::uint32_t(moved));
    }
    edit.stco.words = { { 4, aStco->count + bStco->count } };

    // Sync samples: next's numbers follow first's samples; a next without the table is all sync.
    if (a.stss) {
        const auto aStss = readTable(a.stss, 4, 8, 4);
        const auto bStss = b.stss ? readTable(b.stss, 4, 8, 4) : std::nullopt;
        if (!aStss || (b.stss && !bStss)) {
            error = which + " has a damaged sync sample table";
            return false;
        }
        const std::uint32_t base = aSizes->count;
        const std::uint32_t added = bStss ? bStss->count : bSizes->count;
        edit.stss.used = true;
        edit.stss.keep = 8 + std::size_t(aStss->count) * 4;
        edit.stss.tail.resize(std::size_t(added) * 4);
        std::uint8_t* sync = edit.stss.tail.data();
        for (std::uint32_t i = 0; i < added; ++i)
            put32At(sync, base + (bStss ? rd32(bStss->entry(i)) : i + 1));
        edit.stss.words = { { 4, aStss->count + added } };
    }
    if (a.ctts) {
        const auto aCtts = readTable(a.ctts, 4, 8, 8), bCtts = readTable(b.ctts, 4, 8, 8);
        if (!aCtts || !bCtts) {
            error = which + " has a damaged composition offset table";
            return false;
        }
        edit.ctts = replacement(appendRuns(*aCtts, *bCtts));
    }

    const auto bMdhd = durationField(b.mdhd, 16, 24), bTkhd = durationField(b.tkhd, 20, 28);
    if (!bMdhd || !bTkhd || !durationField(a.mdhd, 16, 24) || !durationField(a.tkhd, 20, 28)) {
        error = which + " has a damaged header";
        return false;
    }
    edit.mdhdAdd = readField(b.mdhd, *bMdhd);
    edit.tkhdAdd = readField(b.tkhd, *bTkhd);
    const auto aMdhd = durationField(a.mdhd, 16, 24), aTkhd = durationField(a.tkhd, 20, 28);
    if ((!aMdhd->wide && readField(a.mdhd, *aMdhd) + edit.mdhdAdd > 0xFFFFFFFFull)
        || (!aTkhd->wide && readField(a.tkhd, *aTkhd) + edit.tkhdAdd > 0xFFFFFFFFull)) {
        error = "the joined movie would be too long for its duration fields";
        return false;
    }
    // The edit list shows the whole of every part: next's edits (or its track) lengthen the last edit.
    edit.elstAdd = edit.tkhdAdd;
    if (b.elst) {
        const bool wide = !b.elst->payload.empty() && b.elst->payload[0] == 1;
        const auto bList = readTable(b.elst, 4, 8, wide ? 20 : 12);
        if (bList && bList->count > 0) {
            edit.elstAdd = 0;
            for (std::uint32_t i = 0; i < bList->count; ++i)
                edit.elstAdd += wide ? rd64(bList->entry(i)) : rd32(bList->entry(i));
        }
    }
    return true;
}

// Telemetry records of a "udat" payload; none when it is not a whole block.
std::optional<std::uint64_t> udatRecordCount(const AtomNode& udat)
{
    const auto& p = udat.payload;
    if (p.size() < 34 || std::memcmp(p.data(), "CSMDAT", 6) != 0)
        return std::nullopt;
    const std::uint32_t declared = (std::uint32_t(p[32]) << 8) | p[33];
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

// The movie's only "udat" that holds a whole telemetry block, or none.
AtomNode* telemetryAtom(sMP4MOVIE& movie)
{
    AtomNode* udat = firstOfType(movie.root, "udat");
    return udat && udat->loaded && udatRecordCount(*udat) ? udat : nullptr;
}

// Closes a descriptor when it goes out of scope.
struct FileHandle {
    explicit FileHandle(int descriptor)
        : fd(descriptor)
    {
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

// A hidden temporary file beside its final name; removed unless committed.
class StagedFile {
public:
    StagedFile() = default;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() { discard(); }

    // durable: flushed to the disk before it is renamed into place (NeedsDurableFlush).
    bool create(const fs::path& finalPath, bool durable, std::string& error)
    {
        m_final = finalPath;
        m_durable = durable;
        static std::atomic<unsigned> serial{0};
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name(1, '.');
            name += finalPath.filename().string();
            name += ".kivora-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + "-"
                + std::to_string(random() % 100000) + ".part";
            const fs::path temp = finalPath.parent_path() / name;
            m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0) {
                m_temp = temp;
                return true;
            }
            if (errno != EEXIST)
                break;
        }
        error = "cannot create a file in " + quoted(finalPath.parent_path()) + ": " + systemError();
        return false;
    }

    bool write(const void* data, std::size_t size, std::string& error)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = ::write(m_fd, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = "cannot write " + quoted(m_final) + ": " + (n < 0 ? systemError() : "disk full");
                return false;
            }
            p += n;
            size -= std::size_t(n);
            advance(std::uint64_t(n));
        }
        return true;
    }

    // Copies [offset, offset + length) of source behind what was written; what names the range
    // for the message when the source turns out shorter.
    bool copyFrom(const fs::path& source, std::uint64_t offset, std::uint64_t length, const char* what,
        std::string& error)
    {
        const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (in < 0) {
            error = "cannot read " + quoted(source) + ": " + systemError();
            return false;
        }
        bool ok = copyRange(in, source, offset, length, what, error);
        ::close(in);
        return ok;
    }

    // When durable, flushes to the disk so that the rename never exposes a file whose data is not
    // there yet.
    bool finish(std::string& error)
    {
        if ((m_durable && ::fsync(m_fd) != 0) || ::close(m_fd) != 0) {
            error = "cannot write " + quoted(m_final) + ": " + systemError();
            m_fd = -1;
            return false;
        }
        m_fd = -1;
        return true;
    }

    bool commit(std::string& error)
    {
        if (::rename(m_temp.c_str(), m_final.c_str()) != 0) {
            error = "cannot replace " + quoted(m_final) + ": " + systemError();
            return false;
        }
        m_temp.clear();
        return true;
    }

    void discard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_temp.empty())
            ::unlink(m_temp.c_str());
        m_temp.clear();
    }

    const fs::path& tempPath() const { return m_temp; }
    void setProgress(const WriteProgress* progress, std::uint64_t* done, std::uint64_t total)
    {
        m_progress = progress;
        m_done = done;
        m_total = total;
    }

private:
    bool copyRange(int in, const fs::path& source, std::uint64_t offset, std::uint64_t length,
        const char* what, std::string& error)
    {
        // Cheapest first: a copy inside the file system, a copy inside the kernel (which also
        // crosses file systems, as from a card to the disk), and a read into a buffer.
        enum class Path { Range, SendFile, Buffer } path = Path::Range;
        while (length > 0) {
            const std::size_t want = std::size_t(std::min<std::uint64_t>(length, kCopyChunk));
            ssize_t n = -1;
            if (path == Path::Range || path == Path::SendFile) {
                loff_t from = loff_t(offset);
                n = path == Path::Range ? ::copy_file_range(in, &from, m_fd, nullptr, want, 0)
                                        : ::sendfile(m_fd, in, &from, want);
                if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                    path = path == Path::Range ? Path::SendFile : Path::Buffer;
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    error = "cannot write " + quoted(m_final) + ": " + systemError();
                    return false;
                }
            } else {
                // Kept for the whole file: fresh memory for every part costs more than the copy.
                m_buffer.resize(std::min(want, kBufferBytes));
                n = ::pread(in, m_buffer.data(), m_buffer.size(), off_t(offset));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    error = "cannot read " + quoted(source) + ": " + systemError();
                    return false;
                }
                if (n > 0) {
                    // write() advances the progress itself.
                    if (!write(m_buffer.data(), std::size_t(n), error))
                        return false;
                    offset += std::uint64_t(n);
                    length -= std::uint64_t(n);
                    continue;
                }
            }
            if (n == 0) {
                error = quoted(source) + " ended before its " + what;
                return false;
            }
            offset += std::uint64_t(n);
            length -= std::uint64_t(n);
            advance(std::uint64_t(n));
        }
        return true;
    }

    void advance(std::uint64_t n)
    {
        // Start writing back what is written, so that the flush before the rename has less to wait
        // for. Without a flush to come this only slows the copy.
        m_written += n;
        if (m_durable && m_written - m_writeBackFrom >= kWriteBackStep) {
            ::sync_file_range(
                m_fd, off_t(m_writeBackFrom), off_t(m_written - m_writeBackFrom), SYNC_FILE_RANGE_WRITE);
            m_writeBackFrom = m_written;
        }
        if (!m_done)
            return;
        const std::uint64_t before = *m_done;
        *m_done += n;
        if (m_progress && *m_progress && (before / kProgressStep != *m_done / kProgressStep || *m_done == m_total))
            (*m_progress)(*m_done, m_total);
    }

    fs::path m_final;
    fs::path m_temp;
    int m_fd = -1;
    bool m_durable = true;
    std::vector<std::uint8_t> m_buffer; // for copies the kernel cannot make
    std::uint64_t m_written = 0; // bytes in the file
    std::uint64_t m_writeBackFrom = 0; // start of what write-back was not yet asked for
    const WriteProgress* m_progress = nullptr;
    std::uint64_t* m_done = nullptr;
    std::uint64_t m_total = 0;
};

struct WriteContext {
    const AtomNode* udat = nullptr; // written as a rebuilt telemetry block
    std::uint64_t udatRecords = 0;
};

bool writeAtom(const AtomNode& node, StagedFile& out, const WriteContext& ctx, bool isRoot, std::string& error)
{
    if (!isRoot) {
        std::uint8_t header[8];
        wr32(header, std::uint32_t(ComputeSize(node)));
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

std::size_t dataFileSize(std::uint64_t records)
{
    return 6 + kTelemetryHeaderBytes + 2 + std::size_t(records) * kTelemetryRecordBytes + 6
        + (records >= 0xFFFF ? 4 : 0);
}

// A data file at DataPath(moviePath) with header, count records written by writeRecords and the
// end tag (with the full count behind it when the 16-bit field cannot hold it).
template <class WriteRecords>
bool stageDataFile(const std::array<std::uint8_t, kTelemetryHeaderBytes>& header, std::uint64_t count,
    WriteRecords&& writeRecords, const fs::path& moviePath, bool durable, StagedFile& staged,
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
        wr32(tail + 6, std::uint32_t(std::min<std::uint64_t>(count, 0xFFFFFFFFu)));
    if (!staged.create(DataPath(moviePath), durable, error) || !staged.write(head, sizeof head, error)
        || !writeRecords() || !staged.write(tail, count >= 0xFFFF ? 10 : 6, error))
        return false;
    // The recorder keeps its data files hidden; where the file system has no such attribute the
    // call changes nothing.
    setHidden(staged.tempPath(), true);
    return staged.finish(error);
}

fs::path folderOf(const fs::path& path)
{
    return path.parent_path().empty() ? fs::path(".") : path.parent_path();
}

void syncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// File systems that may report a failed write only when the file is flushed or closed, because
// write() returns while the data is still on its way to a server or to a user-space driver.
bool reportsErrorsLate(const fs::path& folder)
{
    struct statfs info { };
    if (::statfs(folder.c_str(), &info) != 0)
        return true;
    switch (std::uint32_t(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC: // folders shared into a virtual machine
    case FUSE_SUPER_MAGIC: // sshfs, ntfs-3g and other user-space drivers
        return true;
    default:
        return false;
    }
}

// Whether the block device of a file system can be unplugged: its disk says it is removable, or it
// hangs off a USB, SD/MMC or memory-stick bus (built-in card slots and USB disks often do not call
// themselves removable). sysDevBlock: the kernel's device-number links (/sys/dev/block).
bool onUnpluggableDrive(dev_t device, const fs::path& sysDevBlock)
{
    // The link names the device's whole path from the bus down ("../../devices/.../block/sdb/sdb1").
    std::error_code ec;
    const fs::path link = sysDevBlock / (std::to_string(major(device)) + ":" + std::to_string(minor(device)));
    const fs::path target = fs::read_symlink(link, ec);
    if (ec)
        return false; // no block device: a network, memory or virtual file system
    fs::path node = (link.parent_path() / target).lexically_normal();
    if (fs::exists(node / "partition", ec))
        node = node.parent_path();
    std::ifstream flag(node / "removable");
    int removable = 0;
    if (flag >> removable && removable == 1)
        return true;
    for (const fs::path& part : target) {
        const std::string name = part.string();
        if (name.starts_with("usb") || name.starts_with("mmc") || name.starts_with("memstick"))
            return true;
    }
    return false;
}

// Room in the base tree's growing tables for parts like the first, so that they are not moved
// again and again as parts are appended.
void reserveTables(sMP4MOVIE& movie, std::size_t parts)
{
    constexpr std::size_t kMaxReserve = 16u << 20; // beyond it a table grows as it needs
    for (Track& t : tracksOf(childOf(&movie.root, "moov")))
        for (AtomNode* table : { t.stsz, t.stsc, t.stco, t.stss })
            if (table && table->payload.size() <= kMaxReserve / parts)
                table->payload.reserve(table->payload.size() * parts);
}

// Whether a rename to path would replace something (or that cannot be told).
bool replaces(const fs::path& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

void releasePayloads(AtomNode& node)
{
    std::vector<std::uint8_t>().swap(node.payload);
    for (AtomNode& c : node.children)
        releasePayloads(c);
}

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
    if (replaces(finalPath))
        return true;
    struct stat st { };
    const fs::path folder = folderOf(finalPath);
    if (::stat(folder.c_str(), &st) != 0)
        return true;
    return onUnpluggableDrive(st.st_dev, sysDevBlock) || reportsErrorsLate(folder);
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

std::optional<TelemetryPart> LocateTelemetry(const fs::path& moviePath)
{
    TelemetryPart part;
    part.dataFile = DataPath(moviePath);
    // The head is read rather than mapped: a join reads one per part.
    const FileHandle in(::open(part.dataFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st { };
    std::uint8_t head[34];
    if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)
        || ::pread(in.fd, head, sizeof head, 0) != ssize_t(sizeof head)
        || std::memcmp(head, "CSMDAT", 6) != 0)
        return std::nullopt;
    std::memcpy(part.header.data(), head + 6, kTelemetryHeaderBytes);
    const std::uint32_t declared = (std::uint32_t(head[32]) << 8) | head[33];
    const std::uint64_t fits = (std::uint64_t(st.st_size) - 34) / kTelemetryRecordBytes;
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
        const MappedView view = file.map(34 + first * kTelemetryRecordBytes, std::size_t(n * kTelemetryRecordBytes));
        if (view.size() != n * kTelemetryRecordBytes)
            return nullptr;
        std::memcpy(records[std::size_t(first)].data(), view.data(), view.size());
    }
    holder->telemetryRecordCount = std::int64_t(records.size());
    return holder;
}

bool Merge(sMP4MOVIE& first, sMP4MOVIE& next, std::uint64_t nextDataStart, std::string& error)
{
    auto& firstMdats = first.list(AtomList::Mdat);
    auto& nextMdats = next.list(AtomList::Mdat);
    if (firstMdats.size() != 1 || nextMdats.size() != 1) {
        error = "only movies with one data atom can be joined";
        return false;
    }
    AtomNode* moovA = childOf(&first.root, "moov");
    AtomNode* moovB = childOf(&next.root, "moov");
    std::vector<Track> a = tracksOf(moovA), b = tracksOf(moovB);
    if (a.empty() || a.size() != b.size()) {
        error = "the movies have different tracks";
        return false;
    }
    AtomNode* mvhdA = childOf(moovA, "mvhd");
    AtomNode* mvhdB = childOf(moovB, "mvhd");
    const auto scaleA = durationField(mvhdA, 12, 20), scaleB = durationField(mvhdB, 12, 20);
    const auto durA = durationField(mvhdA, 16, 24), durB = durationField(mvhdB, 16, 24);
    if (!scaleA || !scaleB || !durA || !durB || readField(mvhdA, *scaleA) != readField(mvhdB, *scaleB)) {
        error = "the movies have different time scales";
        return false;
    }
    AtomNode* mdatA = firstMdats.front();
    AtomNode* mdatB = nextMdats.front();
    if (mdatA->payloadSize + mdatB->sourcePayloadSize > kMaxMovieBytes) {
        error = "the joined movie would be larger than 4 GiB";
        return false;
    }
    const std::int64_t delta = std::int64_t(nextDataStart) - std::int64_t(mdatB->sourcePayloadOffset);
    std::vector<TrackEdit> edits(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!buildTrackEdit(a[i], b[i], delta, i, edits[i], error))
            return false;

    // Everything is checked: apply.
    if (!addField(mvhdA, *durA, readField(mvhdB, *durB), error))
        return false;
    for (TrackEdit& e : edits) {
        Track& t = *e.first;
        e.stts.apply(t.stts);
        e.stsz.apply(t.stsz);
        e.stsc.apply(t.stsc);
        e.stco.apply(t.stco);
        e.stss.apply(t.stss);
        e.ctts.apply(t.ctts);
        addField(t.mdhd, *durationField(t.mdhd, 16, 24), e.mdhdAdd, error);
        addField(t.tkhd, *durationField(t.tkhd, 20, 28), e.tkhdAdd, error);
        if (t.elst) {
            const bool wide = !t.elst->payload.empty() && t.elst->payload[0] == 1;
            const auto list = readTable(t.elst, 4, 8, wide ? 20 : 12);
            if (list && list->count > 0)
                addField(t.elst, Field{8 + std::size_t(list->count - 1) * (wide ? 20 : 12), wide}, e.elstAdd, error);
        }
    }
    error.clear();
    AtomNode* tail = mdatA->chainTail ? mdatA->chainTail : mdatA;
    tail->chainNext = mdatB;
    mdatA->chainTail = mdatB;
    mdatB->chainHead = mdatA;
    mdatA->payloadSize += mdatB->sourcePayloadSize;
    return true;
}

bool OpenJob(ConcatJob& job, const fs::path& firstMovie)
{
    CloseJob(job);
    job = ConcatJob{};
    job.main = OpenMovieTree(firstMovie, true);
    if (!job.main) {
        job.error = quoted(firstMovie) + " cannot be read as a movie";
        return false;
    }
    if (job.main->list(AtomList::Mdat).empty() || !childOf(&job.main->root, "moov")) {
        job.error = quoted(firstMovie) + " holds no movie data";
        job.main.reset();
        return false;
    }
    job.parts = 1;
    if (AtomNode* udat = telemetryAtom(*job.main)) {
        job.udat = udat;
        udat->recordBytes = *udatRecordCount(*udat) * kTelemetryRecordBytes;
        job.udatRecords = *udatRecordCount(*udat);
        udat->payloadSize = 40 + udat->recordBytes;
    }
    if (auto part = LocateTelemetry(firstMovie)) {
        job.telemetry.push_back(std::move(*part));
    } else {
        job.hasTelemetry = false;
        job.telemetryNote = "no readable data file for " + quoted(firstMovie);
    }
    return true;
}

bool AddToJob(ConcatJob& job, const fs::path& nextMovie)
{
    if (!job.main) {
        job.error = "no movie to join to";
        return false;
    }
    auto next = OpenMovieTree(nextMovie, true);
    if (!next) {
        job.error = quoted(nextMovie) + " cannot be read as a movie";
        return false;
    }
    AtomNode* mdat = job.main->list(AtomList::Mdat).front();
    const std::uint64_t nextDataStart = mdat->sourcePayloadOffset + mdat->payloadSize;
    std::string why;
    if (!Merge(*job.main, *next, nextDataStart, why)) {
        job.error = quoted(nextMovie) + ": " + why;
        return false;
    }
    AtomNode* udat = job.udat;
    // A part without a telemetry atom adds no records to it; its data file still counts.
    AtomNode* nextUdat = udat ? telemetryAtom(*next) : nullptr;
    if (nextUdat) {
        const std::uint64_t count = *udatRecordCount(*nextUdat);
        nextUdat->recordBytes = count * kTelemetryRecordBytes;
        AtomNode* tail = udat->chainTail ? udat->chainTail : udat;
        tail->chainNext = nextUdat;
        udat->chainTail = nextUdat;
        job.udatRecords += count;
        udat->payloadSize += nextUdat->recordBytes;
    }
    if (job.hasTelemetry) {
        auto part = LocateTelemetry(nextMovie);
        if (!part) {
            job.hasTelemetry = false;
            job.telemetryNote = "no readable data file for " + quoted(nextMovie);
            job.telemetry.clear();
        } else {
            job.telemetry.push_back(std::move(*part));
        }
    }
    // Its tables now live in the base tree and its records are read from its file when written:
    // the memory goes to the parts that follow.
    releasePayloads(next->root);
    job.laterMovies.push_back(std::move(next));
    ++job.parts;
    return true;
}

bool WriteMovie(ConcatJob& job, const fs::path& output, const WriteProgress& progress)
{
    if (!job.main) {
        job.error = "nothing to write";
        return false;
    }
    AtomNode* mdat = job.main->list(AtomList::Mdat).front();
    const std::uint64_t movieBytes = ComputeSize(job.main->root);
    if (movieBytes > kMaxMovieBytes) {
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
    if (shift != 0) {
        for (AtomNode* stco : job.main->list(AtomList::Stco)) {
            const auto table = readTable(stco, 4, 8, 4);
            if (!table)
                continue;
            for (std::uint32_t i = 0; i < table->count; ++i) {
                std::uint8_t* p = stco->payload.data() + 8 + std::size_t(i) * 4;
                wr32(p, std::uint32_t(std::int64_t(rd32(p)) + shift));
            }
        }
    }

    std::string error;
    const bool replacing = fs::exists(output);
    const bool writesData = job.hasTelemetry && !job.telemetry.empty();
    std::uint64_t records = 0;
    for (const TelemetryPart& part : job.telemetry)
        records += part.records;
    const fs::path dataPath = DataPath(output);
    // One decision for both files: the pair is only whole when both are there. A data file beside
    // the movie only adds whether it replaces one.
    const bool durable = NeedsDurableFlush(output)
        || (writesData
            && (folderOf(dataPath) == folderOf(output) ? replaces(dataPath) : NeedsDurableFlush(dataPath)));
    std::uint64_t done = 0;
    const std::uint64_t total = movieBytes + (writesData ? dataFileSize(records) : 0);
    StagedFile movie;
    StagedFile data;
    movie.setProgress(&progress, &done, total);
    data.setProgress(&progress, &done, total);
    const WriteContext ctx{job.udat, job.udatRecords};
    bool ok = movie.create(output, durable, error) && writeAtom(job.main->root, movie, ctx, true, error)
        && movie.finish(error);
    if (ok && writesData)
        ok = stageDataFile(
            job.telemetry.front().header, records,
            [&] {
                for (const TelemetryPart& part : job.telemetry)
                    if (!data.copyFrom(
                            part.dataFile, 34, part.records * kTelemetryRecordBytes, "records", error))
                        return false;
                return true;
            },
            output, durable, data, error);
    if (shift != 0) {
        // Put the offsets back so that the tree still describes its sources.
        for (AtomNode* stco : job.main->list(AtomList::Stco)) {
            const auto table = readTable(stco, 4, 8, 4);
            if (!table)
                continue;
            for (std::uint32_t i = 0; i < table->count; ++i) {
                std::uint8_t* p = stco->payload.data() + 8 + std::size_t(i) * 4;
                wr32(p, std::uint32_t(std::int64_t(rd32(p)) - shift));
            }
        }
    }
    if (!ok) {
        job.error = error;
        return false; // both staged files are removed by their destructors
    }
    if (!movie.commit(error)) {
        job.error = error;
        return false;
    }
    if (writesData) {
        if (!data.commit(error)) {
            job.error = "the movie was written, but its data file was not: " + error;
            return false;
        }
    } else if (replacing) {
        // The old data file described the movie that was just replaced.
        std::error_code ec;
        fs::remove(dataPath, ec);
    }
    if (durable) {
        syncFolder(folderOf(output));
        if (folderOf(dataPath) != folderOf(output))
            syncFolder(folderOf(dataPath));
    }
    return true;
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
    if (!stageDataFile(
            holder.telemetryHeader, records.size(), writeRecords, moviePath, durable, staged, error)
        || !staged.commit(error))
        return false;
    if (durable)
        syncFolder(folderOf(path));
    return true;
}

void CloseJob(ConcatJob& job)
{
    // Later movies first: the main tree's chains point into them.
    if (job.main) {
        for (AtomNode* mdat : job.main->list(AtomList::Mdat))
            mdat->chainNext = mdat->chainTail = nullptr;
        if (job.udat)
            job.udat->chainNext = job.udat->chainTail = nullptr;
    }
    for (auto& m : job.laterMovies)
        CloseMovie(std::move(m));
    job.laterMovies.clear();
    if (job.main)
        CloseMovie(std::move(job.main));
    job.telemetry.clear();
    resetAtomNodeCounters();
}

bool ConcatenateMovies(const std::vector<fs::path>& inputs, const fs::path& output, std::string& error,
                       std::string& telemetryNote, const WriteProgress& progress)
{
    if (inputs.empty()) {
        error = "no movies given";
        return false;
    }
    ConcatJob job;
    bool ok = OpenJob(job, inputs.front());
    if (ok)
        reserveTables(*job.main, inputs.size());
    for (std::size_t i = 1; ok && i < inputs.size(); ++i)
        ok = AddToJob(job, inputs[i]);
    ok = ok && WriteMovie(job, output, progress);
    error = ok ? std::string() : job.error;
    telemetryNote = job.telemetryNote;
    CloseJob(job);
    return ok;
}

} // namespace kivora::recording
