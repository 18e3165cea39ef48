#pragma once

// Securing ZigBee PRO frames as a device does, for tests that decrypt them: an
// auxiliary header after the layer's header, the payload encrypted with AES-128
// CCM* and a 4-byte MIC, the level sent as 0.

#include "security/ccm_cipher.h"
#include "security/key_text.h"
#include "security/mmo_hash.h"
#include "zigbee_frames.h"

#include <optional>
#include <vector>

namespace qlm::test {

inline Key128 keyOf(const char* hex) {
    return parseKeyText(hex).key.value().key;
}

struct Securing {
    uint8_t keyId = 1;  // 0 link, 1 network, 2 key-transport, 3 key-load key
    uint32_t counter = 1;
    uint64_t sender = 0;  // the nonce's address
    bool extendedNonce = true;
    std::optional<uint8_t> keySequence;  // with the network key
    Key128 key{};                        // the key itself, derived already for ids 2 and 3
};

// `header` (NWK or APS, its security bit set) followed by the auxiliary header,
// the encrypted payload and the MIC.
inline Bytes secured(const Bytes& header, const Bytes& payload, const Securing& how) {
    const uint8_t control = static_cast<uint8_t>(how.keyId << 3 | (how.extendedNonce ? 0x20 : 0));
    Bytes out = header;
    out.push_back(control);
    putU32(out, how.counter);
    if (how.extendedNonce)
        putU64(out, how.sender);
    if (how.keySequence)
        out.push_back(*how.keySequence);

    Bytes authenticated = out;
    authenticated[header.size()] = control | 0x05;
    CcmCipher::Nonce nonce{};
    for (int i = 0; i < 8; ++i)
        nonce[static_cast<size_t>(i)] = static_cast<uint8_t>(how.sender >> (8 * i));
    for (int i = 0; i < 4; ++i)
        nonce[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(how.counter >> (8 * i));
    nonce[12] = control | 0x05;

    Bytes sealed(payload.size() + 4);
    CcmCipher(how.key).encrypt(nonce, authenticated, payload, sealed.data(),
                               {sealed.data() + payload.size(), 4});
    return out + sealed;
}

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
    const Bytes temperature = secured(Bytes{0x20, 0x01, 0x02, 0x04, 0x04, 0x01, 0x01, 0x11},
                                      Bytes{0x18, 0x01, 0x0A, 0x00, 0x00, 0x29, 0x34, 0x08},
                                      linkKey);
    Bytes extendedSource = nwkHeader(0x08, 0x12, 0x0000, 0x1234, 0x1E, 4);
    putU64(extendedSource, kDevice);

    return {
        secured(nwkHeader(0x08, 0x02, 0x0000, 0x1234, 0x1E, 1), onOff, underNetworkKey(100)),
        nwkHeader(0x08, 0x00, 0x1234, 0x0000, 0x1E, 2) +
            secured(Bytes{0x21, 0x31}, transport, keyTransport),
        secured(nwkHeader(0x09, 0x02, 0xFFFC, 0x1234, 0x1E, 3), routeRequest, underNetworkKey(101)),
        secured(extendedSource, temperature, underNetworkKey(102)),
        secured(nwkHeader(0x08, 0x02, 0x0000, 0x1234, 0x1E, 5), onOff,
                underNetworkKey(103, kStrangersKey)),
    };
}

} // namespace qlm::test
