#pragma once

#include "sim/byte_writer.h"
#include "sim/frame_security.h"
#include "sim/sim_node.h"

#include <optional>

namespace qlm::sim {

enum : uint8_t { kNwkDataFrame = 0, kNwkCommandFrame = 1 };
enum : uint8_t { kRouteRequest = 1, kRouteReply = 2, kRouteError = 3, kLeave = 4 };

// A ZigBee NWK frame: the 8-byte header and its payload. The radius goes down by
// one at every hop, so it is given when the frame is put on air. A ZigBee PRO
// frame under the network key is secured hop by hop: each sender encrypts it
// anew with its own address and frame counter.
struct NwkFrame {
    uint8_t type = kNwkDataFrame;
    uint16_t destination = 0;
    uint16_t source = 0;
    int radius = 6;
    uint8_t sequence = 0;
    Bytes payload;
    int version = 2;
    int discoverRoute = 1;
    bool secured = false;  // the security bit alone, as ZigBee 2004 frames carry it
    const NetworkKeyMaterial* networkKey = nullptr;  // secured with it at every hop

    Bytes encode() const { return encode(radius); }
    Bytes encode(int hopRadius) const;
    // The frame as `hopSender` puts it on air.
    Bytes encode(int hopRadius, SimNode& hopSender) const;
};

NwkFrame nwkData(SimNode& origin, uint16_t destination, const Bytes& payload, bool secured = false,
                 std::optional<int> radius = std::nullopt);
NwkFrame nwkCommand(SimNode& origin, uint16_t destination, const Bytes& payload,
                    std::optional<int> radius = std::nullopt);

Bytes routeRequest(uint8_t requestId, uint16_t destination, uint8_t cost, bool repair = false);
Bytes routeReply(uint8_t requestId, uint16_t originator, uint16_t responder, uint8_t cost);
Bytes routeError(uint8_t code, uint16_t destination);
Bytes leaveCommand(bool request, bool removeChildren);

} // namespace qlm::sim
