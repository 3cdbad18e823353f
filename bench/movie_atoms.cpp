// Reading cost of a recording's structure: OpenMovieTree of a movie and DecodeAll of its data file.
// Usage: bench_movie_atoms MOVIE DATAFILE REPEAT → prints "tree SECONDS" and "decode SECONDS", the mean
// wall-clock time of one call each.

#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/TelemetryReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace kivora::recording;

namespace {
template <typename Fn> double meanSeconds(int repeat, Fn&& fn)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) {
        if (!fn())
            return -1.0;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / repeat;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: bench_movie_atoms MOVIE DATAFILE REPEAT\n", stderr);
        return 2;
    }
    const int repeat = std::max(1, std::atoi(argv[3]));
    const double tree = meanSeconds(repeat, [&] {
        auto movie = OpenMovieTree(argv[1]);
        const bool ok = movie && FrameCount(*movie) > 0;
        CloseMovie(std::move(movie));
        return ok;
    });
    const double decode = meanSeconds(repeat, [&] {
        TelemetryReader reader;
        const bool ok = InitReader(reader) && OpenFile(reader, argv[2]) && DecodeAll(reader);
        Release(reader);
        return ok;
    });
    if (tree < 0 || decode < 0) {
        std::fputs("bench_movie_atoms: the movie or its data file did not read\n", stderr);
        return 1;
    }
    std::printf("tree %.9f\ndecode %.9f\n", tree, decode);
    return 0;
}
