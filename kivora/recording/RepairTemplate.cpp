#include "kivora/recording/RepairTemplate.h"

#include "kivora/recording/RepairBytes.h"
#include "kivora/system/FileOps.h"

#include <algorithm>
#include <map>
#include <utility>

namespace kivora::recording {

using namespace repair;

namespace {

// An index larger than this is not a recorder's; reading it whole would only cost memory.
constexpr std::uint64_t kMaxIndexBytes = 64u << 20;

struct TopAtoms {
    std::vector<std::uint8_t> ftyp, moov;
};

std::optional<TopAtoms> readTopAtoms(const std::filesystem::path& path, std::string& error)
{
    // Opened without waiting, and only a plain file is read: a pipe would hold the repair for ever.
    const system::UniqueFd in = system::openForReading(path);
    if (!in) {
        error = "cannot open " + path.string();
        return std::nullopt;
    }
    const std::optional<std::uint64_t> fileSize = system::regularFileSize(in);
    if (!fileSize) {
        error = path.string() + " is not a file";
        return std::nullopt;
    }
    TopAtoms top;
    std::uint64_t at = 0;
    while (*fileSize - at >= 8) {
        std::uint8_t h[16];
        if (system::readAt(in, h, 8, at) != 8)
            break;
        std::uint64_t size = readBe32(h);
        if (size == 1 && *fileSize - at >= 16 && system::readAt(in, h + 8, 8, at + 8) == 8) {
            size = readBe64(h + 8);
        } else if (size == 0) {
            size = *fileSize - at;
        }
        if (size < 8 || size > *fileSize - at)
            break;
        const std::string_view type(reinterpret_cast<const char*>(h + 4), 4);
        std::vector<std::uint8_t>* target = type == "ftyp" ? &top.ftyp : type == "moov" ? &top.moov : nullptr;
        if (target && target->empty() && size <= kMaxIndexBytes) {
            target->resize(std::size_t(size));
            if (system::readAt(in, target->data(), target->size(), at) != target->size()) {
                error = "cannot read " + path.string();
                return std::nullopt;
            }
        }
        at += size;
    }
    if (top.moov.empty()) {
        error = path.string() + " has no movie index";
        return std::nullopt;
    }
    return top;
}

// MPEG-4 descriptor length: up to four bytes of seven bits.
bool descriptorLength(std::span<const std::uint8_t> d, std::size_t& at, std::size_t& length)
{
    length = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= d.size())
            return false;
        const std::uint8_t b = d[at++];
        length = length << 7 | (b & 0x7F);
        if (!(b & 0x80))
            return length <= d.size() - at;
    }
    return false;
}

// AudioSpecificConfig from an "esds" payload: ES descriptor > decoder config > specific info.
std::vector<std::uint8_t> audioConfigFromEsds(std::span<const std::uint8_t> esds)
{
    if (esds.size() < 4)
        return {};
    std::span<const std::uint8_t> d = esds.subspan(4);
    std::size_t at = 0, length = 0;
    if (d.empty() || d[at++] != 0x03 || !descriptorLength(d, at, length) || length < 3)
        return {};
    d = d.subspan(at, length);
    at = 3;
    const std::uint8_t flags = d[2];
    if (flags & 0x80)
        at += 2;
    if (flags & 0x40) {
        if (at >= d.size())
            return {};
        at += 1 + d[at];
    }
    if (flags & 0x20)
        at += 2;
    if (at >= d.size() || d[at++] != 0x04 || !descriptorLength(d, at, length) || length < 13)
        return {};
    d = d.subspan(at, length);
    at = 13;
    if (at >= d.size() || d[at++] != 0x05 || !descriptorLength(d, at, length))
        return {};
    return { d.begin() + std::ptrdiff_t(at), d.begin() + std::ptrdiff_t(at + length) };
}

std::span<const std::uint8_t> find4cc(std::span<const std::uint8_t> bytes, std::string_view type)
{
    // A nested sound description ("wave" in QuickTime movies) hides "esds" one level down.
    for (std::size_t i = 4; i + 4 <= bytes.size(); ++i) {
        if (std::equal(type.begin(), type.end(), bytes.begin() + std::ptrdiff_t(i))) {
            const std::uint32_t size = readBe32(bytes.data() + i - 4);
            if (size >= 8 && size <= bytes.size() - (i - 4))
                return bytes.subspan(i + 4, size - 8);
        }
    }
    return {};
}

struct SampleTables {
    std::vector<std::uint64_t> offsets, sizes;
};

std::optional<SampleTables> sampleTables(std::span<const std::uint8_t> stbl)
{
    const auto stsz = child(stbl, "stsz");
    const auto stsc = child(stbl, "stsc");
    auto stco = child(stbl, "stco");
    const bool wide = !stco;
    if (wide)
        stco = child(stbl, "co64");
    if (!stsz || !stsc || !stco || stsz->payload.size() < 12 || stsc->payload.size() < 8
        || stco->payload.size() < 8)
        return std::nullopt;
    SampleTables t;
    const std::uint32_t fixed = readBe32(stsz->payload.data() + 4);
    const std::uint32_t count = readBe32(stsz->payload.data() + 8);
    if (!fixed && (stsz->payload.size() - 12) / 4 < count)
        return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i)
        t.sizes.push_back(fixed ? fixed : readBe32(stsz->payload.data() + 12 + 4 * i));
    const std::uint32_t chunks = readBe32(stco->payload.data() + 4);
    if ((stco->payload.size() - 8) / (wide ? 8 : 4) < chunks)
        return std::nullopt;
    const std::uint32_t runs = readBe32(stsc->payload.data() + 4);
    if ((stsc->payload.size() - 8) / 12 < runs)
        return std::nullopt;
    std::size_t sample = 0;
    for (std::uint32_t r = 0; r < runs; ++r) {
        const std::uint8_t* e = stsc->payload.data() + 8 + 12 * r;
        const std::uint32_t first = readBe32(e), perChunk = readBe32(e + 4);
        const std::uint32_t next = r + 1 < runs ? readBe32(e + 12) : chunks + 1;
        if (first < 1 || next <= first || next > chunks + 1)
            return std::nullopt;
        for (std::uint32_t c = first; c < next; ++c) {
            const std::uint8_t* o = stco->payload.data() + 8 + (wide ? 8 : 4) * (c - 1);
            std::uint64_t at = wide ? readBe64(o) : readBe32(o);
            for (std::uint32_t s = 0; s < perChunk && sample < t.sizes.size(); ++s, ++sample) {
                t.offsets.push_back(at);
                at += t.sizes[sample];
            }
        }
    }
    if (t.offsets.size() != t.sizes.size())
        return std::nullopt;
    return t;
}

std::uint32_t commonDelta(std::span<const std::uint8_t> stts)
{
    if (stts.size() < 8)
        return 0;
    const std::uint32_t entries
        = std::min<std::uint32_t>(readBe32(stts.data() + 4), std::uint32_t((stts.size() - 8) / 8));
    std::uint32_t best = 0, bestCount = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint32_t count = readBe32(stts.data() + 8 + 8 * i),
                            delta = readBe32(stts.data() + 12 + 8 * i);
        if (count > bestCount && delta) {
            best = delta;
            bestCount = count;
        }
    }
    return best;
}

bool hasReordering(std::span<const std::uint8_t> stbl)
{
    const auto ctts = child(stbl, "ctts");
    if (!ctts || ctts->payload.size() < 8)
        return false;
    const std::uint32_t entries = std::min<std::uint32_t>(
        readBe32(ctts->payload.data() + 4), std::uint32_t((ctts->payload.size() - 8) / 8));
    std::uint32_t first = entries ? readBe32(ctts->payload.data() + 12) : 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (readBe32(ctts->payload.data() + 12 + 8 * i) != first)
            return true;
    }
    return false;
}

} // namespace

const TemplateTrack* RepairTemplate::track(TrackKind kind) const
{
    for (const TemplateTrack& t : tracks) {
        if (t.kind == kind)
            return &t;
    }
    return nullptr;
}

std::optional<RepairTemplate> ReadRepairTemplate(const std::filesystem::path& path, std::string& error)
{
    auto top = readTopAtoms(path, error);
    if (!top)
        return std::nullopt;
    RepairTemplate tpl;
    tpl.path = path;
    tpl.ftyp = std::move(top->ftyp);
    const auto moov = atomsIn(std::span<const std::uint8_t>(top->moov)).atoms;
    if (moov.empty())
        return error = path.string() + " has a broken movie index", std::nullopt;
    const std::span<const std::uint8_t> moovPayload = moov.front().payload;
    const auto mvhd = child(moovPayload, "mvhd");
    if (!mvhd || mvhd->payload.size() < 100)
        return error = path.string() + " has no movie header", std::nullopt;
    tpl.mvhd.assign(mvhd->whole.begin(), mvhd->whole.end());
    tpl.movieTimescale = readBe32(mvhd->payload.data() + (mvhd->payload[0] == 1 ? 20 : 12));

    std::vector<std::pair<std::uint64_t, std::uint8_t>> placed;
    for (const Atom& trak : atomsIn(moovPayload).atoms) {
        if (trak.type != "trak")
            continue;
        const auto mdia = child(trak.payload, "mdia");
        const auto hdlr = mdia ? child(mdia->payload, "hdlr") : std::nullopt;
        const auto mdhd = mdia ? child(mdia->payload, "mdhd") : std::nullopt;
        const auto minf = mdia ? child(mdia->payload, "minf") : std::nullopt;
        const auto stbl = minf ? child(minf->payload, "stbl") : std::nullopt;
        if (!hdlr || !mdhd || !stbl || hdlr->payload.size() < 12 || mdhd->payload.size() < 24)
            continue;
        const std::string_view handler(reinterpret_cast<const char*>(hdlr->payload.data() + 8), 4);
        if (handler != "vide" && handler != "soun")
            continue;
        TemplateTrack t;
        t.kind = handler == "vide" ? TrackKind::Video : TrackKind::Sound;
        if (tpl.track(t.kind))
            return error = path.string() + " has more than one " + std::string(handler) + " track",
                   std::nullopt;
        t.trak.assign(trak.whole.begin(), trak.whole.end());
        t.timescale = readBe32(mdhd->payload.data() + (mdhd->payload[0] == 1 ? 20 : 12));
        t.sampleDelta = commonDelta(child(stbl->payload, "stts").value_or(Atom {}).payload);
        const auto stsd = child(stbl->payload, "stsd");
        if (!stsd || stsd->payload.size() < 16 || !t.timescale || !t.sampleDelta)
            return error = path.string() + " has a track without timing or description", std::nullopt;
        const auto entries = atomsIn(stsd->payload.subspan(8)).atoms;
        if (entries.empty())
            return error = path.string() + " has an empty sample description", std::nullopt;
        const Atom& entry = entries.front();
        if (t.kind == TrackKind::Video) {
            if (entry.type != "avc1" || entry.payload.size() < 78)
                return error = path.string() + " is not H.264 video", std::nullopt;
            if (hasReordering(stbl->payload))
                return error = path.string() + " reorders its frames", std::nullopt;
            t.width = readBe16(entry.payload.data() + 24);
            t.height = readBe16(entry.payload.data() + 26);
            const auto avcC = child(entry.payload.subspan(78), "avcC");
            if (!avcC || avcC->payload.size() < 7)
                return error = path.string() + " has no H.264 configuration", std::nullopt;
            t.decoderConfig.assign(avcC->payload.begin(), avcC->payload.end());
            t.nalLengthSize = (avcC->payload[4] & 3) + 1;
        } else {
            if (entry.type != "mp4a" || entry.payload.size() < 28)
                return error = path.string() + " has a sound track that is not AAC", std::nullopt;
            t.channels = readBe16(entry.payload.data() + 16);
            t.decoderConfig = audioConfigFromEsds(find4cc(entry.payload, "esds"));
            if (t.decoderConfig.empty())
                return error = path.string() + " has no AAC configuration", std::nullopt;
        }
        const auto tables = sampleTables(stbl->payload);
        if (!tables)
            return error = path.string() + " has broken sample tables", std::nullopt;
        const std::uint8_t index = std::uint8_t(tpl.tracks.size());
        for (std::size_t i = 0; i < tables->offsets.size(); ++i) {
            placed.emplace_back(tables->offsets[i], index);
            t.largestSample = std::max(t.largestSample, tables->sizes[i]);
        }
        tpl.tracks.push_back(std::move(t));
    }
    if (!tpl.track(TrackKind::Video))
        return error = path.string() + " has no H.264 video track", std::nullopt;
    if (tpl.tracks.front().kind != TrackKind::Video) {
        std::swap(tpl.tracks[0], tpl.tracks[1]);
        for (auto& p : placed)
            p.second = std::uint8_t(1 - p.second);
    }
    std::stable_sort(placed.begin(), placed.end());
    tpl.order.reserve(placed.size());
    for (const auto& p : placed)
        tpl.order.push_back(p.second);
    return tpl;
}

} // namespace kivora::recording
