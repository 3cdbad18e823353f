#include "kivora/map/MapWebProfile.h"

#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>

namespace kivora::map {

QString mapUserAgent()
{
    return QStringLiteral("kivora/%1 (dash-camera recording viewer; Qt WebEngine)")
        .arg(QStringLiteral(KIVORA_VERSION));
}

QWebEngineProfile* createMapProfile(const QString& cacheFolder, QObject* parent)
{
    QString folder = cacheFolder;
    if (folder.isEmpty()) {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        folder = QDir(base.isEmpty() ? QDir::tempPath() : base).filePath(QStringLiteral("kivora/map"));
    }
    QDir().mkpath(folder);
    auto* profile = new QWebEngineProfile(QStringLiteral("kivora-map"), parent);
    profile->setCachePath(folder);
    profile->setPersistentStoragePath(QDir(folder).filePath(QStringLiteral("storage")));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setHttpCacheMaximumSize(200 * 1024 * 1024);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setHttpUserAgent(mapUserAgent());
    return profile;
}

} // namespace kivora::map
