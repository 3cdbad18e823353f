#include "kivora/recording/SampleTables.h"

#include "kivora/recording/MovieWriter.h"
#include "kivora/system/BigEndian.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace kivora::recording {

using namespace system;

namespace detail {

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

} // namespace detail

namespace {

using detail::childOf;
using detail::kMaxMovieBytes;

// A full-box table: version/flags, entry count, entries of entrySize bytes from headerBytes on.
struct Table {
    const std::vector<std::uint8_t>* payload = nullptr;
    std::uint32_t count = 0;
    std::size_t header = 8;
    std::size_t entrySize = 4;
    const std::uint8_t* entry(std::uint32_t i) const
    {
        return payload->data() + header + std::size_t(i) * entrySize;
    }
};

std::optional<Table> readTable(
    const AtomNode* node, std::size_t countOffset, std::size_t header, std::size_t entrySize)
{
    if (!node || node->payload.size() < header)
        return std::nullopt;
    Table t { &node->payload, readBe32(node->payload.data() + countOffset), header, entrySize };
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
    const Field f { wide ? v1 : v0, wide };
    if (node->payload.size() < f.offset + (wide ? 8 : 4))
        return std::nullopt;
    return f;
}
std::uint64_t readField(const AtomNode* node, Field f)
{
    return f.wide ? readBe64(node->payload.data() + f.offset) : readBe32(node->payload.data() + f.offset);
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
    const SampleSizes s { readBe32(stsz->payload.data() + 4), readBe32(stsz->payload.data() + 8), nullptr };
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
        writeBe32(out.data() + at + std::size_t(i) * 4, s.constant);
}

// Run-length tables ("stts", "ctts"): entries of (count, value), neighbours with equal values join.
std::vector<std::uint8_t> appendRuns(const Table& a, const Table& b)
{
    std::vector<std::uint8_t> out(a.payload->begin(), a.payload->begin() + 8);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    for (const Table* t : { &a, &b })
        for (std::uint32_t i = 0; i < t->count; ++i) {
            const std::uint32_t n = readBe32(t->entry(i)), v = readBe32(t->entry(i) + 4);
            if (!runs.empty() && runs.back().second == v
                && std::uint64_t(runs.back().first) + n <= 0xFFFFFFFFu)
                runs.back().first += n;
            else
                runs.emplace_back(n, v);
        }
    writeBe32(out.data() + 4, std::uint32_t(runs.size()));
    for (const auto& [n, v] : runs) {
        appendBe32(out, n);
        appendBe32(out, v);
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
            writeBe32(node->payload.data() + offset, value);
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
    writeBe32(p, v);
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
        writeBe64(node->payload.data() + f.offset, sum);
    else
        writeBe32(node->payload.data() + f.offset, std::uint32_t(sum));
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

// A constant size stands for count samples of that size in the movie's data: a count the data
// cannot hold is damage, and expanding it into a table would ask for gigabytes of memory.
bool fitsData(const SampleSizes& s, std::uint64_t dataBytes)
{
    return s.constant == 0 || std::uint64_t(s.constant) * s.count <= dataBytes;
}

// aData, bData: bytes of movie data of the two movies.
bool buildTrackEdit(Track& a, Track& b, std::int64_t offsetDelta, std::uint64_t aData, std::uint64_t bData,
    std::size_t index, TrackEdit& edit, std::string& error)
{
    const std::string which = "track " + std::to_string(index + 1);
    if (a.unsupported || b.unsupported || !a.stsd || !b.stsd || !a.stco || !b.stco || !a.stsz || !b.stsz
        || !a.stsc || !b.stsc || !a.stts || !b.stts || !a.mdhd || !b.mdhd) {
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
    if (!aStts || !bStts || !aStsc || !bStsc || !aStco || !bStco || !aSizes || !bSizes
        || !fitsData(*aSizes, aData) || !fitsData(*bSizes, bData)) {
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
        const std::uint32_t firstChunk = readBe32(e) + aStco->count;
        if (i == 0 && stscCount > 0) {
            const std::uint8_t* last = aStsc->entry(aStsc->count - 1);
            if (readBe32(last + 4) == readBe32(e + 4) && readBe32(last + 8) == readBe32(e + 8))
                continue;
        }
        appendBe32(edit.stsc.tail, firstChunk);
        appendBe32(edit.stsc.tail, readBe32(e + 4));
        appendBe32(edit.stsc.tail, readBe32(e + 8));
        ++stscCount;
    }
    edit.stsc.words = { { 4, stscCount } };

    // Chunk offsets of next point into its own file; move them to where its data is written.
    edit.stco.used = true;
    edit.stco.keep = 8 + std::size_t(aStco->count) * 4;
    edit.stco.tail.resize(std::size_t(bStco->count) * 4);
    std::uint8_t* out = edit.stco.tail.data();
    for (std::uint32_t i = 0; i < bStco->count; ++i) {
        const std::int64_t moved = std::int64_t(readBe32(bStco->entry(i))) + offsetDelta;
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
            put32At(sync, base + (bStss ? readBe32(bStss->entry(i)) : i + 1));
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
                edit.elstAdd += wide ? readBe64(bList->entry(i)) : readBe32(bList->entry(i));
        }
    }
    return true;
}

} // namespace

namespace detail {

void shiftChunkOffsets(sMP4MOVIE& movie, std::int64_t shift)
{
    for (AtomNode* stco : movie.list(AtomList::Stco)) {
        const auto table = readTable(stco, 4, 8, 4);
        if (!table)
            continue;
        for (std::uint32_t i = 0; i < table->count; ++i) {
            std::uint8_t* p = stco->payload.data() + 8 + std::size_t(i) * 4;
            writeBe32(p, std::uint32_t(std::int64_t(readBe32(p)) + shift));
        }
    }
}

void reserveTables(sMP4MOVIE& movie, std::size_t parts)
{
    constexpr std::size_t kMaxReserve = 16u << 20; // beyond it a table grows as it needs
    for (Track& t : tracksOf(childOf(&movie.root, "moov")))
        for (AtomNode* table : { t.stsz, t.stsc, t.stco, t.stss })
            if (table && table->payload.size() <= kMaxReserve / parts)
                table->payload.reserve(table->payload.size() * parts);
}

void releasePayloads(AtomNode& node)
{
    std::vector<std::uint8_t>().swap(node.payload);
    for (AtomNode& c : node.children)
        releasePayloads(c);
}

} // namespace detail

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
        if (!buildTrackEdit(
                a[i], b[i], delta, mdatA->payloadSize, mdatB->sourcePayloadSize, i, edits[i], error))
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
                addField(t.elst, Field { 8 + std::size_t(list->count - 1) * (wide ? 20 : 12), wide },
                    e.elstAdd, error);
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

} // namespace kivora::recording
