#pragma once

// One fuzz input through the telemetry decoding: the block decoder straight over the input (which
// ends exactly where the input ends, so any over-read is caught), then the whole file path through
// a mapped in-memory file: load, frame index, header, trailer and the summary. Shared by the
// libFuzzer target and the test that replays the seeds.

#include "fuzz/MemoryFile.h"
#include "kivora/recording/TelemetryDecode.h"
#include "kivora/recording/TelemetryReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivora::fuzzing {

using namespace kivora::recording;

namespace telemetry_detail {

using kivora::fuzzing::MemoryFile;

void exerciseFrameIndex(TelemetryReader& reader, const std::uint8_t* data, std::size_t size)
{
    // Frame count and period from the input's first bytes, so the fuzzer explores both.
    const std::int64_t frames = size > 1 ? (data[0] | data[1] << 8) % 5000 : 30;
    const float msPerFrame = size > 2 ? 1.0f + static_cast<float>(data[2]) : 33.3f;
    if (BuildFrameIndex(reader, frames, msPerFrame)) {
        for (std::int64_t f = 0; f < frames; f += 7) {
            const TelemetrySample s = reader.sampleAtFrame(f);
            if (s.motion && (!s.gps || !s.vehicle))
                __builtin_trap(); // a motion sample always carries its links after a build
        }
    }
}

} // namespace telemetry_detail

inline int fuzzTelemetryInput(const std::uint8_t* data, std::size_t size)
{
    {
        TelemetryReader reader;
        InitReader(reader);
        reader.path = "A_T_-230115-083000-000123D.ADA";
        const std::span<const std::uint8_t> all(data, size);
        const std::size_t decoded
            = DecodeBlock(all.size() > kTagBytes ? all.subspan(kTagBytes) : all, reader);
        if (decoded * kRecordBytes > size || reader.gps.size() != decoded || reader.motion.size() != decoded)
            __builtin_trap();
        telemetry_detail::exerciseFrameIndex(reader, data, size);
    }

    telemetry_detail::MemoryFile file(data, size);
    if (!file.ok())
        return 0;
    TelemetryReader reader;
    InitReader(reader);
    if (Load(reader, file.path())) {
        if (reader.gps.size() * kRecordBytes > size)
            __builtin_trap();
        telemetry_detail::exerciseFrameIndex(reader, data, size);
    }
    const TelemetryFileInfo info = InspectTelemetryFile(file.path());
    if (info.recordCount < 0 || static_cast<std::size_t>(info.recordCount) * kRecordBytes > size)
        __builtin_trap();
    return 0;
}

} // namespace kivora::fuzzing
