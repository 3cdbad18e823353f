#include "kivora/playback/VideoPicture.h"

#include "kivora/playback/MediaSource.h"

namespace kivora::playback {

namespace {
// Each thread that draws or saves keeps its converter: contexts are reused while sizes repeat.
FrameConverter& threadConverter()
{
    thread_local FrameConverter converter;
    return converter;
}
} // namespace

VideoPicture::VideoPicture(AVFramePtr frame)
{
    if (frame)
        m_shared = std::make_shared<Shared>(std::move(frame));
}

QSize VideoPicture::size() const { return m_shared ? QSize(m_shared->frame->width, m_shared->frame->height) : QSize(); }

QImage VideoPicture::image() const
{
    if (!m_shared)
        return {};
    Shared& s = *m_shared;
    std::call_once(s.converted, [&s] {
        if (!threadConverter().convert(*s.frame, s.image))
            s.image = QImage();
    });
    return s.image;
}

bool VideoPicture::scaleInto(QSize size, QImage& target) const
{
    return m_shared && threadConverter().convert(*m_shared->frame, target, size);
}

} // namespace kivora::playback
