#pragma once

#include <cstdint>

namespace kivora::democard {

// SplitMix64. The standard distributions differ between library implementations, so every draw
// is made here to keep a card byte-identical for the same seed everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Uniform integer in [lo, hi].
    int range(int lo, int hi)
    {
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(double p) { return uniform() < p; }
    // Roughly normal (Irwin-Hall of four uniforms), mean 0, standard deviation 1.
    double gauss()
    {
        double s = 0;
        for (int i = 0; i < 4; ++i)
            s += uniform();
        return (s - 2.0) * 1.7320508075688772;
    }

private:
    std::uint64_t m_state;
};

} // namespace kivora::democard
