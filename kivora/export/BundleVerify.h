#pragma once

// Checks an evidence bundle against its own digests.

#include <filesystem>
#include <string>
#include <vector>

namespace kivora::exporting {

struct BundleCheck {
    bool ok = false; // every listed file is present and unchanged, and none was added
    std::string error; // the bundle could not be checked at all (no SHA256SUMS ...)
    std::vector<std::string> changed; // relative paths whose bytes differ from their digest
    std::vector<std::string> missing;
    std::vector<std::string> extra; // files that no list names
};

// Re-hashes every plain file of the bundle; anything else in it (a link, a pipe) is named as changed
// or extra without being read. The manifest's digests back up SHA256SUMS: when the manifest
// itself is intact and the two lists disagree, SHA256SUMS is the file that was changed and the
// manifest's list is used.
BundleCheck VerifyBundle(const std::filesystem::path& bundle);

} // namespace kivora::exporting
