#pragma once

#include "kivora/recording/SystemTime.h"

#include <array>
#include <cstdint>

namespace kivora::recording {

struct MotionSample;
struct VehicleSample;

// Decoded samples are owned by the TelemetryReader that decoded them (three parallel vectors, one
// element per record). The links between them point into those vectors and stay valid until the
// reader releases them; moving a reader's vectors keeps them valid.

// Position, speed and time of one record.
struct GpsSample {
    std::int32_t recordIndex = 0; // 0-based within its file
    std::int32_t time = 0;        // ms from the recording's start; a frame number after BuildFrameIndex
    std::int32_t valid = 0;       // 1 for a valid fix
    MotionSample* motion = nullptr;   // set by BuildFrameIndex
    VehicleSample* vehicle = nullptr; // set by BuildFrameIndex
    double latitude = 0.0;  // signed decimal degrees; kNoPosition when the field held no digit
    double longitude = 0.0; // signed decimal degrees; kNoPosition when the field held no digit
    double speed = 0.0;     // km/h; kNoSpeed when the field held no digit
    double direction = 0.0; // never filled by the decoder
    SystemTime dateTime;    // local date and time of the record
};

inline constexpr double kNoPosition = 720.0;
inline constexpr double kNoSpeed = 32767.0;

// Event codes of MotionSample::eventCode (-1 none); the graph and the map give them their texts.
enum EventCode : std::int32_t {
    kEventNone = -1,
    kEventManual = 5,
    kEventEmergencyStop = 6,
    kEventParking = 7,
    kEventSpeeding = 8, // only in MotionSample::speeding
    kEventSharpSteering = 11,
    kEventSuddenAcceleration = 12,
    kEventSuddenBraking = 13,
};

// Acceleration, events and recorder status of one record.
struct MotionSample {
    std::int32_t recordIndex = 0;
    std::int32_t eventCode = kEventNone; // 5, 6, 7, 11, 12, 13 or -1
    std::int32_t speeding = 0;           // 8 when speeding, else 0
    std::int32_t shockAxis = 0;          // 1 X, 2 Y, 3 Z, 0 none
    std::int32_t time = 0;               // as GpsSample::time
    std::int32_t code122 = 0;            // recorder status letter
    // Supply voltage in tenths of a volt, taken from the NEXT record; -1 blank; 0 for the last record.
    std::int32_t code48 = 0;
    GpsSample* gps = nullptr;         // set by BuildFrameIndex
    VehicleSample* vehicle = nullptr; // set by BuildFrameIndex
    double accelX = 0.0; // G
    double accelY = 0.0;
    double accelZ = 0.0;
};

// Raw vehicle data of one record; the views interpret it.
struct VehicleSample {
    std::int32_t recordIndex = 0;
    std::array<std::uint8_t, 4> raw4{};
    std::array<std::uint16_t, 15> values{}; // copied as stored, not byte-swapped
    std::uint16_t extra1 = 0;               // never filled by the decoder
    std::int16_t extra2 = 0;
    std::uint16_t extra3 = 0;
};

// The decoded 26-byte block header.
struct TelemetryHeader {
    float value0 = 0.0f; // four sensor thresholds in G when typeLetter is 'M' or 'D', else -1.0
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;
    char typeLetter = 0;
    std::array<char, 6> raw6{}; // recorder firmware version, three two-digit numbers ("010203" = 1.2.3)
    char qualityLetter = 0;     // 'H' high quality, anything else low
    char byte24 = 0;
    char timeLapseLetter = 0; // 'T' when the data file's name marks time-lapse, else 'N'; 0 before decoding
    char code25 = 0;

    friend bool operator==(const TelemetryHeader&, const TelemetryHeader&) = default;
};

// The decoded telemetry of one record (or of one video frame): the three linked samples.
// Non-owning; any pointer may be null when the reader has no data for it.
struct TelemetrySample {
    const GpsSample* gps = nullptr;
    const MotionSample* motion = nullptr;
    const VehicleSample* vehicle = nullptr;
};

} // namespace kivora::recording
