#pragma once

#include "sim/frame_security.h"
#include "sim/sim_node.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace qlm::sim {

enum class PanKind {
    kHome,   // non-beacon ZigBee network, home automation key-value traffic
    kOffice, // older ZigBee network whose devices talk MailBox
    kLab,    // beacon-enabled network with guaranteed time slots and MAC security
    kPro,    // secured ZigBee PRO network
};

// One PAN of the simulated neighbourhood; node 0 is its coordinator.
struct SimPan {
    PanKind kind = PanKind::kHome;
    int channelIndex = 0; // 0..15: IEEE 802.15.4 channel index + 11
    uint16_t panId = 0;
    std::vector<SimNode> nodes;
    uint8_t appSequence = 0; // a sequence number the PAN's application keeps (MailBox data)
    std::optional<NetworkKeyMaterial> networkKey; // a secured ZigBee PRO network's

    int channel() const { return channelIndex + 11; }
};

} // namespace qlm::sim
