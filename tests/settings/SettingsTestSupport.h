#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace kivora::settingstest {

// Saves a picture of a window when KIVORA_SETTINGS_SNAPSHOTS names a folder (for looking at it).
inline void saveSnapshot(QWidget& widget, const char* name)
{
    const QString dir = qEnvironmentVariable("KIVORA_SETTINGS_SNAPSHOTS");
    if (!dir.isEmpty())
        widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

} // namespace kivora::settingstest
