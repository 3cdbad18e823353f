#pragma once

#include "tools/democard/CardWriter.h"

#include <filesystem>

namespace kivora::app::test {

// The small silent card the window tests play: 640 × 360 main and 320 × 180 sub movies on one day.
// Callers set what their case needs (days, triggers, tiny) before writing it.
inline democard::CardOptions windowCardOptions(
    const std::filesystem::path& outDir, int recordings, double seconds)
{
    democard::CardOptions o;
    o.outDir = outDir;
    o.days = 1;
    o.recordings = recordings;
    o.seconds = seconds;
    o.main = { 640, 360 };
    o.sub = { 320, 180 };
    o.audio = false;
    return o;
}

} // namespace kivora::app::test
