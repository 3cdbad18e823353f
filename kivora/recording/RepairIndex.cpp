#include "kivora/recording/RepairIndex.h"

#include "kivora/recording/RepairBytes.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace kivora::recording::repair {

namespace {

struct TrackPlan {
    std::vector<std::uint8_t> stbl; // the new table atoms
    std::uint64_t mediaDuration = 0;
    std::uint64_t movieDuration = 0; // set while the edit list is rewritten
};

void appendAtom(
    std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& payload)
{
    appendBe32(out, std::uint32_t(payload.size() + 8));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), payload.begin(), payload.end());
}

TrackPlan planTables(const TemplateTrack& t, const std::vector<KeptSample>& samples, std::uint8_t index)
{
    TrackPlan plan;
    std::vector<std::uint64_t> chunkOffsets;
    std::vector<std::uint32_t> chunkCounts, sizes, syncs;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> deltaRuns; // count, delta
    std::uint64_t nextOffset = ~0ull;
    for (const KeptSample& s : samples) {
        if (s.track != index)
            continue;
        sizes.push_back(s.size);
        const std::uint32_t delta = t.sampleDelta + s.extraDuration;
        if (deltaRuns.empty() || deltaRuns.back().second != delta)
            deltaRuns.emplace_back(0, delta);
        ++deltaRuns.back().first;
        plan.mediaDuration += delta;
        if (s.sync)
            syncs.push_back(std::uint32_t(sizes.size()));
        // Samples that follow each other in the file share a chunk, as the recorder laid them out.
        if (s.offset != nextOffset) {
            chunkOffsets.push_back(s.offset);
            chunkCounts.push_back(0);
        }
        ++chunkCounts.back();
        nextOffset = s.offset + s.size;
    }

    std::vector<std::uint8_t> p;
    appendBe32(p, 0);
    appendBe32(p, std::uint32_t(deltaRuns.size()));
    for (const auto& [count, delta] : deltaRuns) {
        appendBe32(p, count);
        appendBe32(p, delta);
    }
    appendAtom(plan.stbl, "stts", p);

    if (t.kind == TrackKind::Video) {
        p.clear();
        appendBe32(p, 0);
        appendBe32(p, std::uint32_t(syncs.size()));
        for (std::uint32_t s : syncs)
            appendBe32(p, s);
        appendAtom(plan.stbl, "stss", p);
    }

    p.assign(8, 0);
    std::uint32_t runs = 0;
    for (std::size_t c = 0; c < chunkCounts.size(); ++c) {
        if (c == 0 || chunkCounts[c] != chunkCounts[c - 1]) {
            appendBe32(p, std::uint32_t(c + 1));
            appendBe32(p, chunkCounts[c]);
            appendBe32(p, 1);
            ++runs;
        }
    }
    writeBe32(p.data() + 4, runs);
    appendAtom(plan.stbl, "stsc", p);

    p.clear();
    appendBe32(p, 0);
    appendBe32(p, 0);
    appendBe32(p, std::uint32_t(sizes.size()));
    for (std::uint32_t s : sizes)
        appendBe32(p, s);
    appendAtom(plan.stbl, "stsz", p);

    const bool wide = !chunkOffsets.empty() && chunkOffsets.back() > 0xFFFFFFFFu;
    p.clear();
    appendBe32(p, 0);
    appendBe32(p, std::uint32_t(chunkOffsets.size()));
    for (std::uint64_t o : chunkOffsets)
        wide ? appendBe64(p, o) : appendBe32(p, std::uint32_t(o));
    appendAtom(plan.stbl, wide ? "co64" : "stco", p);
    return plan;
}

// Zeroes the times of a full atom whose payload starts with version, flags, creation and change
// times, and writes duration at its place for the version.
void setTimesAndDuration(std::vector<std::uint8_t>& whole, std::size_t header, std::size_t durationV0,
    std::size_t durationV1, std::uint64_t duration)
{
    std::uint8_t* p = whole.data() + header;
    const bool v1 = p[0] == 1;
    std::fill(p + 4, p + (v1 ? 20 : 12), 0);
    if (v1)
        writeBe64(p + durationV1, duration);
    else
        writeBe32(p + durationV0, std::uint32_t(std::min<std::uint64_t>(duration, 0xFFFFFFFFu)));
}

std::uint64_t rescale(std::uint64_t value, std::uint32_t to, std::uint32_t from)
{
    return from ? value / from * to + value % from * to / from : 0;
}

// Copies a container, rewriting what depends on the samples and dropping the template's
// sample tables and any user data.
std::vector<std::uint8_t> rebuild(
    const Atom& atom, const RepairTemplate& tpl, const TemplateTrack& t, TrackPlan& plan)
{
    static constexpr std::string_view kContainers[] = { "trak", "mdia", "minf", "stbl", "edts" };
    static constexpr std::string_view kDropped[] = { "udta", "meta", "stts", "stss", "stsc", "stsz", "stz2",
        "stco", "co64", "ctts", "cslg", "sdtp", "sgpd", "sbgp", "stps", "tref" };
    std::vector<std::uint8_t> out;
    if (std::find(std::begin(kContainers), std::end(kContainers), atom.type) != std::end(kContainers)) {
        std::vector<std::uint8_t> payload;
        // The edit list comes before the header's duration is known; "tkhd" is fixed afterwards.
        std::size_t tkhdAt = std::size_t(-1);
        for (const Atom& c : atomsIn(atom.payload).atoms) {
            if (std::find(std::begin(kDropped), std::end(kDropped), c.type) != std::end(kDropped))
                continue;
            if (c.type == "tkhd")
                tkhdAt = payload.size();
            const auto bytes = rebuild(c, tpl, t, plan);
            payload.insert(payload.end(), bytes.begin(), bytes.end());
        }
        if (atom.type == "stbl")
            payload.insert(payload.end(), plan.stbl.begin(), plan.stbl.end());
        if (tkhdAt != std::size_t(-1)) {
            if (!plan.movieDuration)
                plan.movieDuration = rescale(plan.mediaDuration, tpl.movieTimescale, t.timescale);
            std::vector<std::uint8_t> tkhd(payload.begin() + std::ptrdiff_t(tkhdAt),
                payload.begin() + std::ptrdiff_t(tkhdAt + readBe32(&payload[tkhdAt])));
            if (tkhd.size() >= 8 + 36)
                setTimesAndDuration(tkhd, 8, 20, 28, plan.movieDuration);
            std::copy(tkhd.begin(), tkhd.end(), payload.begin() + std::ptrdiff_t(tkhdAt));
        }
        appendBe32(out, std::uint32_t(payload.size() + 8));
        out.insert(out.end(), atom.type.begin(), atom.type.end());
        out.insert(out.end(), payload.begin(), payload.end());
        return out;
    }
    out.assign(atom.whole.begin(), atom.whole.end());
    const std::size_t header = atom.whole.size() - atom.payload.size();
    if (atom.type == "mdhd" && atom.payload.size() >= 32) {
        setTimesAndDuration(out, header, 16, 24, plan.mediaDuration);
    } else if (atom.type == "elst" && atom.payload.size() >= 8) {
        std::uint8_t* p = out.data() + header;
        const bool v1 = p[0] == 1;
        const std::size_t entrySize = v1 ? 20 : 12;
        const std::uint32_t entries
            = std::min<std::uint32_t>(readBe32(p + 4), std::uint32_t((atom.payload.size() - 8) / entrySize));
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::uint8_t* e = p + 8 + entrySize * i;
            const std::int64_t mediaTime = v1 ? std::int64_t(readBe64(e + 8)) : std::int32_t(readBe32(e + 4));
            std::uint64_t segment = v1 ? readBe64(e) : readBe32(e);
            if (mediaTime >= 0) {
                // The shown part ends where the kept samples end.
                const std::uint64_t shown = plan.mediaDuration > std::uint64_t(mediaTime)
                    ? plan.mediaDuration - std::uint64_t(mediaTime)
                    : 0;
                segment = rescale(shown, tpl.movieTimescale, t.timescale);
                v1 ? writeBe64(e, segment)
                   : writeBe32(e, std::uint32_t(std::min<std::uint64_t>(segment, 0xFFFFFFFFu)));
            }
            total += segment;
        }
        plan.movieDuration = total;
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> buildMovieIndex(const RepairTemplate& tpl, const std::vector<KeptSample>& samples)
{
    std::vector<std::uint8_t> payload(tpl.mvhd);
    std::uint64_t longest = 0;
    for (std::size_t i = 0; i < tpl.tracks.size(); ++i) {
        const TemplateTrack& t = tpl.tracks[i];
        TrackPlan plan = planTables(t, samples, std::uint8_t(i));
        if (!plan.mediaDuration)
            continue;
        const auto trak = atomsIn(std::span<const std::uint8_t>(t.trak)).atoms;
        if (trak.empty())
            continue;
        const auto bytes = rebuild(trak.front(), tpl, t, plan);
        payload.insert(payload.end(), bytes.begin(), bytes.end());
        longest = std::max(longest, plan.movieDuration);
    }
    setTimesAndDuration(payload, 8, 16, 24, longest);
    std::vector<std::uint8_t> moov;
    appendAtom(moov, "moov", payload);
    return moov;
}

} // namespace kivora::recording::repair
