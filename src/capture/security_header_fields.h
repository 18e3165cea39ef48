#pragma once

#include "capture/frame_bytes.h"

#include <cstdint>

namespace qlm {

// The ZigBee auxiliary security header (NWK and APS alike), laid out from its
// security control byte.
//
// Security control: bits 0-2 the security level, bits 3-4 the key identifier,
// bit 5 the extended nonce (the sender's IEEE address is present).
enum SecurityKeyId : uint8_t {
    kDataKey = 0,          // a link key
    kNetworkKey = 1,
    kKeyTransportKey = 2,
    kKeyLoadKey = 3,
};

constexpr uint8_t kSecurityLevelMask = 0x07;
constexpr uint8_t kExtendedNonce = 0x20;
// ZigBee secures every frame at level 5 (encryption, a 32-bit MIC) and sends the
// level as 0; a level sent as 0 stands for it.
constexpr uint8_t kZigBeeSecurityLevel = 5;

struct SecurityHeaderFields {
    int at = -1;              // the security control byte; -1 when the frame carries none
    uint8_t control = 0;
    int frameCounterAt = -1;
    int sourceAt = -1;        // the sender's IEEE address (extended nonce)
    int keySequenceAt = -1;   // with the network key only
    int endAt = -1;           // the first byte after the header

    bool present() const { return at >= 0; }
    uint8_t sentLevel() const { return control & kSecurityLevelMask; }
    uint8_t keyId() const { return control >> 3 & 0x03; }
    bool extendedNonce() const { return (control & kExtendedNonce) != 0; }
    // The level the frame is secured at, and the length of its MIC.
    uint8_t level() const { return sentLevel() == 0 ? kZigBeeSecurityLevel : sentLevel(); }
    int micLength() const {
        static constexpr int kLengths[4] = {0, 4, 8, 16};
        return kLengths[level() & 0x03];
    }
};

SecurityHeaderFields readSecurityHeader(const FrameBytes& bytes, int at);

} // namespace qlm
