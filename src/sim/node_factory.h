#pragma once

#include "sim/sim_node.h"
#include "sim/sim_random.h"

namespace qlm::sim {

// What a PAN layout says about one of its radios; the rest is drawn from the seed.
struct NodeSpec {
    const char* name;
    uint16_t shortAddress;
    int dbm; // signal strength at the sniffer, before a per-seed spread of +-4 dB
    int correlation;
    int parent = -1;
    bool sleepy = false;
    bool beacons = false;
    uint32_t oui = 0x00124B; // vendor part of the extended address
};

// A node with its own extended address (vendor part + 24 random bits) and
// sequence counters that start anywhere.
SimNode makeNode(const NodeSpec& spec, uint16_t pan, int nwkVersion, SimRandom& random);

} // namespace qlm::sim
