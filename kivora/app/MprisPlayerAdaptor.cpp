#include "kivora/app/MprisPlayerAdaptor.h"

#include "kivora/app/MprisService.h"

#include <algorithm>
#include <cmath>

namespace kivora::app {

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
    connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_service->playbackStatus();
}
double MprisPlayerAdaptor::rate() const
{
    return m_service->rate();
}
void MprisPlayerAdaptor::setRate(double rate)
{
    // Qt serves a property write without its call context, so a refusal could not be answered;
    // a client asking for more or less than we offer gets the nearest rate instead of nothing.
    if (std::isfinite(rate) && rate != 0.0)
        rate = std::clamp(rate, MprisService::kMinimumRate, MprisService::kMaximumRate);
    m_service->answer(m_service->setRate(rate));
}
QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service->metadata();
}
qlonglong MprisPlayerAdaptor::position() const
{
    return m_service->positionUs();
}
double MprisPlayerAdaptor::minimumRate() const
{
    return MprisService::kMinimumRate;
}
double MprisPlayerAdaptor::maximumRate() const
{
    return MprisService::kMaximumRate;
}
bool MprisPlayerAdaptor::canGoNext() const
{
    return m_service->canGoNext();
}
bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_service->canGoPrevious();
}
bool MprisPlayerAdaptor::canPlay() const
{
    return m_service->canPlay();
}
bool MprisPlayerAdaptor::canPause() const
{
    return m_service->canPause();
}
bool MprisPlayerAdaptor::canSeek() const
{
    return m_service->canSeek();
}

void MprisPlayerAdaptor::Next()
{
    m_service->next();
}
void MprisPlayerAdaptor::Previous()
{
    m_service->previous();
}
void MprisPlayerAdaptor::Pause()
{
    m_service->pause();
}
void MprisPlayerAdaptor::PlayPause()
{
    m_service->playPause();
}
void MprisPlayerAdaptor::Stop()
{
    m_service->stop();
}
void MprisPlayerAdaptor::Play()
{
    m_service->play();
}
void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    m_service->seek(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position)
{
    m_service->answer(m_service->setPosition(TrackId, Position));
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri)
{
    m_service->answer(m_service->openUri(Uri));
}

} // namespace kivora::app
