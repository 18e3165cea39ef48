#include "sim/pan_beacons.h"

#include "sim/mac_frames.h"

namespace qlm::sim {

namespace {

// The lab coordinator grants sensor A (node 1) a transmit slot and sensor B
// (node 2) a receive slot.
Bytes labBeaconPayload(const SimPan& pan, const std::vector<uint16_t>& pendingShort,
                       const std::vector<uint64_t>& pendingExtended) {
    const std::vector<GtsSlot> slots = {{pan.nodes[1].shortAddress, 14, 2, false},
                                        {pan.nodes[2].shortAddress, 12, 2, true}};
    Bytes out = superframeSpec(kLabBeaconOrder, kLabSuperframeOrder, 11, true, true);
    append(out, gtsFields(true, slots));
    append(out, pendingFields(pendingShort, pendingExtended));
    append(out, zigbeeBeaconPayload(1, 0, true, true));
    return out;
}

Bytes nonBeaconPayload(const SimPan& pan, int node, const std::vector<uint16_t>& pendingShort,
                       const std::vector<uint64_t>& pendingExtended) {
    const SimNode& sender = pan.nodes[static_cast<size_t>(node)];
    const bool coordinator = node == 0;
    const int depth = coordinator ? 0 : 1;
    Bytes out = superframeSpec(15, 15, 15, coordinator, true);
    append(out, gtsFields(false, {}));
    append(out, pendingFields(pendingShort, pendingExtended));
    if (sender.nwkVersion >= 2)
        append(out, zigbeeBeaconPayload(2, depth, true, true, pan.nodes[0].extAddress));
    else
        append(out, zigbeeBeaconPayload(1, depth, coordinator, true));
    return out;
}

} // namespace

Bytes beaconPayload(const SimPan& pan, int node, const std::vector<uint16_t>& pendingShort,
                    const std::vector<uint64_t>& pendingExtended) {
    if (pan.kind == PanKind::kLab)
        return labBeaconPayload(pan, pendingShort, pendingExtended);
    return nonBeaconPayload(pan, node, pendingShort, pendingExtended);
}

std::vector<int> beaconingNodes(const SimPan& pan) {
    std::vector<int> nodes;
    for (size_t i = 0; i < pan.nodes.size(); ++i)
        if (pan.nodes[i].beacons && pan.nodes[i].joined)
            nodes.push_back(static_cast<int>(i));
    return nodes;
}

} // namespace qlm::sim
