#pragma once

#include <cstdint>
#include <string>

namespace qlm {

// Little-endian fields, as the TAP header and the files this program writes use.
inline void appendLe16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}
inline void appendLe32(std::string& out, uint32_t value) {
    appendLe16(out, static_cast<uint16_t>(value));
    appendLe16(out, static_cast<uint16_t>(value >> 16));
}
inline void appendLe64(std::string& out, uint64_t value) {
    appendLe32(out, static_cast<uint32_t>(value));
    appendLe32(out, static_cast<uint32_t>(value >> 32));
}
inline uint16_t readLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t readLe32(const uint8_t* p) {
    return readLe16(p) | static_cast<uint32_t>(readLe16(p + 2)) << 16;
}

} // namespace qlm
