#pragma once

#include <array>
#include <cstdint>

namespace qlm {

// An AES-128 key, or one block of the cipher, in the order the bytes travel.
using Key128 = std::array<uint8_t, 16>;
using Block128 = std::array<uint8_t, 16>;

} // namespace qlm
