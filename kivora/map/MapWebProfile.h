#pragma once

#include <QString>

class QObject;
class QWebEngineProfile;

namespace kivora::map {

// The user agent sent with tile requests: tile servers ask every client to name itself.
QString mapUserAgent();

// A persistent web profile for the map: tiles seen once come from the disk cache under
// cacheFolder (the user's cache folder when empty). Owned by parent.
QWebEngineProfile* createMapProfile(const QString& cacheFolder, QObject* parent);

} // namespace kivora::map
