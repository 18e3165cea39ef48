#pragma once

// Securing ZigBee PRO frames as a device does, for tests that decrypt them: an
// auxiliary header after the layer's header, the payload encrypted with AES-128
// CCM* and a 4-byte MIC, the level sent as 0.

#include "security/ccm_cipher.h"
#include "security/key_text.h"
#include "zigbee_frames.h"

#include <optional>

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

} // namespace qlm::test
