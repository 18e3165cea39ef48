#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"

namespace qlm::sim {

// A beacon-enabled lab network (beacon order 9): its beacons carry GTS
// descriptors and pending short and extended addresses; sensor A sends
// MAC-secured readings in its guaranteed time slot, sensor B gets its settings
// through indirect transfers, and a tag associates without a short address.
SimPan makeLabPan(int channelIndex, SimRandom& random);

void labEpisode(FrameQueue& air, SimPan& pan);

} // namespace qlm::sim
