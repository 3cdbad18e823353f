#include "fuzz/MergeFuzzInput.h"

#include "tests/support/FuzzReplay.h"

// A join either fails cleanly or writes a movie that parses with the frames of both parts.
TEST(MergeFuzzReplay, SeedPairsAndTheirCutsAndMutationsJoinOrFailCleanly)
{
    EXPECT_GE(kivora::testing::replayFuzzSeeds("fuzz_merge", kivora::fuzzing::fuzzMergeInput, 120), 7u);
    EXPECT_GT(kivora::fuzzing::mergesWritten(), 20u);
}
