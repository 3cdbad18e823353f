#pragma once

#include "tools/democard/CardWriter.h"

#include <string>

namespace kivora::democard {

// The generator's own record of a card as JSON: every recording, its files, movies and every
// telemetry record's values as written. Paths are relative to root when below it.
std::string manifestJson(const CardOptions& options, const std::vector<WrittenRecording>& recordings,
    const std::filesystem::path& root);

} // namespace kivora::democard
