#include "kivora/export/SnapshotName.h"

#include "kivora/recording/RecordingName.h"

#include <cstdio>
#include <string>

namespace kivora::exporting {

namespace fs = std::filesystem;

SnapshotNames SnapshotName(const fs::path& folder, const fs::path& recording, std::int64_t frame)
{
    std::string name = recording.filename().string();
    name = name.substr(0, name.find('.'));
    // Date and time of a recording name, without the trigger prefix and the file number; other
    // names are kept as they are.
    std::string base = name;
    char mainLetter = 'M';
    if (recording::IsRecordingName(recording.filename())) {
        base = name.substr(5, 13);
        mainLetter = name[25];
    }
    const char subLetter = mainLetter == 'S' ? 'M' : 'S';
    char number[32];
    std::snprintf(number, sizeof number, "%06lld", static_cast<long long>(frame < 0 ? 0 : frame));
    // The camera letter is placed by us rather than changed in place, so it is never confused
    // with a digit of the frame number.
    return { folder / (base + '-' + mainLetter + '-' + number + ".jpg"),
        folder / (base + '-' + subLetter + '-' + number + ".jpg") };
}

} // namespace kivora::exporting
