#include "fuzz/TelemetryFuzzInput.h"

#include "tests/recording/TelemetryFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

// The fuzz target's seeds, replayed deterministically: each seed whole, cut at many lengths, and
// with a fixed series of byte changes. A fault shows as a crash or a sanitizer report here too.
TEST(TelemetryFuzzReplay, SeedsAndTheirCutsAndMutationsDecodeSafely)
{
    kivora::testing::TempFolder corpus("telemetry-seeds");
    const std::string command = std::string("KIVORA_CLI='") + KIVORA_CLI_PATH + "' bash '" + KIVORA_SOURCE_DIR
        + "/fuzz/seed-fuzz_telemetry.sh' '" + corpus.path().string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::mt19937 random(20230115);
    std::size_t seeds = 0;
    bool generated = false;
    for (const auto& entry : std::filesystem::directory_iterator(corpus.path())) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> seed { std::istreambuf_iterator<char>(in), {} };
        ++seeds;
        generated = generated || !entry.path().filename().string().starts_with("hand-");
        kivora::fuzzing::fuzzTelemetryInput(seed.data(), seed.size());
        const std::size_t step = seed.size() > 400 ? 13 : 1;
        for (std::size_t cut = 0; cut < seed.size(); cut += step) {
            // A copy of exactly `cut` bytes, so that an over-read leaves the allocation.
            const std::vector<std::uint8_t> prefix(
                seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut));
            kivora::fuzzing::fuzzTelemetryInput(prefix.data(), prefix.size());
        }
        for (int round = 0; round < 64 && !seed.empty(); ++round) {
            std::vector<std::uint8_t> mutated = seed;
            for (int k = 0; k < 1 + round % 4; ++k)
                mutated[random() % mutated.size()]
                    = static_cast<std::uint8_t>(round % 3 == 0 ? 0xFF : random());
            kivora::fuzzing::fuzzTelemetryInput(mutated.data(), mutated.size());
        }
    }
    EXPECT_GE(seeds, 7u);
    EXPECT_TRUE(generated) << "the seed script found no kivora-cli to generate a card with";
}
