#pragma once

// Secured ZigBee PRO frames for tests that decrypt them: an auxiliary header
// after the layer's header, the payload encrypted with AES-128 CCM* and a 4-byte
// MIC, the level sent as 0. tshark checks that they are secured as it reads them.

#include "security/key_text.h"
#include "security/mmo_hash.h"
#include "sim/frame_security.h"
#include "zigbee_frames.h"

#include <optional>
#include <vector>

namespace qlm::test {

inline Key128 keyOf(const char* hex) {
    return parseKeyText(hex).key.value().key;
}

// Frames are secured as the simulated devices secure them.
using sim::Securing;
using sim::securedLayer;

// The keys and devices of the sample network.
inline constexpr const char* kNetworkKey = "A1B2C3D4E5F60718293A4B5C6D7E8F90";
inline constexpr const char* kLinkKey = "11223344556677889900AABBCCDDEEFF";
inline constexpr const char* kStrangersKey = "000102030405060708090A0B0C0D0E0F";
inline constexpr uint64_t kTrustCentre = 0x00124B0000000001;
inline constexpr uint64_t kDevice = 0x00124B00000000A1;

inline Securing underNetworkKey(uint32_t counter, const char* key = kNetworkKey) {
    return {1, counter, kDevice, true, uint8_t{0}, keyOf(key)};
}

inline Bytes keyBytes(const char* hex) {
    const Key128 key = keyOf(hex);
    return Bytes(key.begin(), key.end());
}

// Five frames of a secured network: data under the network key; a transport-key
// command that hands over that key under the default link key's key-transport
// key; a NWK command under the network key; an APS frame under a link key
// inside a frame under the network key; data under a key nobody has.
inline std::vector<Bytes> securedNetworkSample() {
    const Bytes onOff = {0x00, 0x01, 0x06, 0x00, 0x04, 0x01, 0x01, 0x10, 0x01, 0x05, 0x01};
    const Bytes routeRequest = {0x01, 0x00, 0x07, 0xFC, 0xFF, 0x00};

    Bytes transport = Bytes{0x05, 0x01} + keyBytes(kNetworkKey) + Bytes{0x00};
    putU64(transport, kDevice);
    putU64(transport, kTrustCentre);
    const Securing keyTransport{2, 0x31, kTrustCentre, true, {},
                                keyTransportKey(wellKnownLinkKey().key)};

    // An APS frame under the link key, without an extended nonce: its sender is
    // the NWK header's extended source.
    const Securing linkKey{0, 0x44, kDevice, false, {}, keyOf(kLinkKey)};
    const Bytes temperature = securedLayer(Bytes{0x20, 0x01, 0x02, 0x04, 0x04, 0x01, 0x01, 0x11},
                                      Bytes{0x18, 0x01, 0x0A, 0x00, 0x00, 0x29, 0x34, 0x08},
                                      linkKey);
    Bytes extendedSource = nwkHeader(0x08, 0x12, 0x0000, 0x1234, 0x1E, 4);
    putU64(extendedSource, kDevice);

    return {
        securedLayer(nwkHeader(0x08, 0x02, 0x0000, 0x1234, 0x1E, 1), onOff, underNetworkKey(100)),
        nwkHeader(0x08, 0x00, 0x1234, 0x0000, 0x1E, 2) +
            securedLayer(Bytes{0x21, 0x31}, transport, keyTransport),
        securedLayer(nwkHeader(0x09, 0x02, 0xFFFC, 0x1234, 0x1E, 3), routeRequest, underNetworkKey(101)),
        securedLayer(extendedSource, temperature, underNetworkKey(102)),
        securedLayer(nwkHeader(0x08, 0x02, 0x0000, 0x1234, 0x1E, 5), onOff,
                underNetworkKey(103, kStrangersKey)),
    };
}

} // namespace qlm::test
