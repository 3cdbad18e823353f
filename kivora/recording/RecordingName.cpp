#include "kivora/recording/RecordingName.h"

#include "kivora/recording/NameChars.h"

namespace kivora::recording {

using detail::charAt;
using detail::lastComponent;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isOneOf(char c, std::string_view set)
{
    return c != '\0' && set.find(c) != std::string_view::npos;
}

// The full-name grammar, as a character test. Index 26 takes any single character except a line
// break (what an unescaped '.' in the recorder tools' pattern accepts); a multi-byte character there
// makes the name longer than 30 bytes and fails, as it does after conversion to the locale's set.
bool matchesGrammar(std::string_view name, std::string_view cameraLetters)
{
    if (name.size() != kRecordingNameLength)
        return false;
    if (!isOneOf(name[0], "APT_") || !isOneOf(name[1], "GM_") || !isOneOf(name[2], "ORT_")
        || !isOneOf(name[3], "S_"))
        return false;
    if (name[4] != '-' || name[11] != '-' || name[18] != '-')
        return false;
    for (const std::size_t start : { std::size_t { 5 }, std::size_t { 12 }, std::size_t { 19 } }) {
        for (std::size_t i = start; i < start + 6; ++i) {
            if (!isDigit(name[i]))
                return false;
        }
    }
    if (!isOneOf(name[25], cameraLetters) || name[26] == '\n' || name[26] == '\r')
        return false;
    return name.substr(27) == "MOV";
}

TriggerKind categoryOf(std::string_view name)
{
    const char mode = charAt(name, 0);
    const char event = charAt(name, 1);
    if (mode == 'A' || mode == 'T') {
        if (event == 'G')
            return TriggerKind::Shock;
        if (event == 'M')
            return TriggerKind::Manual;
        return TriggerKind::Continuous;
    }
    if (mode == 'P')
        return event == 'G' ? TriggerKind::ParkingShock : TriggerKind::Parking;
    if (charAt(name, 2) == 'T')
        return TriggerKind::Parking;
    return TriggerKind::Unknown;
}

bool isRecording(std::string_view name, std::string_view cameraLetters)
{
    if (name.size() > 4 && name[4] != '-')
        return false;
    return matchesGrammar(name, cameraLetters) && categoryOf(name) != TriggerKind::Unknown;
}

// UI text slots of the trigger texts.
constexpr int kTextContinuous = 160;
constexpr int kTextSpeedCamera = 161;
constexpr int kTextRadar = 162;
constexpr int kTextManual = 163;
constexpr int kTextShock = 164;
constexpr int kTextTimeLapse = 165;
constexpr int kTextParking = 166;
constexpr int kTextParkingShock = 167;
constexpr int kTextParkingTimeLapse = 168;

void add(TriggerSlots& slots, int slot)
{
    slots.ids[static_cast<std::size_t>(slots.count++)] = slot;
}

void addWarning(TriggerSlots& slots, char warning)
{
    if (warning == 'O')
        add(slots, kTextSpeedCamera);
    else if (warning == 'R')
        add(slots, kTextRadar);
}

} // namespace

bool IsMovieExtension(const std::filesystem::path& name)
{
    const std::string_view component = lastComponent(name.native());
    const std::size_t dot = component.rfind('.');
    return dot != std::string_view::npos && detail::equalsNoCase(component.substr(dot), ".MOV");
}

bool IsRecordingName(const std::filesystem::path& path)
{
    return isRecording(lastComponent(path.native()), "MS");
}

bool IsMainCameraName(const std::filesystem::path& path)
{
    return isRecording(lastComponent(path.native()), "M");
}

TriggerKind TriggerCategory(const std::filesystem::path& path)
{
    return categoryOf(lastComponent(path.native()));
}

bool TriggerFlags(const std::filesystem::path& path, std::uint32_t& flags)
{
    const std::string_view name = lastComponent(path.native());
    const char mode = charAt(name, 0);
    const char event = charAt(name, 1);
    const char warning = charAt(name, 2);
    if (mode == 'A' || mode == 'T' || warning == 'T')
        flags |= TriggerFlag::Continuous;
    if (event == 'M')
        flags |= TriggerFlag::Manual;
    if (event == 'G' && mode != 'P')
        flags |= TriggerFlag::Shock;
    if (mode == 'P')
        flags |= event == 'G' ? TriggerFlag::ParkingShock : TriggerFlag::Parking;
    if (warning == 'O')
        flags |= TriggerFlag::SpeedCamera;
    if (warning == 'R')
        flags |= TriggerFlag::Radar;
    return true;
}

TriggerSlots TriggerTextSlots(const std::filesystem::path& path)
{
    TriggerSlots slots;
    const std::string_view name = lastComponent(path.native());
    if (detail::utf16Length(name) < kRecordingNameLength)
        return slots;
    const char mode = name[0];
    const char event = name[1];
    const char warning = name[2];
    switch (mode) {
    case 'A':
        if (event == 'G' || event == 'M') {
            add(slots, event == 'G' ? kTextShock : kTextManual);
            addWarning(slots, warning);
        } else if (event == '_') {
            switch (warning) {
            case '_':
                add(slots, kTextContinuous);
                break;
            case 'O':
                add(slots, kTextSpeedCamera);
                break;
            case 'R':
                add(slots, kTextRadar);
                break;
            case 'T':
                add(slots, kTextParkingTimeLapse);
                break;
            default:
                break;
            }
        }
        break;
    case 'P':
        if (event == '_' && warning == '_')
            add(slots, kTextParking);
        else if (event == 'G' && warning == '_')
            add(slots, kTextParkingShock);
        else if ((event == '_' || event == 'G') && warning == 'T') {
            add(slots, kTextParkingTimeLapse);
            if (event == 'G')
                add(slots, kTextShock);
        }
        break;
    case 'T':
        if (event == '_' || event == 'G' || event == 'M') {
            add(slots, kTextTimeLapse);
            if (event != '_')
                add(slots, event == 'G' ? kTextShock : kTextManual);
            addWarning(slots, warning);
        }
        break;
    default:
        break;
    }
    return slots;
}

std::string TriggerText(const std::filesystem::path& path, const TextLookup& text)
{
    const TriggerSlots slots = TriggerTextSlots(path);
    std::string result;
    for (int i = 0; i < slots.count; ++i) {
        if (i > 0)
            result += '+';
        if (text)
            result += text(slots.ids[static_cast<std::size_t>(i)]);
    }
    return result;
}

std::string RecordingLabel(const std::filesystem::path& path)
{
    const std::string_view name = lastComponent(path.native());
    if (IsRecordingName(path)) {
        const char camera = IsMainCameraName(path) ? 'M' : 'S';
        const std::size_t end = name.find(camera, 12);
        return std::string(name.substr(0, 4)) + "-" + std::string(name.substr(12, end - 12));
    }
    return std::string(name.substr(0, name.find('.')));
}

} // namespace kivora::recording
