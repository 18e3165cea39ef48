#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"

#include <array>

namespace qlm::sim {

using Episode = void (*)(FrameQueue&, SimPan&);

struct WeightedEpisode {
    Episode run;
    int weight; // how often it is chosen relative to the others
};

// Runs one episode of the table, chosen by weight.
template <size_t N>
void runOneOf(const std::array<WeightedEpisode, N>& episodes, FrameQueue& air, SimPan& pan) {
    std::array<int, N> weights{};
    for (size_t i = 0; i < N; ++i)
        weights[i] = episodes[i].weight;
    episodes[static_cast<size_t>(air.random().weighted(weights))].run(air, pan);
}

// Exchanges that every PAN has, whatever its applications.

// A beacon request from `scanner` and the beacons that answer it.
void activeScan(FrameQueue& air, const SimPan& pan, int scanner);

struct JoinRequest {
    int device;
    int parent;
    uint8_t capability = 0x80; // allocate address
    uint16_t assigned = kNoShortAddress;
    uint8_t status = 0x00; // 0 success, 1 PAN at capacity, 2 access denied
};
// Association: the request, the device's poll for the answer after the response
// wait time, and the response. On success the device becomes a member.
void associate(FrameQueue& air, SimPan& pan, const JoinRequest& join);

// A sleepy device's poll that finds nothing waiting.
void idlePoll(FrameQueue& air, int device);

// A reception that went wrong at the sniffer: a PHY header it could not read,
// or a frame of a reserved frame type heard clean.
void badReception(FrameQueue& air);

} // namespace qlm::sim
