#include "fuzz/IniFuzzInput.h"

#include "tests/support/FuzzReplay.h"

TEST(IniFuzzReplay, SeedsAndTheirCutsAndMutationsKeepTheText)
{
    EXPECT_GE(kivora::testing::replayFuzzSeeds("fuzz_ini", kivora::fuzzing::fuzzIniInput), 8u);
}
