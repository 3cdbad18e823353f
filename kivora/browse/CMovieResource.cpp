#include "kivora/browse/CMovieResource.h"

#include "kivora/platform/MessageIds.h"

#include <sys/stat.h>

namespace kivora::browse {

namespace fs = std::filesystem;

CMovieResource::CMovieResource(platform::MessageTarget owner)
    : m_owner(std::move(owner))
    , m_thread([this](std::stop_token stop) { run(stop); })
{
}

CMovieResource::~CMovieResource()
{
    m_thread.request_stop();
    m_sleep.notify_all();
}

void CMovieResource::SetPath(const fs::path& watched, const fs::path& source)
{
    struct stat st { };
    const bool known = !source.empty() && ::stat(source.c_str(), &st) == 0;
    const std::lock_guard lock(m_mutex);
    m_watched = watched;
    m_source = known ? source : fs::path();
    m_sourceDevice = known ? st.st_dev : 0;
    m_hasDevice = known;
    m_removed.store(false);
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
        m_watched.clear();
        m_source.clear();
        m_hasDevice = false;
        owner = m_owner;
    }
    m_removed.store(true);
    owner.post(platform::kMsgSourceRemoved);
    return true;
}

void CMovieResource::run(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        poll();
        std::unique_lock lock(m_sleepMutex);
        m_sleep.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
    }
}

} // namespace kivora::browse
