#pragma once

#include "security/key128.h"

#include <cstdint>
#include <string>

namespace qlm {

// What a key in the ring is, as far as we know it.
enum class KeyKind : uint8_t {
    kWellKnownLink,     // "ZigBeeAlliance09", the default trust-centre link key
    kUser,              // typed or loaded by the user: any kind of key
    kInstallCode,       // a link key derived from an install code
    kNetwork,           // learnt from a transport-key command
    kTrustCentreLink,
    kApplicationLink,
    kLink,              // read from a file as a link key
};

const char* keyKindName(KeyKind kind);

// One key of the ring: its bytes, the user's name for it, its kind and where it
// came from ("built in", "user", "frame 4319", a file's name).
struct RingKey {
    static constexpr int kNoSequence = -1;

    Key128 key{};
    std::string label;
    KeyKind kind = KeyKind::kUser;
    std::string origin;
    int32_t learntAtFrame = -1;     // the frame that carried it, for a learnt key
    int sequence = kNoSequence;     // a network key's key sequence number, when known
};

// The well-known trust-centre link key every ring holds.
RingKey wellKnownLinkKey();

// The key as 32 upper-case hex digits, in the order its bytes travel.
std::string keyHex(const Key128& key);

} // namespace qlm
