#include "kivora/playback/PresentEngine.h"

namespace kivora::playback {

void PresentEngine::setOutput(Output output)
{
    std::lock_guard lock(m_mutex);
    m_output = std::move(output);
}

void PresentEngine::setDestination(const QRect& rect)
{
    std::lock_guard lock(m_mutex);
    m_destination = rect;
}

QRect PresentEngine::destination() const
{
    std::lock_guard lock(m_mutex);
    return m_destination;
}

void PresentEngine::setGeneration(std::uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    m_generation = generation;
}

bool PresentEngine::accepts(std::uint64_t generation) const
{
    std::lock_guard lock(m_mutex);
    return generation == m_generation;
}

VideoSamplePtr PresentEngine::present(VideoSamplePtr sample)
{
    if (!sample)
        return {};
    Output output;
    PresentedFrame frame;
    VideoSamplePtr previous;
    {
        std::lock_guard lock(m_mutex);
        if (sample->generation != m_generation)
            return sample;
        previous = std::exchange(m_current, std::move(sample));
        output = m_output;
        frame = frameLocked();
    }
    if (output)
        output(frame);
    return previous;
}

std::optional<Time100ns> PresentEngine::currentTime() const
{
    std::lock_guard lock(m_mutex);
    if (!m_current || m_current->generation != m_generation)
        return std::nullopt;
    return m_current->time;
}

void PresentEngine::repaint()
{
    Output output;
    PresentedFrame frame;
    {
        std::lock_guard lock(m_mutex);
        if (!m_current)
            return;
        output = m_output;
        frame = frameLocked();
    }
    if (output)
        output(frame);
}

PresentedFrame PresentEngine::frameLocked() const
{
    return PresentedFrame{m_current->picture, m_destination, m_overlay, m_overlayPlace};
}

void PresentEngine::setOverlay(const QImage& overlay, const QRectF& place)
{
    {
        std::lock_guard lock(m_mutex);
        m_overlay = overlay;
        m_overlayPlace = place;
    }
    repaint();
}

void PresentEngine::clearOverlay()
{
    {
        std::lock_guard lock(m_mutex);
        m_overlay = QImage();
    }
    repaint();
}

QImage PresentEngine::currentImage() const
{
    // Converted outside the lock: the scheduler thread presents through it meanwhile.
    VideoPicture picture;
    {
        std::lock_guard lock(m_mutex);
        if (m_current)
            picture = m_current->picture;
    }
    return picture.image();
}

bool PresentEngine::hasFrame() const
{
    std::lock_guard lock(m_mutex);
    return m_current != nullptr;
}

VideoSamplePtr PresentEngine::releaseCurrent()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_current, nullptr);
}

} // namespace kivora::playback
