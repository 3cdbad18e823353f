#pragma once

// Decoding of the telemetry block ("CSMDAT" header, 124-byte records, "CSMEND") from bytes in
// memory. Every function here reads only inside the spans it is given.

#include "kivora/recording/TelemetrySample.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace kivora::recording {

struct TelemetryReader;

inline constexpr std::string_view kBlockStartTag = "CSMDAT";
inline constexpr std::string_view kBlockEndTag = "CSMEND";
inline constexpr std::size_t kTagBytes = 6;
inline constexpr std::size_t kHeaderBytes = 26;
inline constexpr std::size_t kRecordBytes = 124;
// Offsets counted from just behind the start tag (the handler's data).
inline constexpr std::size_t kCountOffset = 26;
inline constexpr std::size_t kFirstRecordOffset = 28;
inline constexpr std::uint16_t kCountUntilEndTag = 0xFFFF;

using RecordBytes = std::span<const std::uint8_t, kRecordBytes>;

// True when the data file's name marks a time-lapse recording ('T' at index 0 or 2).
bool IsTimeLapseDataName(const std::filesystem::path& dataPath);

// The 26 header bytes; timeLapseName fills timeLapseLetter ('T' or 'N').
TelemetryHeader DecodeHeader(std::span<const std::uint8_t, kHeaderBytes> bytes, bool timeLapseName);

// The header of a block, following the recorder's repeated "@CS" headers to the last one that
// lies wholly inside `afterTag`. False when not even the first header is complete.
bool DecodeBlockHeader(std::span<const std::uint8_t> afterTag, bool timeLapseName, TelemetryHeader& out);

GpsSample DecodeGpsSample(RecordBytes record, std::int32_t index, float msPerRecord);
MotionSample DecodeMotionSample(RecordBytes record, std::int32_t index, float msPerRecord);
VehicleSample DecodeVehicleSample(RecordBytes record, std::int32_t index);
// Supply voltage at record offset 48 in tenths of a volt; -1 when blank.
std::int32_t DecodeSupplyVoltage(RecordBytes record);

// Decodes a whole block from the bytes just behind "CSMDAT" (the span ends where the mapping
// ends) into the reader: header, record period, declared count and the three sample vectors
// (appended). Only complete records inside the span are decoded, whatever the count says; decoding
// stops at the count, at an end tag, or at the end of the span. Sets reader.recordCounter to the
// number of records decoded minus one (the calling scan adds one). Returns the records decoded.
// May throw std::bad_alloc; DecodeAll turns that into a failure.
std::size_t DecodeBlock(std::span<const std::uint8_t> afterTag, TelemetryReader& reader);

// Field conversions that behave like the C library's string-to-number functions in the "C" locale
// (leading blanks, a sign, a decimal point), whatever the process locale is. A field is the raw
// bytes; conversion stops at the first byte that does not fit (a NUL included).
double FieldToDouble(std::span<const std::uint8_t> field);
long FieldToLong(std::span<const std::uint8_t> field);
bool FieldHasDigit(std::span<const std::uint8_t> field);

} // namespace kivora::recording
