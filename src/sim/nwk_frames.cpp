#include "sim/nwk_frames.h"

namespace qlm::sim {

Bytes NwkFrame::encode(int hopRadius) const {
    Bytes out;
    putU8(out, type | version << 2 | discoverRoute << 6);
    putU8(out, secured ? 0x02 : 0x00);
    putU16(out, destination);
    putU16(out, source);
    putU8(out, static_cast<unsigned>(hopRadius));
    putU8(out, sequence);
    append(out, payload);
    return out;
}

Bytes NwkFrame::encode(int hopRadius, SimNode& hopSender) const {
    if (networkKey == nullptr)
        return encode(hopRadius);
    NwkFrame header = *this;
    header.secured = true;
    header.payload.clear();
    Securing securing;
    securing.keyId = 1;
    securing.counter = hopSender.nwkFrameCounter++;
    securing.sender = hopSender.extAddress;
    securing.keySequence = networkKey->sequence;
    securing.key = networkKey->key;
    return securedLayer(header.encode(hopRadius), payload, securing);
}

NwkFrame nwkData(SimNode& origin, uint16_t destination, const Bytes& payload, bool secured,
                 std::optional<int> radius) {
    NwkFrame frame;
    frame.type = kNwkDataFrame;
    frame.destination = destination;
    frame.source = origin.shortAddress;
    frame.radius = radius.value_or(origin.radius);
    frame.sequence = origin.nextNwkSeq();
    frame.payload = payload;
    frame.version = origin.nwkVersion;
    frame.discoverRoute = destination == kBroadcastAddress ? 0 : 1;
    frame.secured = secured;
    return frame;
}

NwkFrame nwkCommand(SimNode& origin, uint16_t destination, const Bytes& payload,
                    std::optional<int> radius) {
    NwkFrame frame = nwkData(origin, destination, payload, false, radius);
    frame.type = kNwkCommandFrame;
    frame.discoverRoute = 0;
    return frame;
}

Bytes routeRequest(uint8_t requestId, uint16_t destination, uint8_t cost, bool repair) {
    Bytes out = {kRouteRequest, static_cast<uint8_t>(repair << 7), requestId};
    putU16(out, destination);
    putU8(out, cost);
    return out;
}

Bytes routeReply(uint8_t requestId, uint16_t originator, uint16_t responder, uint8_t cost) {
    Bytes out = {kRouteReply, 0x00, requestId};
    putU16(out, originator);
    putU16(out, responder);
    putU8(out, cost);
    return out;
}

Bytes routeError(uint8_t code, uint16_t destination) {
    Bytes out = {kRouteError, code};
    putU16(out, destination);
    return out;
}

Bytes leaveCommand(bool request, bool removeChildren) {
    return {kLeave, static_cast<uint8_t>(request << 6 | removeChildren << 7)};
}

} // namespace qlm::sim
