#include "tools/democard/MovAtoms.h"

#include <array>
#include <cstring>

namespace kivora::democard {

std::uint32_t readU32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void writeU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

std::vector<AtomInfo> listAtoms(std::span<const std::uint8_t> bytes, std::uint64_t begin, std::uint64_t end)
{
    std::vector<AtomInfo> atoms;
    end = std::min<std::uint64_t>(end, bytes.size());
    std::uint64_t p = begin;
    while (p + 8 <= end) {
        const std::uint64_t size = readU32(bytes.data() + p);
        if (size < 8 || p + size > end)
            break;
        atoms.push_back({ std::string(reinterpret_cast<const char*>(bytes.data() + p + 4), 4), p, size });
        p += size;
    }
    return atoms;
}

std::vector<AtomInfo> findAtoms(std::span<const std::uint8_t> bytes, std::span<const std::string> path)
{
    // Every match at each level, so that all tracks' tables are found.
    std::vector<AtomInfo> level = listAtoms(bytes, 0, bytes.size());
    std::vector<AtomInfo> matches;
    for (std::size_t depth = 0; depth < path.size(); ++depth) {
        matches.clear();
        for (const AtomInfo& a : level)
            if (a.type == path[depth])
                matches.push_back(a);
        if (depth + 1 == path.size())
            break;
        level.clear();
        for (const AtomInfo& m : matches) {
            auto children = listAtoms(bytes, m.offset + 8, m.offset + m.size);
            level.insert(level.end(), children.begin(), children.end());
        }
    }
    return matches;
}

Result<std::vector<std::uint8_t>> arrangeRecorderMovie(
    std::span<const std::uint8_t> muxed, std::span<const std::uint8_t> udatPayload)
{
    using R = Result<std::vector<std::uint8_t>>;
    const auto top = listAtoms(muxed, 0, muxed.size());
    const AtomInfo* ftyp = nullptr;
    const AtomInfo* mdat = nullptr;
    const AtomInfo* moov = nullptr;
    std::uint64_t covered = 0;
    for (const AtomInfo& a : top) {
        covered = a.offset + a.size;
        if (a.type == "ftyp" && !ftyp)
            ftyp = &a;
        else if (a.type == "mdat" && !mdat)
            mdat = &a;
        else if (a.type == "moov" && !moov)
            moov = &a;
    }
    if (!ftyp || !mdat || !moov || covered != muxed.size())
        return R::failure("the muxer wrote an unexpected file layout");
    if (udatPayload.size() > 0xFFFFFFF0u)
        return R::failure("the telemetry block is too large");

    std::vector<std::uint8_t> out;
    out.reserve(muxed.size() + udatPayload.size() + 8);
    out.insert(out.end(), muxed.begin() + ftyp->offset, muxed.begin() + ftyp->offset + ftyp->size);
    const std::int64_t shift
        = static_cast<std::int64_t>(out.size()) - static_cast<std::int64_t>(mdat->offset);
    out.insert(out.end(), muxed.begin() + mdat->offset, muxed.begin() + mdat->offset + mdat->size);
    const std::size_t moovAt = out.size();
    out.insert(out.end(), muxed.begin() + moov->offset, muxed.begin() + moov->offset + moov->size);

    // Chunk offsets point into mdat, which moved by `shift`.
    const std::span<const std::uint8_t> moovBytes(out.data() + moovAt, moov->size);
    for (const char* table : { "stco", "co64" }) {
        const std::array<std::string, 5> path { "trak", "mdia", "minf", "stbl", table };
        for (const AtomInfo& t : findAtoms(moovBytes.subspan(8), path)) {
            std::uint8_t* p = out.data() + moovAt + 8 + t.offset + 8;
            const std::uint32_t count = readU32(p + 4);
            const bool wide = std::strcmp(table, "co64") == 0;
            const std::uint64_t entryBytes = wide ? 8 : 4;
            if (16 + count * entryBytes > t.size)
                return R::failure("the muxer wrote a truncated chunk table");
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint8_t* e = p + 8 + i * entryBytes;
                if (wide) {
                    const std::uint64_t v = (std::uint64_t(readU32(e)) << 32) | readU32(e + 4);
                    const std::uint64_t moved
                        = static_cast<std::uint64_t>(static_cast<std::int64_t>(v) + shift);
                    writeU32(e, std::uint32_t(moved >> 32));
                    writeU32(e + 4, std::uint32_t(moved));
                } else {
                    writeU32(e, static_cast<std::uint32_t>(static_cast<std::int64_t>(readU32(e)) + shift));
                }
            }
        }
    }

    std::uint8_t header[8];
    writeU32(header, static_cast<std::uint32_t>(udatPayload.size() + 8));
    std::memcpy(header + 4, "udat", 4);
    out.insert(out.end(), header, header + 8);
    out.insert(out.end(), udatPayload.begin(), udatPayload.end());
    return R::success(std::move(out));
}

} // namespace kivora::democard
