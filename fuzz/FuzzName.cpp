// libFuzzer entry; the work is in NameFuzzInput.h.

#include "fuzz/NameFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kivora::fuzzing::fuzzNameInput(data, size);
}
