#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"

namespace qlm::sim {

// A home network of ZigBee 2004 (NWK protocol version 1): a coordinator, two routers, a light
// and a heater plug, a thermostat and two sleepy sensors. Its traffic: key-value
// transactions of the home automation profile, APS acknowledgements, binding
// table delivery, ZDO discovery, route discovery and errors, leaves and joins,
// polls, and a router outage with orphan notification and realignment.
SimPan makeHomePan(int channelIndex, SimRandom& random);

// Puts the frames of one randomly chosen exchange of the home network on air.
void homeEpisode(FrameQueue& air, SimPan& pan);

} // namespace qlm::sim
