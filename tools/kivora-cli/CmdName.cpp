// kivora-cli name PATH...: what the names alone say about each path, one JSON object per line.

#include "tools/kivora-cli/Commands.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/UiText.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace kivora::cli {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not valid UTF-8.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (i + length > s.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

// A JSON string literal. Paths may hold bytes that are not UTF-8; each such byte becomes U+FFFD
// so that the line stays valid JSON.
std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else
                    out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(s, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(s, i, length);
            i += length;
        }
    }
    out += '"';
    return out;
}

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
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace kivora::cli
