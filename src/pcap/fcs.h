#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qlm {

// The IEEE 802.15.4 frame check sequence: the ITU-T CRC-16 (polynomial 0x1021,
// bits taken least significant first, initial value 0), sent low byte first.
uint16_t ieee802154Fcs(std::span<const uint8_t> macFrame);

} // namespace qlm
