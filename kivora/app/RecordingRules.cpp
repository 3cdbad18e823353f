#include "kivora/app/RecordingRules.h"

#include "kivora/recording/RecordingName.h"

#include <string>

namespace kivora::app {

int resolutionCode(int height, char qualityLetter)
{
    int code = 0;
    switch (height) {
    case 360:
        code = 1;
        break;
    case 720:
        code = 3;
        break;
    case 1080:
        code = 5;
        break;
    case 1440:
        code = 7;
        break;
    case 1296:
        code = 9;
        break;
    default:
        return 0;
    }
    return qualityLetter == 'H' ? code : code + 1;
}

int defaultRateCode(const std::filesystem::path& recording)
{
    const std::string name = recording.filename().string();
    const bool timeLapse = (!name.empty() && name[0] == 'T') || (name.size() > 2 && name[2] == 'T');
    return timeLapse ? -2 : 1;
}

bool isParkingRecording(const std::filesystem::path& recording)
{
    const auto kind = recording::TriggerCategory(recording);
    return kind == recording::TriggerKind::Parking || kind == recording::TriggerKind::ParkingShock;
}

} // namespace kivora::app
