#pragma once

#include "security/key128.h"
#include "sim/byte_writer.h"

#include <optional>

namespace qlm::sim {

// How a ZigBee device secures one layer of a frame (NWK or APS): the key
// identifier it names, its outgoing frame counter, its IEEE address and the key
// itself (already derived, for the key-transport and key-load keys).
struct Securing {
    uint8_t keyId = 1;  // 0 link key, 1 network key, 2 key-transport key, 3 key-load key
    uint32_t counter = 0;
    uint64_t sender = 0;
    bool extendedNonce = true;            // the header carries the sender's address
    std::optional<uint8_t> keySequence;   // with the network key
    Key128 key{};
};

// The network key of a secured PAN and its key sequence number.
struct NetworkKeyMaterial {
    Key128 key{};
    uint8_t sequence = 0;
};

// `header` (its security bit already set) followed by the auxiliary security
// header, the payload encrypted with AES-128 CCM* at level 5 and the 4-byte MIC.
// The level travels as 0; the nonce and the authenticated header use 5.
Bytes securedLayer(const Bytes& header, const Bytes& payload, const Securing& securing);

} // namespace qlm::sim
