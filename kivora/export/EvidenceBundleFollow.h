#pragma once

// Hashes the files that another thread writes into a folder while they are being written, so that
// the join of a bundle and the hashing of its output share the machine's cores instead of taking
// turns. Two files are hashed at once: the next one need not wait for a long one before it. Only
// an accelerator: a file it did not follow to its end has no digest here and is then hashed the
// ordinary way.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace kivora::exporting {

class FolderFollower {
public:
    // Starts following files created in folder from now on, and in the folders made in it (not
    // deeper). stopped is asked on the following threads between blocks: true ends the work early.
    FolderFollower(const std::filesystem::path& folder, std::function<bool()> stopped = {});
    ~FolderFollower();
    FolderFollower(const FolderFollower&) = delete;
    FolderFollower& operator=(const FolderFollower&) = delete;

    // The writer is done (every file it wrote is closed): hashes what is left and waits for it.
    void finish();
    // Ends the work early, from any thread; files not yet at their end get no digest.
    void stop();

    // The digest of file, when it is a file followed from its creation to its close (the same file
    // under a later name, as after a staged file's rename). Only after finish().
    std::optional<std::string> digestOf(const std::filesystem::path& file) const;

    // Read by the caller only after finish().
    std::uint64_t hashedBytes() const;
    double hashSeconds() const;

private:
    struct State;
    void run(std::stop_token stop);

    std::unique_ptr<State> m_state;
    std::atomic<bool> m_finishing { false };
    std::jthread m_threads[2]; // last: joined before the state goes
};

} // namespace kivora::exporting
