#pragma once

#include <cstdint>
#include <random>

namespace qlm::sim {

// Random draws that come out the same on every platform for a seed. The engine's
// raw output is fixed by the standard; the library's distributions are not, so
// every draw here is computed from that raw output.
class SimRandom {
public:
    explicit SimRandom(uint32_t seed) : engine_(seed) {}
    // An independent stream for one part of the simulation (a PAN, the radio, ...),
    // so that what one part draws does not change what another sees.
    SimRandom(uint32_t seed, uint32_t stream);

    uint32_t raw() { return engine_(); }
    // Uniform in [0, bound); bound must be above 0.
    uint32_t below(uint32_t bound);
    // Uniform in [low, high], both included.
    int between(int low, int high);
    bool percent(int chance) { return static_cast<int>(below(100)) < chance; }
    uint8_t byte() { return static_cast<uint8_t>(raw() >> 24); }
    // One of the indexes 0 .. weights.size()-1, each as likely as its weight.
    template <typename Container> int weighted(const Container& weights);

private:
    std::mt19937 engine_;
};

template <typename Container> int SimRandom::weighted(const Container& weights) {
    uint32_t total = 0;
    for (int weight : weights)
        total += static_cast<uint32_t>(weight);
    uint32_t pick = below(total);
    int index = 0;
    for (int weight : weights) {
        if (pick < static_cast<uint32_t>(weight))
            return index;
        pick -= static_cast<uint32_t>(weight);
        ++index;
    }
    return index - 1;
}

} // namespace qlm::sim
