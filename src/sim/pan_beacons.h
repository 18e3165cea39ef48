#pragma once

#include "sim/byte_writer.h"
#include "sim/sim_pan.h"

#include <vector>

namespace qlm::sim {

// Lab PAN superframe: beacon order 9, superframe order 8.
constexpr int kLabBeaconOrder = 9;
constexpr int kLabSuperframeOrder = 8;

// The MAC payload of a beacon of `node` (superframe spec, GTS fields,
// pending addresses, ZigBee beacon payload) with the given pending addresses.
Bytes beaconPayload(const SimPan& pan, int node, const std::vector<uint16_t>& pendingShort = {},
                    const std::vector<uint64_t>& pendingExtended = {});

// Nodes that send beacons: every router of a non-beacon network answers a beacon
// request; in the beacon-enabled network only the PAN coordinator beacons.
std::vector<int> beaconingNodes(const SimPan& pan);

} // namespace qlm::sim
