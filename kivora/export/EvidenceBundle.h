#pragma once

// Evidence bundles: a folder that someone who must trust the footage can check on any machine.
// It holds byte-identical copies of the recordings' files (with their modification times), the
// joined main and sub movies, the track, the listing, stills at the shock and manual marks, a
// self-contained report, manifest.json, and SHA256SUMS that `sha256sum -c SHA256SUMS` checks.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kivora::recording {
struct SystemTime;
}

namespace kivora::exporting {

inline constexpr char kSumsFileName[] = "SHA256SUMS";
inline constexpr char kManifestFileName[] = "manifest.json";

struct BundleRequest {
    std::vector<std::filesystem::path> recordings; // main-camera movies, in any order
    std::filesystem::path outDir; // the bundle folder is made in it
    std::chrono::system_clock::time_point exportTime = std::chrono::system_clock::now();
    // The card layout that pairs the recordings with their data files; unset: the layout of the
    // first recording's folder (recording::MovieLayout).
    std::optional<int> layout;
};

// Bytes done and bytes to do in all; called on the building thread.
using BundleProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct BundleResult {
    bool ok = false;
    bool cancelled = false;
    std::filesystem::path path; // the finished bundle
    std::string error;
    std::vector<std::string> notes; // what was left out, and why (also in the report and manifest)
    std::uint64_t hashedBytes = 0; // through SHA-256
    double hashSeconds = 0.0; // processor time spent inside the hash, summed over threads
    // Wall-clock seconds of each step in order (copy, join, documents, ...), for finding where a
    // slow build spends its time.
    std::vector<std::pair<std::string, double>> steps;
};

// "Evidence_YYYYMMDD_HHMMSS".
std::string BundleFolderName(const recording::SystemTime& localTime);

// Builds the bundle of the recordings in request.outDir. The recordings are only read, each file
// once while it is copied and hashed; every copy is read back as it is written and compared with
// the bytes that were hashed. The bundle is
// built in a hidden folder beside its final place and renamed when complete, so a failure, a
// cancel (read before each block) or a full disk leaves nothing behind. A bundle folder of the
// same name that exists already is never replaced. Any thread; the process-wide current layout is
// neither read nor changed.
BundleResult BuildEvidenceBundle(const BundleRequest& request, const BundleProgress& progress = {},
    const std::atomic<bool>* cancel = nullptr);

} // namespace kivora::exporting
