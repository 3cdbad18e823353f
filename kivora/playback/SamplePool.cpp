#include "kivora/playback/SamplePool.h"

namespace kivora::playback {

void SamplePool::initialize(std::vector<VideoSamplePtr> samples)
{
    std::lock_guard lock(m_mutex);
    m_free = std::move(samples);
    m_token = m_free.empty() ? m_token : m_free.front()->token;
    m_initialized = true;
    m_outstanding = 0;
}

void SamplePool::clear()
{
    std::lock_guard lock(m_mutex);
    m_free.clear();
    m_initialized = false;
    m_outstanding = 0;
}

VideoSamplePtr SamplePool::take()
{
    std::lock_guard lock(m_mutex);
    if (!m_initialized || m_free.empty())
        return {};
    VideoSamplePtr s = std::move(m_free.back());
    m_free.pop_back();
    ++m_outstanding;
    return s;
}

bool SamplePool::giveBack(VideoSamplePtr sample)
{
    std::lock_guard lock(m_mutex);
    if (!sample || !m_initialized || sample->token != m_token)
        return false;
    m_free.push_back(std::move(sample));
    --m_outstanding;
    return true;
}

bool SamplePool::initialized() const
{
    std::lock_guard lock(m_mutex);
    return m_initialized;
}

int SamplePool::outstanding() const
{
    std::lock_guard lock(m_mutex);
    return m_outstanding;
}

} // namespace kivora::playback
