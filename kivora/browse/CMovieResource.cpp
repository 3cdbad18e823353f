#include "kivora/browse/CMovieResource.h"

#include "kivora/browse/BrowseMessages.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <array>

namespace kivora::browse {

namespace fs = std::filesystem;

namespace {

// Reads whatever is pending; the events themselves do not matter, only that something happened.
void drain(int fd)
{
    std::array<char, 4096> buffer {};
    while (fd >= 0 && ::read(fd, buffer.data(), buffer.size()) > 0) { }
}

} // namespace

CMovieResource::CMovieResource(platform::MessageTarget owner)
    : CMovieResource(std::move(owner), Options {})
{
}

CMovieResource::CMovieResource(platform::MessageTarget owner, Options options)
    : m_options(options)
    , m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    , m_owner(std::move(owner))
    , m_thread([this](std::stop_token stop) { run(stop); })
{
}

CMovieResource::~CMovieResource()
{
    m_thread.request_stop();
    wake();
}

void CMovieResource::wake() const
{
    const std::uint64_t one = 1;
    if (m_wake) {
        [[maybe_unused]] const auto written = ::write(m_wake.get(), &one, sizeof one);
    }
}

void CMovieResource::SetPath(const fs::path& watched, const fs::path& source)
{
    struct stat st { };
    const bool known = !source.empty() && ::stat(source.c_str(), &st) == 0;
    {
        const std::lock_guard lock(m_mutex);
        m_watched = watched;
        m_source = known ? source : fs::path();
        m_sourceDevice = known ? st.st_dev : 0;
        m_hasDevice = known;
        m_removed.store(false);
    }
    ++m_pathGeneration;
    wake();
}

void CMovieResource::setOwner(platform::MessageTarget owner)
{
    const std::lock_guard lock(m_mutex);
    m_owner = std::move(owner);
}

fs::path CMovieResource::path() const
{
    const std::lock_guard lock(m_mutex);
    return m_watched;
}

bool CMovieResource::poll()
{
    platform::MessageTarget owner;
    {
        const std::lock_guard lock(m_mutex);
        if (m_watched.empty() && !m_hasDevice)
            return false;
        std::error_code ec;
        bool gone = !m_watched.empty() && !fs::exists(m_watched, ec);
        if (!gone && m_hasDevice) {
            struct stat st { };
            gone = ::stat(m_source.c_str(), &st) != 0 || st.st_dev != m_sourceDevice;
        }
        if (!gone || !m_owner.alive())
            return false;
        // Emptied under the lock, so whichever look comes next finds nothing to report.
        m_watched.clear();
        m_source.clear();
        m_hasDevice = false;
        owner = m_owner;
    }
    m_removed.store(true);
    owner.post(kMsgSourceRemoved);
    return true;
}

void CMovieResource::rewatch(const system::UniqueFd& notify, std::vector<int>& watches)
{
    for (const int w : watches)
        ::inotify_rm_watch(notify.get(), w);
    watches.clear();
    fs::path watched, source;
    {
        const std::lock_guard lock(m_mutex);
        watched = m_watched;
        source = m_source;
    }
    bool all = static_cast<bool>(notify);
    // A file that an engine holds open is not deleted while open; its link count changes at once.
    const std::pair<const fs::path&, std::uint32_t> wanted[] = {
        { watched, IN_DELETE_SELF | IN_MOVE_SELF },
        { source, IN_DELETE_SELF | IN_MOVE_SELF | IN_ATTRIB },
    };
    for (const auto& [path, mask] : wanted) {
        if (path.empty() || !notify)
            continue;
        const int w = ::inotify_add_watch(notify.get(), path.c_str(), mask);
        if (w >= 0)
            watches.push_back(w);
        else
            all = false; // its limits, or a path already gone: the look finds out
    }
    m_kernelWatching.store(all && !watches.empty());
}

void CMovieResource::run(std::stop_token stop)
{
    const system::UniqueFd notify(m_options.useInotify ? ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1);
    std::vector<int> watches;
    unsigned generation = ~0u;
    while (!stop.stop_requested()) {
        if (const unsigned now = m_pathGeneration.load(); now != generation) {
            generation = now;
            rewatch(notify, watches);
        }
        if (poll())
            rewatch(notify, watches); // the paths are empty now: nothing left to watch
        const auto interval = m_kernelWatching.load() ? m_options.watchedPoll : m_options.fallbackPoll;
        std::array<pollfd, 2> fds { { { notify.get(), POLLIN, 0 }, { m_wake.get(), POLLIN, 0 } } };
        ::poll(fds.data(), fds.size(), static_cast<int>(interval.count()));
        drain(notify.get());
        drain(m_wake.get());
    }
}

} // namespace kivora::browse
