#include "kivora/app/FileWorkResume.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kivora::app {

void FileWorkResume::remember(std::filesystem::path movie, std::int64_t shownFrame)
{
    m_armed = false;
    m_frame = movie.empty() ? -1 : std::max<std::int64_t>(shownFrame, 0);
    m_movie = std::move(movie);
}

bool FileWorkResume::arm()
{
    std::error_code ec;
    if (m_movie.empty() || !std::filesystem::exists(m_movie, ec)) {
        m_movie.clear();
        m_frame = -1;
        return false;
    }
    m_armed = true;
    return true;
}

std::optional<std::int64_t> FileWorkResume::take(const std::filesystem::path& openMovie)
{
    if (!std::exchange(m_armed, false))
        return std::nullopt;
    const std::filesystem::path movie = std::exchange(m_movie, {});
    const std::int64_t frame = std::exchange(m_frame, -1);
    if (frame > 0 && openMovie == movie)
        return frame;
    return std::nullopt;
}

} // namespace kivora::app
