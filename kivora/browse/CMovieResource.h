#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/system/UniqueFd.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace kivora::browse {

// The source watcher: a thread that posts 0x84B1 to the owner once when the source went away.
// The kernel reports a deleted, moved or unmounted source at once (inotify); a look at the paths
// every so often catches what it cannot report (an ancestor renamed) and stands in for it
// entirely, every 100 ms, where it cannot watch (no inotify, or its watch limit reached). Besides
// the watched path it checks that the source itself still exists on the file system it was
// opened on, so an unmounted card counts as removed even when its mount point stays behind.
class CMovieResource {
public:
    struct Options {
        std::chrono::milliseconds fallbackPoll { 100 }; // where the kernel does not watch
        std::chrono::milliseconds watchedPoll { 1000 }; // beside the kernel's reports
        bool useInotify = true;
    };

    explicit CMovieResource(platform::MessageTarget owner = {});
    CMovieResource(platform::MessageTarget owner, Options options);
    // Stops the thread and waits for it.
    ~CMovieResource();
    CMovieResource(const CMovieResource&) = delete;
    CMovieResource& operator=(const CMovieResource&) = delete;

    // UI thread. watched: the path whose absence means removal (empty: not watched); source: the
    // opened source, whose file system is remembered now (empty: not watched). Clears the mark.
    void SetPath(const std::filesystem::path& watched, const std::filesystem::path& source);
    void setOwner(platform::MessageTarget owner);
    std::filesystem::path path() const;
    bool sourceRemoved() const { return m_removed.load(); }
    void clearRemoved() { m_removed.store(false); }
    // Whether the kernel watches the current paths (false: only the 100 ms look). For tests.
    bool kernelWatching() const { return m_kernelWatching.load(); }

    // One look, as the thread takes it; true when it reported a removal. For tests.
    bool poll();

private:
    void run(std::stop_token stop);
    // Thread: replaces the kernel's watches by watches of the current paths.
    void rewatch(const system::UniqueFd& notify, std::vector<int>& watches);
    void wake() const;

    const Options m_options;
    system::UniqueFd m_wake; // eventfd: a new path or the stop reaches the waiting thread

    // Lock order: m_mutex is a leaf; never held while posting or waiting.
    mutable std::mutex m_mutex; // guards the fields up to m_owner
    std::filesystem::path m_watched;
    std::filesystem::path m_source;
    dev_t m_sourceDevice = 0;
    bool m_hasDevice = false;
    platform::MessageTarget m_owner;

    std::atomic<unsigned> m_pathGeneration { 0 }; // bumped by SetPath; the thread rewatches
    std::atomic<bool> m_removed { false };
    std::atomic<bool> m_kernelWatching { false }; // written by the thread
    std::jthread m_thread; // last: started when everything above exists
};

} // namespace kivora::browse
