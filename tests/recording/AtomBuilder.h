#pragma once

// Builds small QuickTime atom files in memory for the movie reader's tests and fuzz seeds.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace kivora::testing {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(Bytes& b, std::uint32_t v)
{
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}

inline void putU32(Bytes& b, std::uint32_t v)
{
    putU16(b, v >> 16);
    putU16(b, v & 0xFFFF);
}

inline void putText(Bytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }

inline void putZeros(Bytes& b, std::size_t n) { b.insert(b.end(), n, 0); }

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An atom with a 32-bit size; sizeOverride writes another size field (hostile files).
inline Bytes atom(std::string_view type, const Bytes& payload, std::int64_t sizeOverride = -1)
{
    Bytes out;
    putU32(out, sizeOverride >= 0 ? std::uint32_t(sizeOverride) : std::uint32_t(payload.size() + 8));
    putText(out, type);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline Bytes container(std::string_view type, std::initializer_list<Bytes> children) { return atom(type, cat(children)); }

inline Bytes ftyp()
{
    Bytes p;
    putText(p, "qt  ");
    putU32(p, 0);
    putText(p, "qt  ");
    return atom("ftyp", p);
}

inline Bytes mvhd(std::uint32_t timescale, std::uint32_t duration)
{
    Bytes p;
    putU32(p, 0); // version 0, flags
    putU32(p, 0);
    putU32(p, 0);
    putU32(p, timescale);
    putU32(p, duration);
    putU32(p, 0x00010000);
    putU16(p, 0x0100);
    putZeros(p, 10 + 36 + 24);
    putU32(p, 3);
    return atom("mvhd", p);
}

inline Bytes tkhd(std::uint32_t trackId, std::uint32_t duration)
{
    Bytes p;
    putU32(p, 3);
    putU32(p, 0);
    putU32(p, 0);
    putU32(p, trackId);
    putU32(p, 0);
    putU32(p, duration);
    putZeros(p, 8 + 8 + 36 + 8);
    return atom("tkhd", p);
}

inline Bytes mdhd(std::uint32_t timescale, std::uint32_t duration)
{
    Bytes p;
    putU32(p, 0);
    putU32(p, 0);
    putU32(p, 0);
    putU32(p, timescale);
    putU32(p, duration);
    putU32(p, 0);
    return atom("mdhd", p);
}

inline Bytes hdlr(std::string_view handler)
{
    Bytes p;
    putU32(p, 0);
    putU32(p, 0);
    putText(p, handler);
    putZeros(p, 12 + 1);
    return atom("hdlr", p);
}

inline Bytes dinf()
{
    Bytes dref;
    putU32(dref, 0);
    putU32(dref, 1);
    Bytes url;
    putU32(url, 1);
    const Bytes urlAtom = atom("url ", url);
    dref.insert(dref.end(), urlAtom.begin(), urlAtom.end());
    return container("dinf", {atom("dref", dref)});
}

inline Bytes videoStsd(int width, int height)
{
    Bytes entry;
    putZeros(entry, 6);
    putU16(entry, 1);
    putZeros(entry, 16);
    putU16(entry, std::uint32_t(width));
    putU16(entry, std::uint32_t(height));
    putU32(entry, 0x00480000);
    putU32(entry, 0x00480000);
    putU32(entry, 0);
    putU16(entry, 1);
    putZeros(entry, 32);
    putU16(entry, 24);
    putU16(entry, 0xFFFF);
    Bytes p;
    putU32(p, 0);
    putU32(p, 1);
    const Bytes e = atom("avc1", entry);
    p.insert(p.end(), e.begin(), e.end());
    return atom("stsd", p);
}

inline Bytes audioStsd()
{
    Bytes entry;
    putZeros(entry, 6);
    putU16(entry, 1);
    putZeros(entry, 8);
    putU16(entry, 2);
    putU16(entry, 16);
    putU32(entry, 0);
    putU32(entry, 48000u << 16);
    Bytes p;
    putU32(p, 0);
    putU32(p, 1);
    const Bytes e = atom("mp4a", entry);
    p.insert(p.end(), e.begin(), e.end());
    return atom("stsd", p);
}

inline Bytes stts(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> entries)
{
    Bytes p;
    putU32(p, 0);
    putU32(p, std::uint32_t(entries.size()));
    for (auto [count, delta] : entries) {
        putU32(p, count);
        putU32(p, delta);
    }
    return atom("stts", p);
}

inline Bytes table(std::string_view type, std::uint32_t count, std::uint32_t value)
{
    Bytes p;
    putU32(p, 0);
    putU32(p, count);
    for (std::uint32_t i = 0; i < count; ++i)
        putU32(p, value + i);
    return atom(type, p);
}

inline Bytes stsz(std::uint32_t count, std::uint32_t size)
{
    Bytes p;
    putU32(p, 0);
    putU32(p, 0);
    putU32(p, count);
    for (std::uint32_t i = 0; i < count; ++i)
        putU32(p, size);
    return atom("stsz", p);
}

inline Bytes stsc()
{
    Bytes p;
    putU32(p, 0);
    putU32(p, 1);
    putU32(p, 1);
    putU32(p, 1);
    putU32(p, 1);
    return atom("stsc", p);
}

struct MovieRecipe {
    std::uint32_t frames = 90;          // video samples
    std::uint32_t timescale = 600;      // movie and media timescale
    std::uint32_t frameDelta = 20;      // media ticks per frame (600 / 20 = 30 fps)
    int width = 1280;
    int height = 720;
    bool withMvhd = true;
    bool withStsd = true;
    bool audioFirst = false;            // an audio track before the video track
    bool audioStts = true;              // the audio track has a time-to-sample table
    Bytes mdatPayload = Bytes(256, 0x11);
    Bytes extraMoov;                    // appended inside "moov"
    Bytes extraTrak;                    // appended inside the video "trak"
    Bytes tail;                         // appended after "moov" (a "udat" atom)
};

inline Bytes videoTrak(const MovieRecipe& s)
{
    const std::uint32_t duration = s.frames * s.frameDelta;
    Bytes stbl = cat({s.withStsd ? videoStsd(s.width, s.height) : Bytes{}, stts({{s.frames, s.frameDelta}}),
                      table("stss", 1, 1), stsc(), stsz(s.frames, 100), table("stco", s.frames, 1000)});
    Bytes vmhd;
    putU32(vmhd, 1);
    putZeros(vmhd, 8);
    const Bytes minf = container("minf", {atom("vmhd", vmhd), dinf(), atom("stbl", stbl)});
    const Bytes mdia = container("mdia", {mdhd(s.timescale, duration), hdlr("vide"), minf});
    return atom("trak", cat({tkhd(1, duration), mdia, s.extraTrak}));
}

inline Bytes audioTrak(const MovieRecipe& s)
{
    Bytes stbl = cat({audioStsd(), s.audioStts ? stts({{1000, 1024}}) : Bytes{}, stsc(), stsz(4, 300),
                      table("stco", 4, 5000)});
    Bytes smhd;
    putU32(smhd, 0);
    putU32(smhd, 0);
    const Bytes minf = container("minf", {atom("smhd", smhd), dinf(), atom("stbl", stbl)});
    const Bytes mdia = container("mdia", {mdhd(48000, 48000 * 3), hdlr("soun"), minf});
    return container("trak", {tkhd(2, 1800), mdia});
}

// ftyp, mdat, moov, then the tail: the order the recorder writes.
inline Bytes movie(const MovieRecipe& s)
{
    const std::uint32_t duration = s.frames * s.frameDelta;
    Bytes moov = cat({s.withMvhd ? mvhd(s.timescale, duration) : Bytes{}});
    if (s.audioFirst) {
        moov = cat({moov, audioTrak(s), videoTrak(s)});
    } else {
        moov = cat({moov, videoTrak(s), audioTrak(s)});
    }
    moov = cat({moov, s.extraMoov});
    return cat({ftyp(), atom("mdat", s.mdatPayload), atom("moov", moov), s.tail});
}

// A folder removed with everything in it when the test ends.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kivora-atoms-XXXXXX").string();
        if (::mkdtemp(tmpl.data()))
            m_path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    std::filesystem::path write(const std::string& name, const Bytes& bytes) const
    {
        const std::filesystem::path file = m_path / name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file;
    }

private:
    std::filesystem::path m_path;
};

// A file in memory with a path, for loops over many small inputs (no disk traffic).
class MemFile {
public:
    MemFile() : m_fd(::memfd_create("kivora-atoms", MFD_CLOEXEC)) {}
    ~MemFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;

    // Replaces the content; returns the path that opens it.
    std::filesystem::path write(const std::uint8_t* data, std::size_t size) const
    {
        if (::ftruncate(m_fd, 0) != 0)
            return {};
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, off_t(done));
            if (n <= 0)
                return {};
            done += std::size_t(n);
        }
        return "/proc/self/fd/" + std::to_string(m_fd);
    }
    std::filesystem::path write(const Bytes& bytes) const { return write(bytes.data(), bytes.size()); }

private:
    int m_fd;
};

} // namespace kivora::testing
