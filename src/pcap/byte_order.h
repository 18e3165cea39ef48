#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qlm {

// Little-endian fields, as the TAP header and the files this program writes use.
// Each field goes out in one append: a packet is a dozen of them.
template <size_t kBytes> void appendLittleEndian(std::string& out, uint64_t value) {
    char bytes[kBytes];
    for (size_t i = 0; i < kBytes; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i) & 0xFF);
    out.append(bytes, kBytes);
}
inline void appendLe16(std::string& out, uint16_t value) { appendLittleEndian<2>(out, value); }
inline void appendLe32(std::string& out, uint32_t value) { appendLittleEndian<4>(out, value); }
inline void appendLe64(std::string& out, uint64_t value) { appendLittleEndian<8>(out, value); }
inline uint16_t readLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t readLe32(const uint8_t* p) {
    return readLe16(p) | static_cast<uint32_t>(readLe16(p + 2)) << 16;
}

} // namespace qlm
