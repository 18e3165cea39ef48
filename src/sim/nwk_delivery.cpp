#include "sim/nwk_delivery.h"

#include "sim/mac_commands.h"

namespace qlm::sim {

void hop(FrameQueue& air, int from, int to, const Bytes& payload, const HopOptions& options) {
    SendOptions send;
    send.acker = to;
    send.lost = options.lost;
    send.damagedBytes = options.damagedBytes;
    air.send(dataFrame(air.node(from), air.node(to).shortAddress, payload, options.pending,
                       options.secured),
             from, send);
}

void indirect(FrameQueue& air, int parent, int child, const std::vector<Bytes>& payloads) {
    for (size_t i = 0; i < payloads.size(); ++i) {
        SendOptions poll;
        poll.acker = parent;
        poll.ackPending = true;
        air.send(dataRequest(air.node(child), air.node(parent)), child, poll);
        HopOptions options;
        options.pending = i + 1 < payloads.size();
        hop(air, parent, child, payloads[i], options);
    }
}

void unicast(FrameQueue& air, const std::vector<int>& path, const NwkFrame& frame, int damagedHop) {
    int radius = frame.radius;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        const int from = path[i];
        const int to = path[i + 1];
        const SimNode& receiver = air.node(to);
        if (receiver.sleepy && i + 2 == path.size() && receiver.parent == from) {
            indirect(air, from, to, {frame.encode(radius, air.node(from))});
        } else {
            HopOptions options;
            options.damagedBytes = static_cast<int>(i) == damagedHop ? 2 : 0;
            hop(air, from, to, frame.encode(radius, air.node(from)), options);
        }
        --radius;
    }
}

void broadcast(FrameQueue& air, const NwkFrame& frame, int sender, const std::vector<Relay>& relays,
               bool viaParent) {
    int radius = frame.radius;
    if (viaParent) {
        const int parent = air.node(sender).parent;
        hop(air, sender, parent, frame.encode(radius, air.node(sender)));
        sender = parent;
        --radius;
    }
    air.send(dataFrame(air.node(sender), kBroadcastAddress, frame.encode(radius, air.node(sender))),
             sender);
    for (const Relay& relay : relays)
        air.send(
            dataFrame(air.node(relay.node), kBroadcastAddress,
                      frame.encode(radius - relay.depth, air.node(relay.node))),
            relay.node);
}

} // namespace qlm::sim
