#include "tools/kivora-cli/Commands.h"
#include "tools/kivora-cli/QtApplication.h"

#include "kivora/playback/MoviePair.h"
#include "kivora/recording/RecordingName.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace kivora::cli {

namespace {
constexpr auto kReadyTimeout = std::chrono::seconds(20);

bool waitReady(playback::MovieEngine& engine)
{
    const auto until = std::chrono::steady_clock::now() + kReadyTimeout;
    while (!engine.ready()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
} // namespace

// kivora-cli snapshot MOVIE FRAME OUT.jpg [--sub]: the still of a main-camera frame, or of the
// sub camera at the same moment, as the viewer's still command saves it.
int runSnapshot(std::span<char*> args)
{
    bool sub = false;
    std::vector<std::string> positional;
    for (char* a : args) {
        if (std::string(a) == "--sub")
            sub = true;
        else
            positional.emplace_back(a);
    }
    char* end = nullptr;
    const long long frame = positional.size() == 3 ? std::strtoll(positional[1].c_str(), &end, 10) : -1;
    if (positional.size() != 3 || !end || *end != '\0' || frame < 0) {
        std::fputs("usage: kivora-cli snapshot MOVIE FRAME OUT.jpg [--sub]\n", stderr);
        return 2;
    }
    const std::filesystem::path movie = positional[0];
    const std::filesystem::path out = positional[2];
    // A still written over the recording it shows would destroy the recording.
    for (const std::filesystem::path& own : { movie, recording::PairPath(movie) }) {
        std::error_code ec;
        if (std::filesystem::equivalent(out, own, ec)) {
            std::fprintf(
                stderr, "snapshot: %s: the still must not replace the recording's own movie\n", out.c_str());
            return 1;
        }
    }
    const auto app = ensureQtApplication<QGuiApplication>();

    playback::MovieEngine mainEngine;
    playback::MovieEngine subEngine;
    playback::MoviePair pair(mainEngine, subEngine);
    mainEngine.Init({}, QStringLiteral("Noto Sans CJK JP"));
    subEngine.Init({}, QStringLiteral("Noto Sans CJK JP"));

    pair.OpenBoth(movie);
    if (!mainEngine.hasSession()) {
        // Asking again tells a short recording from one that cannot be opened at all.
        std::fprintf(stderr, "snapshot: %s: %s\n", movie.c_str(),
            mainEngine.Open(movie) == playback::kOpenTooShort ? "the recording is too short to play"
                                                              : "the movie cannot be opened");
        return 1;
    }
    if (sub && pair.subOpenResult != playback::kOpenOk) {
        std::fprintf(stderr, "snapshot: %s: no sub-camera movie\n", movie.c_str());
        return 1;
    }
    if (!waitReady(mainEngine) || (pair.subOpenResult == playback::kOpenOk && !waitReady(subEngine))) {
        std::fprintf(stderr, "snapshot: %s: the movie did not become ready\n", movie.c_str());
        return 1;
    }
    const std::int64_t frames = mainEngine.GetDuration();
    if (frame >= frames) {
        std::fprintf(stderr, "snapshot: frame %lld is outside the movie (0..%lld)\n", frame,
            static_cast<long long>(frames - 1));
        return 1;
    }
    pair.SeekBoth(frame);
    playback::MovieEngine& engine = sub ? subEngine : mainEngine;
    int width = 0, height = 0;
    engine.GetNativeSize(width, height);
    if (!engine.SaveSnapshot(out)) {
        std::fprintf(stderr, "snapshot: %s: the still could not be saved\n", out.c_str());
        return 1;
    }
    std::printf("snapshot %s camera=%s frame=%lld width=%d height=%d\n", out.c_str(), sub ? "sub" : "main",
        static_cast<long long>(sub ? pair.subFrameFor(frame) : frame), width, height);
    pair.CloseBoth();
    return 0;
}

} // namespace kivora::cli
