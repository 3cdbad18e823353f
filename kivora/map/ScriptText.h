#pragma once

#include <QString>

namespace kivora::map {

// Script text sent to the page. Numbers are written the same way in every locale (a point as the
// decimal separator), so a decimal-comma desktop cannot break a call. The calls carry numbers
// only: text (tile settings, the update message) reaches the page as web channel values.

// "%f": six decimals; a number that is not finite is written 0.
QString fixed6(double value);

QString clearCrashPosCall();
QString removeLineListCall();
QString createLineCall();
QString createGridLineCall(int recordingIndex);
QString moveMarkerCall();

// The arguments of one crash point, in the order the page takes them.
struct CrashPosArgs {
    int icon = 0;
    double accelX = 0.0;
    double accelY = 0.0;
    double accelZ = 0.0;
    int ifile = 0;
    int igrid = 0;
    int ipos = 0;
    double lat = 0.0;
    double lng = 0.0;
    int valid = 0;
    double speed = 0.0;
    double direction = 0.0;
};
QString addCrashPosCall(const CrashPosArgs& args);

} // namespace kivora::map
