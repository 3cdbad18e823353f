#include "kivora/recording/TelemetryDecode.h"

#include "kivora/recording/TelemetryReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

namespace kivora::recording {

namespace {

bool isBlank(std::uint8_t c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(std::uint8_t c)
{
    return c >= '0' && c <= '9';
}

// Leading blanks and one sign, as strtod/strtol take them. Returns false for a second sign.
bool skipBlanksAndSign(std::span<const std::uint8_t>& field, bool& negative)
{
    std::size_t i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
        if (i < field.size() && (field[i] == '+' || field[i] == '-'))
            return false;
    }
    field = field.subspan(i);
    return true;
}

const char* chars(std::span<const std::uint8_t> s)
{
    return reinterpret_cast<const char*>(s.data());
}

std::span<const std::uint8_t> field(RecordBytes record, std::size_t offset, std::size_t length)
{
    return std::span<const std::uint8_t>(record).subspan(offset, length);
}

// Latitude "ddmm.mmmm" / longitude "dddmm.mmmm" to signed decimal degrees.
double decodeDegrees(std::span<const std::uint8_t> digits, std::uint8_t signByte)
{
    if (!FieldHasDigit(digits))
        return kNoPosition;
    const double v = FieldToDouble(digits);
    // Whole degrees are the integer part divided by 100; done in double so that absurd values
    // from a damaged record cannot overflow an integer.
    const double degrees = std::trunc(std::trunc(v) / 100.0);
    const double value = degrees + std::fmod(v, 100.0) / 60.0;
    return signByte != 0 ? value : -value;
}

// Local wall-clock "yymmddhhmmss" plus a number of seconds, normalised by calendar arithmetic.
// The recorder's clock is local time; adding the seconds must not be bent by the viewing machine's
// time zone or daylight-saving rules, so the arithmetic is done in a zone-free calendar.
SystemTime decodeDateTime(RecordBytes record)
{
    auto two = [&](std::size_t offset) { return static_cast<int>(FieldToLong(field(record, offset, 2))); };
    std::tm tm {};
    tm.tm_year = 2000 + two(31) - 1900;
    tm.tm_mon = two(33) - 1;
    tm.tm_mday = two(35);
    tm.tm_hour = two(37);
    tm.tm_min = two(39);
    tm.tm_sec = two(41);
    std::time_t t = ::timegm(&tm);
    if (t == static_cast<std::time_t>(-1))
        t = 0;
    if (record[44] != '*')
        t += FieldToLong(field(record, 44, 3));
    std::tm out {};
    if (::gmtime_r(&t, &out) == nullptr || out.tm_year + 1900 < 1601 || out.tm_year + 1900 > 30827)
        return {};
    SystemTime st;
    st.year = static_cast<std::uint16_t>(out.tm_year + 1900);
    st.month = static_cast<std::uint16_t>(out.tm_mon + 1);
    st.dayOfWeek = static_cast<std::uint16_t>(out.tm_wday);
    st.day = static_cast<std::uint16_t>(out.tm_mday);
    st.hour = static_cast<std::uint16_t>(out.tm_hour);
    st.minute = static_cast<std::uint16_t>(out.tm_min);
    st.second = static_cast<std::uint16_t>(out.tm_sec);
    return st;
}

std::int32_t sampleTime(std::int32_t index, float msPerRecord)
{
    const float ms = static_cast<float>(index) * msPerRecord;
    return static_cast<std::int32_t>(std::clamp(ms, 0.0f, 2.0e9f));
}

bool isEndTag(std::span<const std::uint8_t> data, std::size_t offset)
{
    return data.size() >= offset + kTagBytes
        && std::memcmp(data.data() + offset, kBlockEndTag.data(), kTagBytes) == 0;
}

} // namespace

double FieldToDouble(std::span<const std::uint8_t> f)
{
    bool negative = false;
    if (!skipBlanksAndSign(f, negative))
        return 0.0;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(chars(f), chars(f) + f.size(), value, std::chars_format::general);
    if (end == chars(f))
        return 0.0;
    if (ec == std::errc::result_out_of_range) // strtod gives HUGE_VAL or a tiny value; either is junk here
        value = 0.0;
    return negative ? -value : value;
}

long FieldToLong(std::span<const std::uint8_t> f)
{
    bool negative = false;
    if (!skipBlanksAndSign(f, negative))
        return 0;
    long value = 0;
    const auto [end, ec] = std::from_chars(chars(f), chars(f) + f.size(), value);
    if (end == chars(f) || ec != std::errc())
        return 0;
    return negative ? -value : value;
}

bool FieldHasDigit(std::span<const std::uint8_t> f)
{
    // The field is a NUL-terminated copy: nothing after a NUL counts.
    for (std::uint8_t c : f) {
        if (c == 0)
            return false;
        if (isDigit(c))
            return true;
    }
    return false;
}

bool IsTimeLapseDataName(const std::filesystem::path& dataPath)
{
    const std::string name = dataPath.filename().string();
    return (!name.empty() && name[0] == 'T') || (name.size() > 2 && name[2] == 'T');
}

TelemetryHeader DecodeHeader(std::span<const std::uint8_t, kHeaderBytes> bytes, bool timeLapseName)
{
    TelemetryHeader h;
    h.typeLetter = static_cast<char>(bytes[16]);
    const bool hasValues = h.typeLetter == 'M' || h.typeLetter == 'D';
    float* values[] = { &h.value0, &h.value1, &h.value2, &h.value3 };
    for (std::size_t i = 0; i < 4; ++i) {
        *values[i] = hasValues
            ? static_cast<float>(FieldToLong(std::span<const std::uint8_t>(bytes).subspan(i * 4, 4)))
                / 1000.0f
            : -1.0f;
    }
    std::memcpy(h.raw6.data(), bytes.data() + 17, 6);
    h.qualityLetter = static_cast<char>(bytes[23]);
    h.byte24 = static_cast<char>(bytes[24]);
    h.code25 = static_cast<char>(bytes[25]);
    h.timeLapseLetter = timeLapseName ? 'T' : 'N';
    return h;
}

bool DecodeBlockHeader(std::span<const std::uint8_t> afterTag, bool timeLapseName, TelemetryHeader& out)
{
    if (afterTag.size() < kHeaderBytes)
        return false;
    std::size_t at = 0;
    out = DecodeHeader(afterTag.subspan(at).first<kHeaderBytes>(), timeLapseName);
    // The recorder may chain further "@CS" headers; the last one wins. Only headers that lie wholly
    // inside the data are read.
    while (afterTag.size() >= at + 34 + kHeaderBytes && std::memcmp(afterTag.data() + at + 30, "@CS", 3) == 0
        && afterTag[at + 33] >= 'A' && afterTag[at + 33] <= 'Z') {
        at += 34;
        out = DecodeHeader(afterTag.subspan(at).first<kHeaderBytes>(), timeLapseName);
    }
    return true;
}

GpsSample DecodeGpsSample(RecordBytes record, std::int32_t index, float msPerRecord)
{
    GpsSample s;
    s.recordIndex = index;
    s.time = sampleTime(index, msPerRecord);
    s.valid = record[5] == 'A' ? 1 : 0;
    const auto speed = field(record, 27, 4);
    s.speed = FieldHasDigit(speed) ? FieldToDouble(speed) : kNoSpeed;
    s.latitude = decodeDegrees(field(record, 6, 9), record[15]);
    s.longitude = decodeDegrees(field(record, 16, 10), record[26]);
    s.dateTime = decodeDateTime(record);
    return s;
}

MotionSample DecodeMotionSample(RecordBytes record, std::int32_t index, float msPerRecord)
{
    MotionSample s;
    s.recordIndex = index;
    s.time = sampleTime(index, msPerRecord);
    if (record[75] == 'D')
        s.eventCode = kEventEmergencyStop;
    else if (record[72] == 'D')
        s.eventCode = kEventManual;
    else if (record[76] == 'D')
        s.eventCode = kEventParking;
    else if (record[74] == 'A')
        s.eventCode = kEventSuddenAcceleration;
    else if (record[74] == 'B')
        s.eventCode = kEventSuddenBraking;
    else if (record[74] == 'H')
        s.eventCode = kEventSharpSteering;
    else
        s.eventCode = kEventNone;
    switch (record[73]) {
    case 'X':
        s.shockAxis = 1;
        break;
    case 'Y':
        s.shockAxis = 2;
        break;
    case 'Z':
        s.shockAxis = 3;
        break;
    default:
        s.shockAxis = 0;
        break;
    }
    s.speeding = record[77] == 'D' ? kEventSpeeding : 0;
    auto accel = [&](std::size_t offset) {
        return static_cast<double>(static_cast<float>(FieldToDouble(field(record, offset, 5))) / 1000.0f);
    };
    s.accelX = accel(57);
    s.accelY = accel(62);
    s.accelZ = accel(67);
    return s;
}

VehicleSample DecodeVehicleSample(RecordBytes record, std::int32_t index)
{
    VehicleSample s;
    s.recordIndex = index;
    std::memcpy(s.raw4.data(), record.data() + 78, 4);
    std::memcpy(s.values.data(), record.data() + 82, 30);
    return s;
}

std::int32_t DecodeSupplyVoltage(RecordBytes record)
{
    if (record[48] == ' ' && record[49] == ' ' && record[50] == ' ')
        return -1;
    return static_cast<std::int32_t>(FieldToLong(field(record, 48, 3)));
}

std::size_t DecodeBlock(std::span<const std::uint8_t> afterTag, TelemetryReader& reader)
{
    const bool timeLapse = IsTimeLapseDataName(reader.path);
    if (!DecodeBlockHeader(afterTag, timeLapse, reader.header)) {
        reader.recordCounter = -1;
        return 0;
    }
    reader.msPerRecord = reader.header.timeLapseLetter == 'T' ? kMsPerRecordTimeLapse : kMsPerRecord;
    if (afterTag.size() < kFirstRecordOffset) {
        reader.recordCounter = -1;
        return 0;
    }
    const std::uint16_t declared
        = static_cast<std::uint16_t>(afterTag[kCountOffset] << 8 | afterTag[kCountOffset + 1]);
    reader.declaredCount = declared;

    // Never trust the count beyond the bytes that are actually there.
    const std::size_t present = (afterTag.size() - kFirstRecordOffset) / kRecordBytes;
    const std::size_t limit
        = declared == kCountUntilEndTag ? present : std::min<std::size_t>(declared, present);
    reader.gps.reserve(reader.gps.size() + limit);
    reader.motion.reserve(reader.motion.size() + limit);
    reader.vehicle.reserve(reader.vehicle.size() + limit);

    std::size_t k = 0;
    for (; k < limit; ++k) {
        const std::size_t offset = kFirstRecordOffset + k * kRecordBytes;
        if (isEndTag(afterTag, offset))
            break;
        const RecordBytes record = afterTag.subspan(offset).first<kRecordBytes>();
        const auto index = static_cast<std::int32_t>(k);
        reader.recordCounter = index;
        reader.gps.push_back(DecodeGpsSample(record, index, reader.msPerRecord));
        // The supply voltage of a record belongs to the sample before it.
        if (!reader.motion.empty())
            reader.motion.back().code48 = DecodeSupplyVoltage(record);
        reader.motion.push_back(DecodeMotionSample(record, index, reader.msPerRecord));
        reader.vehicle.push_back(DecodeVehicleSample(record, index));
        reader.motion.back().code122 = record[122];
    }
    reader.recordCounter = static_cast<std::int32_t>(k) - 1;
    return k;
}

} // namespace kivora::recording
