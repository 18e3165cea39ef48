#pragma once

#include "sim/frame_queue.h"
#include "sim/sim_pan.h"

namespace qlm::sim {

// An older office network (NWK protocol version 1) whose devices talk MailBox
// (profile C1EE) over AF messages: a gateway, a meter reader that routes, a
// sleepy boiler panel behind it, and a visiting tag that is refused. Some of its
// traffic is NWK-secured, and the gateway hands out the network key.
SimPan makeOfficePan(int channelIndex, SimRandom& random);

void officeEpisode(FrameQueue& air, SimPan& pan);

} // namespace qlm::sim
