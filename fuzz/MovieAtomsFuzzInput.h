#pragma once

// One fuzz input through the movie reader: movie test, timing probe, the whole atom tree with its
// queries (checking that every atom lies inside its container and the file), and the three tag
// scans with handlers that read every byte they are handed, so that any view overrun is caught.
// Shared by the libFuzzer target and the test that replays the seeds.

#include "fuzz/MemoryFile.h"
#include "kivora/recording/AtomScan.h"
#include "kivora/recording/MovieAtoms.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivora::fuzzing {

using namespace kivora::recording;

namespace movie_atoms_detail {

using kivora::fuzzing::MemoryFile;

void checkTree(const AtomNode& node, std::uint64_t fileSize, int depth)
{
    const std::uint64_t end = node.payloadOffset + node.payloadSize;
    if (node.depth != depth || depth > kMaxAtomDepth || end > fileSize || end < node.payloadOffset)
        __builtin_trap();
    if (depth > 0 && node.loaded && !node.isType("mdat") && node.payload.size() != node.payloadSize)
        __builtin_trap(); // a leaf holds its whole payload
    if (!node.loaded && !node.payload.empty())
        __builtin_trap();
    std::uint64_t previousEnd = node.payloadOffset;
    for (const AtomNode& child : node.children) {
        if (child.payloadOffset < previousEnd + 8 || child.payloadOffset + child.payloadSize > end)
            __builtin_trap(); // children follow each other inside their container
        previousEnd = child.payloadOffset + child.payloadSize;
        checkTree(child, fileSize, depth + 1);
    }
}

int touch(ScanReader&, std::span<const std::uint8_t> data)
{
    volatile std::uint8_t sum = 0;
    for (const std::uint8_t b : data)
        sum = static_cast<std::uint8_t>(sum + b);
    return sum;
}

} // namespace movie_atoms_detail

inline int fuzzMovieAtomsInput(const std::uint8_t* data, std::size_t size)
{
    using namespace movie_atoms_detail;
    MemoryFile file(data, size);
    if (!file.ok())
        return 0;
    const std::string path = file.path();

    IsMovieFile(path);
    ScanReader reader;
    const int probe = ProbeTiming(reader, path);
    if (probe < kProbeFailed || probe > kProbeTooShort || (probe == kProbeOk && !(reader.msPerFrame > 0.0f)))
        __builtin_trap();

    if (auto movie = OpenMovieTree(path)) {
        checkTree(movie->root, size, 0);
        for (std::size_t i = 0; i < movie->lists.size(); ++i) {
            for (const AtomNode* node : movie->lists[i]) {
                if (node->typeName() != kCollectedAtomTypes[i])
                    __builtin_trap();
            }
        }
        const auto [width, height] = PictureSize(*movie);
        if ((width < 0) != (height < 0))
            __builtin_trap();
        FrameCount(*movie);
        FrameRate(*movie);
        CloseMovie(std::move(movie));
    }

    if (openScanFile(reader, path)) {
        TagMatcher block;
        block.tag = "CSMDAT";
        block.length = 6;
        block.handler = touch;
        ScanFromStart(reader, block);
        TagMatcher stsd;
        stsd.tag = "stsd";
        stsd.length = 4;
        stsd.handler = touch;
        ScanAnywhere(reader, stsd);
        static constexpr std::string_view kSizesPath[] = { "moov", "trak", "mdia", "minf", "stbl", "stsz" };
        WalkAtomPath(reader, kSizesPath, touch);
        closeScanFile(reader);
    }
    return 0;
}

} // namespace kivora::fuzzing
