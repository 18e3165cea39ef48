#include "pcap/fcs.h"

#include <array>

namespace qlm {
namespace {

using Table = std::array<uint16_t, 256>;

// kTables[0] is the CRC of every byte value, for a byte at a time;
// kTables[k][v] is that CRC followed by k zero bytes, so that four bytes are
// taken in one step ("slicing by four").
constexpr std::array<Table, 4> kTables = [] {
    std::array<Table, 4> tables{};
    for (unsigned value = 0; value < 256; ++value) {
        uint16_t crc = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : crc >> 1;
        tables[0][value] = crc;
    }
    for (size_t k = 1; k < tables.size(); ++k)
        for (unsigned value = 0; value < 256; ++value) {
            const uint16_t previous = tables[k - 1][value];
            tables[k][value] = static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    return tables;
}();

uint16_t byteStep(uint16_t crc, uint8_t byte) {
    return static_cast<uint16_t>((crc >> 8) ^ kTables[0][(crc ^ byte) & 0xFF]);
}

} // namespace

uint16_t ieee802154Fcs(std::span<const uint8_t> macFrame) {
    uint16_t crc = 0;
    const uint8_t* byte = macFrame.data();
    size_t left = macFrame.size();
    for (; left >= 4; left -= 4, byte += 4) {
        const unsigned low = (crc ^ byte[0]) & 0xFF;
        const unsigned high = ((crc >> 8) ^ byte[1]) & 0xFF;
        crc = static_cast<uint16_t>(kTables[3][low] ^ kTables[2][high] ^ kTables[1][byte[2]] ^
                                    kTables[0][byte[3]]);
    }
    for (; left > 0; --left, ++byte)
        crc = byteStep(crc, *byte);
    return crc;
}

} // namespace qlm
