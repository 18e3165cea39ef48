#include "pcap/fcs.h"

#include <array>

namespace qlm {
namespace {

// The CRC of every byte value, for a byte at a time.
constexpr std::array<uint16_t, 256> kTable = [] {
    std::array<uint16_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        uint16_t crc = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : crc >> 1;
        table[value] = crc;
    }
    return table;
}();

} // namespace

uint16_t ieee802154Fcs(std::span<const uint8_t> macFrame) {
    uint16_t crc = 0;
    for (uint8_t byte : macFrame)
        crc = static_cast<uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFF]);
    return crc;
}

} // namespace qlm
