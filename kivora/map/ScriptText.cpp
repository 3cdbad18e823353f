#include "kivora/map/ScriptText.h"

#include <cmath>

namespace kivora::map {

QString fixed6(double value)
{
    // QString::number ignores the locale.
    return QString::number(std::isfinite(value) ? value : 0.0, 'f', 6);
}

QString clearCrashPosCall()
{
    return QStringLiteral("cplist.ClearCrashPos()");
}
QString removeLineListCall()
{
    return QStringLiteral("orbitgrplist.RemoveLineList()");
}
QString createLineCall()
{
    return QStringLiteral("orbitgrplist.CreateLine()");
}
QString moveMarkerCall()
{
    return QStringLiteral("orbitgrplist.MoveMarker()");
}

QString createGridLineCall(int recordingIndex)
{
    return QStringLiteral("orbitgrplist.CreateGridLine(%1)").arg(recordingIndex);
}

QString addCrashPosCall(const CrashPosArgs& a)
{
    const QString d = QStringLiteral(",");
    return QStringLiteral("cplist.AddCrashPos(") + QString::number(a.icon) + d + fixed6(a.accelX) + d
        + fixed6(a.accelY) + d + fixed6(a.accelZ) + d + QString::number(a.ifile) + d
        + QString::number(a.igrid) + d + QString::number(a.ipos) + d + fixed6(a.lat) + d + fixed6(a.lng) + d
        + QString::number(a.valid) + d + fixed6(a.speed) + d + fixed6(a.direction) + QStringLiteral(")");
}

} // namespace kivora::map
