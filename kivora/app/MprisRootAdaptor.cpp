#include "kivora/app/MprisRootAdaptor.h"

#include "kivora/app/MprisService.h"

namespace kivora::app {

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
}

bool MprisRootAdaptor::canQuit() const
{
    return m_service->canQuit();
}

bool MprisRootAdaptor::canRaise() const
{
    return m_service->canRaise();
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return {QStringLiteral("video/quicktime"), QStringLiteral("video/mp4"),
            QStringLiteral("inode/directory")};
}

void MprisRootAdaptor::Raise()
{
    m_service->raise();
}

void MprisRootAdaptor::Quit()
{
    m_service->quit();
}

} // namespace kivora::app
