// libFuzzer entry for the movie atom reader; the work is in MovieAtomsFuzzInput.h.

#include "fuzz/MovieAtomsFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return kivora::fuzzing::fuzzMovieAtomsInput(data, size);
}
