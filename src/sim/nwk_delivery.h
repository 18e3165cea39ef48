#pragma once

#include "sim/frame_queue.h"
#include "sim/nwk_frames.h"

#include <vector>

namespace qlm::sim {

struct HopOptions {
    bool pending = false; // MAC frame pending: more follows for the receiver
    bool secured = false; // MAC security
    bool lost = false;    // the receiver does not acknowledge
    int damagedBytes = 0; // the sniffer hears this hop with a failed CRC
};

// One MAC data frame from `from` to its neighbour `to`, acknowledged by `to`.
void hop(FrameQueue& air, int from, int to, const Bytes& payload, const HopOptions& options = {});

// Frames that `parent` holds for its sleepy `child`: the child's poll is
// acknowledged with the pending bit, the parent sends; while the data frame says
// more is pending, the child polls again.
void indirect(FrameQueue& air, int parent, int child, const std::vector<Bytes>& payloads);

// A NWK frame carried hop by hop along `path` (originator first), its radius one
// less at every hop. The last hop to a sleepy child waits for the child's poll.
void unicast(FrameQueue& air, const std::vector<int>& path, const NwkFrame& frame,
             int damagedHop = -1);

struct Relay {
    int node;
    int depth; // hops from the first broadcaster
};

// A NWK broadcast: the first transmission by `sender` (an end device hands it to
// its parent first), then one rebroadcast per relaying router.
void broadcast(FrameQueue& air, const NwkFrame& frame, int sender, const std::vector<Relay>& relays,
               bool viaParent = false);

} // namespace qlm::sim
