#pragma once

#include "tools/democard/DateTime.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kivora::democard {

inline constexpr std::size_t kRecordBytes = 124;
inline constexpr std::size_t kHeaderBytes = 26;

// The block header as a recorder writes it. values are thousandths (written as four digits).
struct TelemetryHeader {
    int values[4] = { 500, 500, 800, 0 };
    char typeLetter = 'M';
    std::string firmware = "010203"; // six digits
    char qualityLetter = 'H';
    char byte24 = '0';
    char code25 = 'N';
    std::string gpsVersion = "230101"; // six digits, or empty for six spaces
};

// One telemetry record, by the values the recorder put into it.
struct TelemetryRecord {
    bool valid = false; // 'A' fix, else 'V' with blank position and speed
    double latitude = 0; // signed degrees, as rounded into the field
    double longitude = 0;
    int speedKmh = -1; // -1: blank field
    DateTime time;
    int addSeconds = 0; // -1: '*' (not applied)
    int voltageTenths = -1; // -1: blank field
    int accelX = 0, accelY = 0, accelZ = 0; // thousandths of G
    bool manual = false; // byte 72
    char shockAxis = ' '; // byte 73: 'X', 'Y', 'Z' or ' '
    char driveSupport = 'N'; // byte 74: 'A', 'B', 'H' or 'N'
    bool emergencyStop = false; // byte 75
    bool parking = false; // byte 76
    bool speeding = false; // byte 77
    char status = 'R'; // byte 122
};

// Field texts exactly as written into a record.
std::string latitudeField(double latitude); // "ddmm.mmmm"
std::string longitudeField(double longitude); // "dddmm.mmmm"
// Degrees as a reader recovers them from the field (sign from the hemisphere byte).
double degreesFromField(const std::string& field, bool positive);

// Rounds the position to what the fields can hold, so the record states what a reader gets back.
void roundPositionToFields(TelemetryRecord& r);

void encodeRecord(const TelemetryRecord& r, std::uint32_t index, std::uint8_t out[kRecordBytes]);

// "CSMDAT", header, count, records, "CSMEND", GPS data version.
std::vector<std::uint8_t> encodeBlock(
    const TelemetryHeader& header, std::span<const TelemetryRecord> records);

} // namespace kivora::democard
