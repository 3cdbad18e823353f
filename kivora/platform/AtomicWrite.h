#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kivora::platform {

// Replaces the file at target with bytes so that readers see either the old or the new content,
// never a mix: the bytes go to a temporary file in the same folder, are flushed to the disk and
// renamed over target. An existing target keeps its permission bits (and owner, where allowed);
// a symbolic link is followed and the file it names is replaced.
// On failure the temporary file is removed, target is unchanged, and error (when given) says why.
bool writeFileAtomically(
    const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

} // namespace kivora::platform
