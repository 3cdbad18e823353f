#include "fuzz/NameFuzzInput.h"

#include "tests/support/FuzzReplay.h"

TEST(NameFuzzReplay, SeedsAndTheirCutsAndMutationsStayInsideTheName)
{
    EXPECT_GE(kivora::testing::replayFuzzSeeds("fuzz_name", kivora::fuzzing::fuzzNameInput), 15u);
}
