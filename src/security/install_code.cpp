#include "security/install_code.h"

#include "security/mmo_hash.h"

#include <cstdio>

namespace qlm {

uint16_t installCodeCrc(std::span<const uint8_t> code) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : code) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>(crc >> 1 ^ 0x8408) : static_cast<uint16_t>(crc >> 1);
    }
    return static_cast<uint16_t>(~crc);
}

InstallCodeKey installCodeKey(std::span<const uint8_t> codeAndCrc) {
    const size_t codeLength = codeAndCrc.size() < 2 ? 0 : codeAndCrc.size() - 2;
    if (codeLength != 6 && codeLength != 8 && codeLength != 12 && codeLength != 16)
        return {std::nullopt, "an install code is 6, 8, 12 or 16 bytes followed by its 2-byte "
                              "CRC, not " +
                                  std::to_string(codeAndCrc.size()) + " bytes"};
    const std::span<const uint8_t> code = codeAndCrc.first(codeLength);
    const uint16_t sent = static_cast<uint16_t>(codeAndCrc[codeLength] |
                                                codeAndCrc[codeLength + 1] << 8);
    const uint16_t computed = installCodeCrc(code);
    if (sent != computed) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "the install code's CRC fails: it ends in %02X%02X where %02X%02X belongs",
                      codeAndCrc[codeLength], codeAndCrc[codeLength + 1], computed & 0xFF,
                      computed >> 8);
        return {std::nullopt, text};
    }
    return {mmoHash(codeAndCrc), {}};
}

} // namespace qlm
