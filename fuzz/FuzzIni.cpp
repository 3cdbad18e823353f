// libFuzzer entry; the work is in IniFuzzInput.h.

#include "fuzz/IniFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kivora::fuzzing::fuzzIniInput(data, size);
}
