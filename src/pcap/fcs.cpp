#include "pcap/fcs.h"

namespace qlm {

uint16_t ieee802154Fcs(std::span<const uint8_t> macFrame) {
    uint16_t crc = 0;
    for (uint8_t byte : macFrame) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : crc >> 1;
    }
    return crc;
}

} // namespace qlm
