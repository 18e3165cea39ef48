#pragma once

#include "sim/byte_writer.h"
#include "sim/frame_security.h"
#include "sim/sim_node.h"

#include <vector>

namespace qlm::sim {

// ZigBee 2006/PRO frames: the APS header with its 16-bit cluster and APS
// counter, ZigBee Cluster Library and device profile payloads, the APS
// transport-key command and NWK commands in their PRO form.

enum : uint16_t {
    kClusterBasic = 0x0000,
    kClusterOnOff = 0x0006,
    kClusterTemperature = 0x0402,
    kClusterOccupancy = 0x0406,
};
enum : uint16_t { kZdpDeviceAnnounce = 0x0013 };
enum : uint8_t { kZclInt16 = 0x29, kZclBitmap8 = 0x18, kZclString = 0x42 };

// APS data to an endpoint (unicast) or to every device (broadcast), numbered
// from the sender's APS counter.
Bytes proApsData(SimNode& sender, uint8_t destinationEndpoint, uint16_t cluster, uint16_t profile,
                 uint8_t sourceEndpoint, bool ackRequest = false, bool broadcast = false);
// The acknowledgement of APS data carrying `counter`, from its destination.
Bytes proApsAck(uint8_t destinationEndpoint, uint16_t cluster, uint16_t profile,
                uint8_t sourceEndpoint, uint8_t counter);
// An APS command frame's header; with `secured`, the security bit is set.
Bytes proApsCommandHeader(SimNode& sender, bool secured);
// The transport-key command handing the network key to `destination`.
Bytes transportNetworkKey(const NetworkKeyMaterial& key, uint64_t destination, uint64_t source);

// ZCL frames of the profile-wide commands and of cluster-specific commands.
Bytes zclReport(uint8_t sequence, uint16_t attribute, uint8_t type, const Bytes& value);
Bytes zclReadAttribute(uint8_t sequence, uint16_t attribute);
Bytes zclReadResponse(uint8_t sequence, uint16_t attribute, uint8_t type, const Bytes& value);
Bytes zclClusterCommand(uint8_t sequence, uint8_t command);

// A ZDP frame on endpoint 0: the APS header, the transaction number and `body`.
Bytes proZdo(SimNode& sender, uint16_t cluster, const Bytes& body, bool broadcast = false);

// NWK commands of ZigBee PRO.
struct LinkEntry {
    uint16_t address;
    uint8_t incomingCost;
    uint8_t outgoingCost;
};
Bytes linkStatus(const std::vector<LinkEntry>& entries);
Bytes proRouteRequest(uint8_t requestId, uint16_t destination, uint8_t cost);
Bytes proRouteReply(uint8_t requestId, uint16_t originator, uint16_t responder, uint8_t cost);
Bytes proLeave(bool request, bool rejoin);

} // namespace qlm::sim
