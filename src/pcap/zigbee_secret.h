#pragma once

#include <array>
#include <cstdint>

namespace qlm {

// A ZigBee key that a pcapng file carries in a Decryption Secrets Block, of
// Wireshark's type "Zigbee NWK Key" or "Zigbee APS Key". We write the 16 bytes
// of the key in the order they travel; reading, any bytes after the first 16
// (other writers add the PAN or the addresses a key is for) are passed over.
struct ZigbeeSecret {
    enum class Layer : uint8_t { kNetwork, kLink };
    Layer layer = Layer::kNetwork;
    std::array<uint8_t, 16> key{};

    bool operator==(const ZigbeeSecret&) const = default;
};

} // namespace qlm
