#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"

namespace qlm::sim {

// A secured ZigBee PRO home network (NWK protocol version 2): the trust centre
// with a plug and a bulb as routers, a climate sensor and a motion sensor that
// sleep. Every NWK frame is secured with the network key, which the seed draws
// and nobody is told: the motion sensor joins (and now and then leaves and
// joins again), and the trust centre hands it the key in a transport-key command
// secured with the key-transport key of the default link key "ZigBeeAlliance09".
// Its traffic: ZCL attribute reports, reads and commands with APS
// acknowledgements, link status, route discovery, device announcements and polls.
SimPan makeProPan(int channelIndex, SimRandom& random);

// Puts the frames of one randomly chosen exchange of the PRO network on air.
void proEpisode(FrameQueue& air, SimPan& pan);

} // namespace qlm::sim
