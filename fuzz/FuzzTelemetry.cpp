// libFuzzer entry for the telemetry decoding; the work is in TelemetryFuzzInput.h.

#include "fuzz/TelemetryFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kivora::fuzzing::fuzzTelemetryInput(data, size);
}
