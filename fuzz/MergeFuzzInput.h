#pragma once

// One fuzz input through the writer: two movies (the first four bytes say where the first ends)
// are opened, joined and written; a join that succeeds must write a movie that parses again with
// the frames of both. Shared by the libFuzzer target and the test that replays the seeds.

#include "fuzz/MemoryFile.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/MovieWriter.h"
#include "kivora/system/BigEndian.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace kivora::fuzzing {

// Where joined movies are written: a folder of its own in memory, removed at exit.
inline const std::filesystem::path& mergeOutputFolder()
{
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec))
            base = std::filesystem::temp_directory_path(ec);
        std::filesystem::path f = base / ("kivora-merge-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f, ec);
        return f;
    }();
    static const struct Cleanup {
        ~Cleanup()
        {
            std::error_code ec;
            std::filesystem::remove_all(mergeOutputFolder(), ec);
        }
    } cleanup;
    return folder;
}

// Joins that were written, so that the replay test can tell that it reached the writer at all.
inline std::size_t& mergesWritten()
{
    static std::size_t count = 0;
    return count;
}

// The movie's video frames, or -1 when it does not parse. Frames are compared only for movies with
// one time-to-sample table per description: with stray extra tables the reader and the writer may
// each take a different one, and neither is wrong.
inline std::int64_t videoFrames(const std::filesystem::path& movie, bool* plain = nullptr)
{
    using namespace kivora::recording;
    const auto tree = OpenMovieTree(movie, true);
    if (plain)
        *plain = tree && tree->list(AtomList::Stts).size() == tree->list(AtomList::Stsd).size();
    return tree ? FrameCount(*tree) : -1;
}

inline int fuzzMergeInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kivora::recording;
    if (size < 4)
        return 0;
    const std::size_t split = std::min<std::size_t>(kivora::system::readBe32(data), size - 4);
    MemoryFile first(data + 4, split);
    MemoryFile next(data + 4 + split, size - 4 - split);
    if (!first.ok() || !next.ok())
        return 0;
    bool plainA = false, plainB = false;
    const std::int64_t framesA = videoFrames(first.path(), &plainA);
    const std::int64_t framesB = videoFrames(next.path(), &plainB);

    ConcatJob job;
    const std::filesystem::path output = mergeOutputFolder() / "A___-230115-080000-000001M.MOV";
    if (OpenJob(job, first.path()) && AddToJob(job, next.path()) && WriteMovie(job, output)) {
        ++mergesWritten();
        const std::int64_t joined = videoFrames(output);
        if (joined < 0)
            __builtin_trap(); // a join that reports success wrote a movie that does not parse
        if (plainA && plainB && framesA >= 0 && framesB >= 0 && joined != framesA + framesB)
            __builtin_trap(); // the joined movie has the frames of both
    }
    CloseJob(job);
    std::error_code ec;
    std::filesystem::remove(output, ec);
    return 0;
}

} // namespace kivora::fuzzing
