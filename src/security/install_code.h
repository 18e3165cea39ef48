#pragma once

#include "security/key128.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qlm {

// The CRC-16 that ends an install code (CRC-16/X.25: polynomial 0x1021 taken
// reflected, starting from and finished with 0xFFFF); it travels least
// significant byte first.
uint16_t installCodeCrc(std::span<const uint8_t> code);

// The link key an install code stands for: the hash of the code with its CRC.
// The code is 6, 8, 12 or 16 bytes followed by the 2 bytes of its CRC. Without a
// key, `error` says what is wrong with the code.
struct InstallCodeKey {
    std::optional<Key128> key;
    std::string error;
};
InstallCodeKey installCodeKey(std::span<const uint8_t> codeAndCrc);

} // namespace qlm
