#include "tools/democard/TelemetryBlock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kivora::democard {

namespace {
void put(std::uint8_t* out, const std::string& text, std::size_t width)
{
    // Fields are fixed width: pad with spaces, never overflow into the next field.
    for (std::size_t i = 0; i < width; ++i)
        out[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

std::string degreesMinutes(double value, int degreeDigits)
{
    double a = std::fabs(value);
    int degrees = static_cast<int>(a);
    // Round to the field's four decimals first so that 59.99995 carries into the degrees.
    long tenThousandths = std::lround((a - degrees) * 60.0 * 10000.0);
    if (tenThousandths >= 600000) {
        tenThousandths -= 600000;
        ++degrees;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%0*d%02ld.%04ld", degreeDigits, degrees, tenThousandths / 10000,
        tenThousandths % 10000);
    return buf;
}
} // namespace

std::string latitudeField(double latitude)
{
    return degreesMinutes(latitude, 2);
}
std::string longitudeField(double longitude)
{
    return degreesMinutes(longitude, 3);
}

double degreesFromField(const std::string& field, bool positive)
{
    const double v = std::strtod(field.c_str(), nullptr);
    const double degrees = static_cast<double>(static_cast<long>(v) / 100);
    const double value = degrees + std::fmod(v, 100.0) / 60.0;
    return positive ? value : -value;
}

void roundPositionToFields(TelemetryRecord& r)
{
    r.latitude = degreesFromField(latitudeField(r.latitude), r.latitude >= 0);
    r.longitude = degreesFromField(longitudeField(r.longitude), r.longitude >= 0);
}

void encodeRecord(const TelemetryRecord& r, std::uint32_t index, std::uint8_t out[kRecordBytes])
{
    std::memset(out, ' ', kRecordBytes);
    char buf[32];
    // Bytes 0..4 carry the recorder's running record number; readers ignore them.
    std::snprintf(buf, sizeof buf, "%05u", index % 100000u);
    put(out + 0, buf, 5);
    out[5] = r.valid ? 'A' : 'V';
    if (r.valid) {
        put(out + 6, latitudeField(r.latitude), 9);
        out[15] = r.latitude >= 0 ? 'N' : 0;
        put(out + 16, longitudeField(r.longitude), 10);
        out[26] = r.longitude >= 0 ? 'E' : 0;
    } else {
        out[15] = 'N';
        out[26] = 'E';
    }
    if (r.speedKmh >= 0) {
        std::snprintf(buf, sizeof buf, "%04d", std::min(r.speedKmh, 9999));
        put(out + 27, buf, 4);
    }
    put(out + 31, formatCompact(r.time), 12);
    out[43] = ',';
    if (r.addSeconds < 0) {
        put(out + 44, "*", 3);
    } else {
        std::snprintf(buf, sizeof buf, "%03d", std::min(r.addSeconds, 999));
        put(out + 44, buf, 3);
    }
    out[47] = ',';
    if (r.voltageTenths >= 0) {
        std::snprintf(buf, sizeof buf, "%03d", std::min(r.voltageTenths, 999));
        put(out + 48, buf, 3);
    }
    const int axes[3] = { r.accelX, r.accelY, r.accelZ };
    for (int i = 0; i < 3; ++i) {
        std::snprintf(buf, sizeof buf, "%+05d", std::clamp(axes[i], -9999, 9999));
        put(out + 57 + 5 * i, buf, 5);
    }
    out[72] = r.manual ? 'D' : 'N';
    out[73] = static_cast<std::uint8_t>(r.shockAxis);
    out[74] = static_cast<std::uint8_t>(r.driveSupport);
    out[75] = r.emergencyStop ? 'D' : 'N';
    out[76] = r.parking ? 'D' : 'N';
    out[77] = r.speeding ? 'D' : 'N';
    // Vehicle data: this recorder has no vehicle link, so every value says "no data" (two spaces).
    std::memset(out + 78, ' ', 34);
    out[122] = static_cast<std::uint8_t>(r.status);
    out[123] = '\n';
}

std::vector<std::uint8_t> encodeBlock(const TelemetryHeader& header, std::span<const TelemetryRecord> records)
{
    std::vector<std::uint8_t> block;
    block.reserve(46 + records.size() * kRecordBytes);
    // resize and copy rather than insert: GCC 12 warns falsely about an insert into reserved room.
    const auto append = [&](std::string_view s) {
        const std::size_t at = block.size();
        block.resize(at + s.size());
        std::memcpy(block.data() + at, s.data(), s.size());
    };
    append("CSMDAT");
    char buf[16];
    for (int v : header.values) {
        std::snprintf(buf, sizeof buf, "%04d", std::clamp(v, 0, 9999));
        append(buf);
    }
    block.push_back(static_cast<std::uint8_t>(header.typeLetter));
    std::string firmware = header.firmware;
    firmware.resize(6, '0');
    append(firmware);
    block.push_back(static_cast<std::uint8_t>(header.qualityLetter));
    block.push_back(static_cast<std::uint8_t>(header.byte24));
    block.push_back(static_cast<std::uint8_t>(header.code25));
    // A count that does not fit is written as "until the end tag".
    const std::size_t n = records.size();
    const std::uint16_t count = n >= 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(n);
    block.push_back(static_cast<std::uint8_t>(count >> 8));
    block.push_back(static_cast<std::uint8_t>(count & 0xFF));
    std::uint8_t rec[kRecordBytes];
    for (std::size_t i = 0; i < n; ++i) {
        encodeRecord(records[i], static_cast<std::uint32_t>(i), rec);
        block.insert(block.end(), rec, rec + kRecordBytes);
    }
    append("CSMEND");
    std::string version = header.gpsVersion;
    version.resize(6, ' ');
    append(version);
    return block;
}

} // namespace kivora::democard
