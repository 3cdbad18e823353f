#pragma once

#include "kivora/platform/PostMessage.h"

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace kivora::browse {

// The source watcher: a thread that looks every 100 ms whether the source is still there and
// posts 0x84B1 to the owner once when it went away. Besides the watched path it checks that the
// source itself still exists on the file system it was opened on, so an unmounted card counts as
// removed even when its mount point stays behind as an empty folder.
class CMovieResource {
public:
    explicit CMovieResource(platform::MessageTarget owner = {});
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

    // One look, as the thread takes it; true when it reported a removal. For tests.
    bool poll();

private:
    void run(std::stop_token stop);

    mutable std::mutex m_mutex; // guards the fields up to m_owner; never held while posting
    std::filesystem::path m_watched;
    std::filesystem::path m_source;
    dev_t m_sourceDevice = 0;
    bool m_hasDevice = false;
    platform::MessageTarget m_owner;

    std::atomic<bool> m_removed { false };
    std::mutex m_sleepMutex;
    std::condition_variable_any m_sleep;
    std::jthread m_thread; // last: started when everything above exists
};

} // namespace kivora::browse
