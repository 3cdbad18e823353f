#pragma once

// Replays a fuzz target's seeds deterministically: each seed whole, cut at many lengths, and with a
// fixed series of byte changes. A fault shows as a crash, a trap or a sanitizer report here too.

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace kivora::testing {

using FuzzInput = std::function<int(const std::uint8_t*, std::size_t)>;

// Runs fuzz/seed-<target>.sh into a fresh folder and feeds every seed and its variants to input;
// cuts: how many prefix lengths of each seed to try. Returns the number of seeds.
inline std::size_t replayFuzzSeeds(const std::string& target, const FuzzInput& input, std::size_t cuts = 400)
{
    TempFolder corpus;
    const std::string command = std::string("KIVORA_CLI='") + KIVORA_CLI_PATH + "' bash '" + KIVORA_SOURCE_DIR
        + "/fuzz/seed-" + target + ".sh' '" + corpus.path().string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;

    std::mt19937 random(20230115);
    std::size_t seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus.path())) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> seed { std::istreambuf_iterator<char>(in), {} };
        ++seeds;
        SCOPED_TRACE(entry.path().filename().string());
        input(seed.data(), seed.size());
        const std::size_t step = seed.size() / cuts + 1;
        for (std::size_t cut = 0; cut < seed.size(); cut += step) {
            // A copy of exactly `cut` bytes, so that an over-read leaves the allocation.
            const std::vector<std::uint8_t> prefix(
                seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut));
            input(prefix.data(), prefix.size());
        }
        for (int round = 0; round < 64 && !seed.empty(); ++round) {
            std::vector<std::uint8_t> mutated = seed;
            for (int k = 0; k < 1 + round % 4; ++k)
                mutated[random() % mutated.size()]
                    = static_cast<std::uint8_t>(round % 3 == 0 ? 0xFF : random());
            input(mutated.data(), mutated.size());
        }
    }
    return seeds;
}

} // namespace kivora::testing
