#include "sim/sim_random.h"

namespace qlm::sim {

namespace {

// seed_seq's mixing is specified exactly by the standard, so it is portable.
std::mt19937 seededEngine(uint32_t seed, uint32_t stream) {
    std::seed_seq sequence{seed, stream};
    return std::mt19937(sequence);
}

} // namespace

SimRandom::SimRandom(uint32_t seed, uint32_t stream) : engine_(seededEngine(seed, stream)) {}

uint32_t SimRandom::below(uint32_t bound) {
    // Rejecting the lowest (2^32 mod bound) outputs leaves a whole number of
    // copies of every residue, so the result is unbiased.
    const uint32_t threshold = (0u - bound) % bound;
    for (;;) {
        const uint32_t value = raw();
        if (value >= threshold)
            return value % bound;
    }
}

int SimRandom::between(int low, int high) {
    const uint32_t span = static_cast<uint32_t>(high - low) + 1u;
    return low + static_cast<int>(below(span));
}

} // namespace qlm::sim
