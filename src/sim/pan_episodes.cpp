#include "sim/pan_episodes.h"

#include "sim/mac_commands.h"
#include "sim/pan_beacons.h"
#include "sim/stored_frame.h"

namespace qlm::sim {

void activeScan(FrameQueue& air, const SimPan& pan, int scanner) {
    air.send(beaconRequest(), scanner);
    for (int node : beaconingNodes(pan))
        air.sendBeacon(beaconFrame(pan.nodes[static_cast<size_t>(node)], beaconPayload(pan, node)),
                       node);
}

void associate(FrameQueue& air, SimPan& pan, const JoinRequest& join) {
    SimNode& device = air.node(join.device);
    const SimNode& parent = air.node(join.parent);
    SendOptions toParent;
    toParent.acker = join.parent;
    air.send(associationRequest(device, parent, join.capability), join.device, toParent);
    SendOptions poll = toParent;
    poll.ackPending = true;
    air.send(dataRequest(device, parent, true), join.device, poll);
    SendOptions toDevice;
    toDevice.acker = join.device;
    air.send(associationResponse(parent, device, join.assigned, join.status), join.parent,
             toDevice);
    if (join.status != 0)
        return;
    device.pan = pan.panId;
    device.shortAddress = join.assigned;
    device.parent = join.parent;
    device.joined = true;
}

void idlePoll(FrameQueue& air, int device) {
    SendOptions options;
    options.acker = air.node(device).parent;
    air.send(dataRequest(air.node(device), air.node(options.acker)), device, options);
}

void badReception(FrameQueue& air) {
    SimRandom& random = air.random();
    if (random.percent(75)) {
        air.sendStored(phyErrorFrame(random));
        return;
    }
    // Frame type 7 is reserved; no addressing fields.
    const Bytes reserved = {0x07, 0x00, random.byte(), random.byte(), random.byte(), 0x02};
    air.sendAsIs(reserved, random.between(-88, -75), random.between(80, 95));
}

} // namespace qlm::sim
