#include "fuzz/MovieAtomsFuzzInput.h"

#include "tests/recording/AtomBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

// The movie fuzz target's seeds, replayed deterministically: each seed whole, cut at many lengths
// and with a fixed series of size-field changes. A fault shows as a crash or a sanitizer report.
TEST(MovieAtomsFuzzReplay, SeedsTheirCutsAndMutationsReadSafely)
{
    kivora::testing::TempDir corpus;
    const std::string command = std::string("KIVORA_CLI='") + KIVORA_CLI_PATH + "' bash '" + KIVORA_SOURCE_DIR
        + "/fuzz/seed-fuzz_movie_atoms.sh' '" + corpus.path().string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::mt19937 random(20230115);
    std::size_t seeds = 0;
    bool generated = false;
    for (const auto& entry : std::filesystem::directory_iterator(corpus.path())) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> seed { std::istreambuf_iterator<char>(in), {} };
        ++seeds;
        generated = generated || !entry.path().filename().string().starts_with("hand-");
        kivora::fuzzing::fuzzMovieAtomsInput(seed.data(), seed.size());
        const std::size_t step = seed.size() > 2000 ? 211 : 11;
        for (std::size_t cut = 0; cut < seed.size(); cut += step)
            kivora::fuzzing::fuzzMovieAtomsInput(seed.data(), cut);
        for (int round = 0; round < 48 && seed.size() > 8; ++round) {
            // Size fields are what a hostile file lies about: overwrite a byte near an atom start.
            std::vector<std::uint8_t> mutated = seed;
            const std::size_t at = random() % (mutated.size() - 4);
            static constexpr std::uint8_t kValues[] = { 0x00, 0x01, 0x07, 0x7F, 0xFF };
            mutated[at] = kValues[round % 5];
            kivora::fuzzing::fuzzMovieAtomsInput(mutated.data(), mutated.size());
        }
    }
    EXPECT_GE(seeds, 11u);
    EXPECT_TRUE(generated) << "the seed script found no kivora-cli to generate a card with";
}
