#pragma once

#include "security/key128.h"

#include <cstdint>
#include <span>

namespace qlm {

// ZigBee's block-cipher hash: Matyas-Meyer-Oseas over AES-128, with the
// message padded by a 1 bit, zeros and its length in bits.
Block128 mmoHash(std::span<const uint8_t> message);

// ZigBee's keyed hash: HMAC with the hash above (a 16-byte block, inner pad 0x36,
// outer pad 0x5C).
Block128 keyedHash(const Key128& key, std::span<const uint8_t> message);

// The keys ZigBee derives from a link key for securing the keys it carries.
Key128 keyTransportKey(const Key128& linkKey);  // keyed hash of 0x00
Key128 keyLoadKey(const Key128& linkKey);       // keyed hash of 0x02

} // namespace qlm
