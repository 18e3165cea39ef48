#pragma once

#include <cstdint>
#include <vector>

namespace qlm::sim {

using Bytes = std::vector<uint8_t>;

// Appends `count` bytes of `value`, least significant first (the byte order of
// every multi-byte field on air).
inline void putLe(Bytes& out, uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void putU8(Bytes& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
}
inline void putU16(Bytes& out, unsigned value) {
    putLe(out, value, 2);
}
inline void putU32(Bytes& out, uint32_t value) {
    putLe(out, value, 4);
}
inline void putU64(Bytes& out, uint64_t value) {
    putLe(out, value, 8);
}

inline void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline Bytes joined(const Bytes& first, const Bytes& second) {
    Bytes out = first;
    append(out, second);
    return out;
}

} // namespace qlm::sim
