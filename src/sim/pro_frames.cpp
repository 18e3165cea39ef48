#include "sim/pro_frames.h"

namespace qlm::sim {
namespace {

// APS frame control: frame type, delivery mode and flags.
constexpr uint8_t kApsData = 0x00;
constexpr uint8_t kApsCommand = 0x01;
constexpr uint8_t kApsAck = 0x02;
constexpr uint8_t kApsUnicast = 0x00;
constexpr uint8_t kApsBroadcast = 0x08;
constexpr uint8_t kApsSecurity = 0x20;
constexpr uint8_t kApsAckRequest = 0x40;
enum : uint8_t { kTransportKey = 0x05, kStandardNetworkKey = 0x01 };
enum : uint8_t { kNwkRouteRequest = 0x01, kNwkRouteReply = 0x02, kNwkLeave = 0x04,
                 kNwkLinkStatus = 0x08 };

Bytes apsAddressing(uint8_t control, uint8_t destinationEndpoint, uint16_t cluster,
                    uint16_t profile, uint8_t sourceEndpoint, uint8_t counter) {
    Bytes out = {control, destinationEndpoint};
    putU16(out, cluster);
    putU16(out, profile);
    putU8(out, sourceEndpoint);
    putU8(out, counter);
    return out;
}

} // namespace

Bytes proApsData(SimNode& sender, uint8_t destinationEndpoint, uint16_t cluster, uint16_t profile,
                 uint8_t sourceEndpoint, bool ackRequest, bool broadcast) {
    const uint8_t control = static_cast<uint8_t>(kApsData | (broadcast ? kApsBroadcast : kApsUnicast) |
                                                 (ackRequest ? kApsAckRequest : 0));
    return apsAddressing(control, destinationEndpoint, cluster, profile, sourceEndpoint,
                         sender.nextApsCounter());
}

Bytes proApsAck(uint8_t destinationEndpoint, uint16_t cluster, uint16_t profile,
                uint8_t sourceEndpoint, uint8_t counter) {
    return apsAddressing(kApsAck, destinationEndpoint, cluster, profile, sourceEndpoint, counter);
}

Bytes proApsCommandHeader(SimNode& sender, bool secured) {
    return {static_cast<uint8_t>(kApsCommand | (secured ? kApsSecurity : 0)),
            sender.nextApsCounter()};
}

Bytes transportNetworkKey(const NetworkKeyMaterial& key, uint64_t destination, uint64_t source) {
    Bytes out;
    putU8(out, kTransportKey);
    putU8(out, kStandardNetworkKey);
    for (uint8_t byte : key.key)
        putU8(out, byte);
    putU8(out, key.sequence);
    putU64(out, destination);
    putU64(out, source);
    return out;
}

Bytes zclReport(uint8_t sequence, uint16_t attribute, uint8_t type, const Bytes& value) {
    Bytes out = {0x18, sequence, 0x0A};  // profile-wide, server to client, no default response
    putU16(out, attribute);
    putU8(out, type);
    append(out, value);
    return out;
}

Bytes zclReadAttribute(uint8_t sequence, uint16_t attribute) {
    Bytes out = {0x00, sequence, 0x00};
    putU16(out, attribute);
    return out;
}

Bytes zclReadResponse(uint8_t sequence, uint16_t attribute, uint8_t type, const Bytes& value) {
    Bytes out = {0x18, sequence, 0x01};
    putU16(out, attribute);
    append(out, {0x00, type});  // success
    append(out, value);
    return out;
}

Bytes zclClusterCommand(uint8_t sequence, uint8_t command) {
    return {0x01, sequence, command};  // cluster-specific, client to server
}

Bytes proZdo(SimNode& sender, uint16_t cluster, const Bytes& body, bool broadcast) {
    Bytes out = proApsData(sender, 0x00, cluster, 0x0000, 0x00, false, broadcast);
    putU8(out, sender.nextAfSeq());
    append(out, body);
    return out;
}

Bytes linkStatus(const std::vector<LinkEntry>& entries) {
    Bytes out = {kNwkLinkStatus,
                 static_cast<uint8_t>(0x60 | (entries.size() & 0x1F))};  // first and last frame
    for (const LinkEntry& entry : entries) {
        putU16(out, entry.address);
        putU8(out, (entry.incomingCost & 0x07) | (entry.outgoingCost & 0x07) << 4);
    }
    return out;
}

Bytes proRouteRequest(uint8_t requestId, uint16_t destination, uint8_t cost) {
    Bytes out = {kNwkRouteRequest, 0x00, requestId};
    putU16(out, destination);
    putU8(out, cost);
    return out;
}

Bytes proRouteReply(uint8_t requestId, uint16_t originator, uint16_t responder, uint8_t cost) {
    Bytes out = {kNwkRouteReply, 0x00, requestId};
    putU16(out, originator);
    putU16(out, responder);
    putU8(out, cost);
    return out;
}

Bytes proLeave(bool request, bool rejoin) {
    return {kNwkLeave, static_cast<uint8_t>(request << 6 | rejoin << 5)};
}

} // namespace qlm::sim
