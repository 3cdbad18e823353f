#include "kivora/recording/MovieAtoms.h"

#include "kivora/recording/FileWindow.h"
#include "kivora/recording/KnownAtomTypes.h"
#include "kivora/system/BigEndian.h"
#include "kivora/system/FileOps.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace kivora::recording {
namespace {

std::atomic<std::int64_t> g_nodeCounter { 0 };
std::atomic<std::int64_t> g_nodeTotal { 0 };
// Atoms created by the build running on this thread; caps hostile files.
thread_local std::uint64_t t_buildNodes = 0;

constexpr auto readU32 = system::readBe32;
constexpr auto readU64 = system::readBe64;

void setType(AtomNode& node, const std::uint8_t* four)
{
    for (int i = 0; i < 4; ++i) {
        node.type[i] = static_cast<char>(four[i]);
        node.typeUtf16[i] = static_cast<char16_t>(four[i]);
    }
    node.type[4] = '\0';
    node.typeUtf16[4] = u'\0';
}

// Copies a leaf's payload: a small one through the build's window, a large one through views of
// at most kMaxViewBytes.
bool copyPayload(sMP4MOVIE& movie, FileWindow& window, AtomNode& node)
{
    node.payload.resize(static_cast<std::size_t>(node.payloadSize)); // bad_alloc ends the build
    if (node.payloadSize == 0)
        return true;
    if (node.payloadSize <= FileWindow::kWindow - FileWindow::kBackSlack) {
        const std::uint8_t* bytes = window.at(node.payloadOffset, node.payload.size());
        if (!bytes)
            return false;
        std::memcpy(node.payload.data(), bytes, node.payload.size());
        return true;
    }
    std::uint64_t done = 0;
    while (done < node.payloadSize) {
        const auto chunk
            = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxViewBytes, node.payloadSize - done));
        MappedView view = movie.file.map(node.payloadOffset + done, chunk);
        if (view.size() != chunk)
            return false;
        std::memcpy(node.payload.data() + done, view.data(), chunk);
        done += chunk;
    }
    return true;
}

// A payload that starts like an atom of a known type holds atoms. Movie data never does: its
// bytes are frames, and it is copied from the file when written.
bool looksLikeContainer(FileWindow& window, const AtomNode& node)
{
    if (node.isType("mdat") || node.payloadSize < 8)
        return false;
    const std::uint8_t* head = window.at(node.payloadOffset, 8);
    return head && isKnownAtomType(head + 4);
}

void collect(sMP4MOVIE& movie, AtomNode& node)
{
    for (std::size_t i = 0; i < kCollectedAtomTypes.size(); ++i) {
        if (node.isType(kCollectedAtomTypes[i]))
            movie.lists[i].push_back(&node);
    }
    for (AtomNode& child : node.children)
        collect(movie, child);
}

const AtomNode* findFirst(const AtomNode& node, std::string_view type)
{
    if (node.isType(type))
        return &node;
    for (const AtomNode& child : node.children) {
        if (const AtomNode* hit = findFirst(child, type))
            return hit;
    }
    return nullptr;
}

const AtomNode* findVideoTrack(const AtomNode& node)
{
    if (node.isType("trak")) {
        const AtomNode* mdia = findFirst(node, "mdia");
        const AtomNode* hdlr = mdia ? findFirst(*mdia, "hdlr") : nullptr;
        if (hdlr && hdlr->payload.size() >= 12 && std::memcmp(hdlr->payload.data() + 8, "vide", 4) == 0)
            return &node;
        return nullptr;
    }
    for (const AtomNode& child : node.children) {
        if (const AtomNode* hit = findVideoTrack(child))
            return hit;
    }
    return nullptr;
}

// The atom of `type` in the video track; the first one of the movie when no track calls itself
// video (a recorder's first track is its video track).
const AtomNode* videoTrackAtom(const sMP4MOVIE& movie, AtomList list, std::string_view type)
{
    if (const AtomNode* track = findVideoTrack(movie.root))
        return findFirst(*track, type);
    const auto& all = movie.list(list);
    return all.empty() ? nullptr : all.front();
}

} // namespace

sMP4MOVIE::~sMP4MOVIE() = default;

bool IsMovieFile(const std::filesystem::path& path)
{
    std::uint64_t size = 0;
    return IsMovieFile(path, size);
}

bool IsMovieFile(const std::filesystem::path& path, std::uint64_t& size)
{
    // O_NONBLOCK: a FIFO named like a movie must not block a scan; regular files ignore it.
    const system::UniqueFd fd = system::openForReading(path);
    const auto fileSize = system::regularFileSize(fd);
    std::uint8_t head[260];
    if (!fileSize || *fileSize < sizeof head || system::readAt(fd, head, sizeof head, 0) != sizeof head
        || std::memcmp(head + 4, "ftyp", 4) != 0)
        return false;
    size = *fileSize;
    return true;
}

namespace {

// One window serves the whole build: a movie's atoms then cost a mapping or two, not two per atom.
// Pointers from the window are used before the next call that may move it.
bool buildChildren(sMP4MOVIE& movie, FileWindow& window, AtomNode& parent, int depth)
{
    parent.depth = depth;
    const bool isRoot = depth == 0;
    if (!isRoot && !looksLikeContainer(window, parent)) {
        parent.loaded = 1;
        return parent.isType("mdat") || copyPayload(movie, window, parent);
    }
    if (isRoot) {
        // A file that does not start like an atom is held as one opaque root.
        const std::uint8_t* head = window.at(0, 8);
        if (!head || !isKnownAtomType(head + 4)) {
            parent.loaded = 1;
            return !window.failed();
        }
    }
    if (depth >= kMaxAtomDepth)
        return false;

    const std::uint64_t end = parent.payloadOffset + parent.payloadSize;
    std::uint64_t p = parent.payloadOffset;
    while (p < end) {
        if (end - p < 8) {
            // Some writers close a list with a zero word; anything else is a broken atom.
            const std::uint8_t* tail = window.at(p, static_cast<std::size_t>(end - p));
            if (!tail)
                return false;
            for (std::uint64_t i = 0; i < end - p; ++i) {
                if (tail[i] != 0)
                    return false;
            }
            break;
        }
        const std::uint8_t* header = window.at(p, 8);
        if (!header)
            return false;
        const std::uint64_t size = readU32(header);
        // 0 (to the end of the file) and 1 (a 64-bit size follows) are not supported; an atom may
        // not overrun its container.
        if (size < 8 || size > end - p)
            return false;
        if (++t_buildNodes > kMaxAtomNodes)
            return false;
        AtomNode child;
        setType(child, header + 4);
        child.payloadSize = size - 8;
        child.payloadOffset = p + 8;
        child.sourcePayloadSize = child.payloadSize;
        child.sourcePayloadOffset = child.payloadOffset;
        child.sourcePath = movie.path;
        child.progress = movie.progress;
        ++g_nodeCounter;
        if (!buildChildren(movie, window, child, depth + 1))
            return false;
        parent.children.push_back(std::move(child));
        p += size;
    }
    parent.loaded = 0;
    parent.payload.clear();
    return true;
}

} // namespace

bool BuildChildren(sMP4MOVIE& movie, AtomNode& parent, int depth)
{
    FileWindow window(movie.file, movie.fileSize);
    return buildChildren(movie, window, parent, depth);
}

std::unique_ptr<sMP4MOVIE> OpenMovieTree(
    const std::filesystem::path& path, bool checkRoot, bool reportProgress, ProgressCallback progress)
{
    if (checkRoot && !IsMovieFile(path))
        return nullptr;
    auto movie = std::make_unique<sMP4MOVIE>();
    if (!movie->file.open(path))
        return nullptr;
    movie->path = std::make_shared<const std::filesystem::path>(path);
    movie->fileSize = movie->file.size();
    if (reportProgress)
        movie->progress = std::make_shared<const ProgressCallback>(std::move(progress));
    AtomNode& root = movie->root;
    root.payloadSize = movie->fileSize;
    root.sourcePayloadSize = movie->fileSize;
    root.sourcePath = movie->path;
    root.progress = movie->progress;

    const std::int64_t before = g_nodeCounter.load();
    ++g_nodeCounter;
    t_buildNodes = 1;
    bool ok = false;
    try {
        ok = BuildChildren(*movie, root, 0);
    } catch (const std::bad_alloc&) {
        ok = false;
    } catch (const std::length_error&) {
        ok = false;
    }
    if (!ok) {
        g_nodeCounter -= g_nodeCounter.load() - before;
        return nullptr;
    }
    collect(*movie, root);
    g_nodeTotal = g_nodeCounter.load();
    return movie;
}

std::pair<int, int> PictureSize(const sMP4MOVIE& movie)
{
    const AtomNode* stsd = videoTrackAtom(movie, AtomList::Stsd, "stsd");
    if (!stsd || stsd->payload.size() < 44)
        return { -1, -1 };
    const std::uint8_t* d = stsd->payload.data();
    return { (d[40] << 8) | d[41], (d[42] << 8) | d[43] };
}

std::int64_t FrameCount(const sMP4MOVIE& movie)
{
    const AtomNode* stts = videoTrackAtom(movie, AtomList::Stts, "stts");
    if (!stts)
        return -1;
    const auto& d = stts->payload;
    if (d.size() < 8)
        return 0;
    const std::uint64_t entries = std::min<std::uint64_t>(readU32(d.data() + 4), (d.size() - 8) / 8);
    std::int64_t total = 0;
    for (std::uint64_t i = 0; i < entries; ++i)
        total += readU32(d.data() + 8 + 8 * i);
    return total;
}

MovieTime DecodeMovieHeader(std::span<const std::uint8_t> d)
{
    if (d.size() >= 20 && d[0] == 0)
        return { readU32(d.data() + 12), readU32(d.data() + 16) };
    if (d.size() >= 32 && d[0] == 1)
        return { readU32(d.data() + 20), readU64(d.data() + 24) };
    return {};
}

float FrameRate(const sMP4MOVIE& movie)
{
    const auto& mvhds = movie.list(AtomList::Mvhd);
    if (mvhds.empty())
        return -1.0f;
    const auto [timescale, duration] = DecodeMovieHeader(mvhds.front()->payload);
    const std::int64_t frames = FrameCount(movie);
    if (frames < 0 || duration == 0)
        return -1.0f;
    return static_cast<float>(double(frames) * double(timescale) / double(duration));
}

void ReleaseTree(AtomNode& node)
{
    for (AtomNode& child : node.children)
        ReleaseTree(child);
    std::vector<AtomNode>().swap(node.children);
    std::vector<std::uint8_t>().swap(node.payload);
    if (node.progress && *node.progress) {
        const std::int64_t remaining = --g_nodeCounter;
        const std::int64_t total = g_nodeTotal.load();
        const std::int64_t scaled = total + static_cast<std::int64_t>(float(total) * 0.1f);
        (*node.progress)(scaled - remaining + 1, scaled);
        // Gives the progress bar time to move.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CloseMovie(std::unique_ptr<sMP4MOVIE> movie)
{
    if (!movie)
        return;
    ReleaseTree(movie->root);
    for (auto& list : movie->lists)
        list.clear();
    movie->file.close();
}

std::int64_t atomNodeCounter()
{
    return g_nodeCounter.load();
}
std::int64_t atomNodeTotal()
{
    return g_nodeTotal.load();
}

void resetAtomNodeCounters()
{
    g_nodeCounter = 0;
    g_nodeTotal = 0;
}

} // namespace kivora::recording
