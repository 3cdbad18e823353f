#pragma once

// Moves the two cameras of a recording together: every operation goes to the main engine and then
// to the sub engine, and the sub camera's frame numbers are converted by the two frame periods.

#include "kivora/playback/MovieEngine.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace kivora::playback {

// The zoom of one camera as the main window keeps it.
struct ZoomState {
    int clickX = 0;
    int clickY = 0;
    int anchorX = 0;
    int anchorY = 0;
    int panX = 0;
    int panY = 0;
    float previousFactor = 1.0f;
    float factor = 1.0f;
};

// Thread: as the engines' operations. subOpenResult is written by OpenBoth only.
class MoviePair {
public:
    MoviePair(MovieEngine& main, MovieEngine& sub);

    MovieEngine& main() { return m_main; }
    MovieEngine& sub() { return m_sub; }

    bool IsMovieFileBoth(const std::filesystem::path& path);
    int OpenBoth(const std::filesystem::path& mainPath);
    bool CloseBoth();
    bool LoadTelemetryBoth(const std::filesystem::path& mainPath);
    bool ReleaseTelemetryBoth();
    bool PreloadTelemetry(const std::filesystem::path& path);
    bool PlayBoth();
    bool PauseBoth();
    bool SeekBoth(std::int64_t frame);
    bool SetRateBoth(int code);
    bool RepaintBoth();
    bool SetZoomBoth(const std::array<ZoomState, 2>& zoom, bool repaint);
    int NextRateCode(bool faster);
    void LockBoth();
    void UnlockBoth();
    // How many times LockBoth ran in this process (any thread): a measuring aid for the
    // benchmark that checks that no paint takes the engine locks.
    static std::uint64_t lockCount();

    // The sub camera's frame at the moment of the main camera's frame.
    std::int64_t subFrameFor(std::int64_t mainFrame) const;

    int subOpenResult = 0;

private:
    MovieEngine& m_main;
    MovieEngine& m_sub;
};

} // namespace kivora::playback
