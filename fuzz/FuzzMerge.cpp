// libFuzzer entry; the work is in MergeFuzzInput.h.

#include "fuzz/MergeFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kivora::fuzzing::fuzzMergeInput(data, size);
}
