// kivora-cli name PATH...: what the names alone say about each path, one JSON object per line.

#include "tools/kivora-cli/Commands.h"
#include "tools/common/JsonText.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/UiText.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace kivora::cli {

namespace {
using json::jsonString;

std::string isoDateTime(const recording::SystemTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned(t.year), unsigned(t.month),
        unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
    return text;
}

} // namespace

int runName(std::span<char*> args)
{
    if (args.empty()) {
        std::fputs("usage: kivora-cli name PATH...\n", stderr);
        return 2;
    }
    using namespace recording;
    for (const char* arg : args) {
        const std::filesystem::path path = arg;
        // Each path gets the layout its own folder implies, never one left over from the previous path.
        setCurrentLayout(0);
        DetectLayout(path);
        std::uint32_t flags = 0;
        TriggerFlags(path, flags);
        const std::string text = TriggerText(path, [](int slot) { return ui::UiText(slot); });

        std::string line = "{\"path\":" + jsonString(path.native());
        line += ",\"isRecording\":" + std::string(IsRecordingName(path) ? "true" : "false");
        line += ",\"isMain\":" + std::string(IsMainCameraName(path) ? "true" : "false");
        line += ",\"category\":" + std::to_string(static_cast<int>(TriggerCategory(path)));
        line += ",\"flags\":" + std::to_string(flags);
        line += ",\"text\":" + jsonString(text);
        line += ",\"label\":" + jsonString(RecordingLabel(path));
        line += ",\"pair\":" + jsonString(PairPath(path).native());
        line += ",\"data\":" + jsonString(DataPath(path).native());
        line += ",\"start\":" + jsonString(isoDateTime(NameDateTime(path)));
        line += "}\n";
        std::fputs(line.c_str(), stdout);
    }
    return 0;
}

} // namespace kivora::cli
