#pragma once

// Value texts the reference decoders of the traffic tests write, made with printf
// rather than the dissector's own formatting.

#include "test_frames.h"

#include <cstdio>
#include <string>

namespace qlm::test {

inline std::string hexDigits(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// Bytes as two hexadecimal digits each, separated by one blank.
inline std::string hexDump(const Bytes& bytes) {
    std::string text;
    for (uint8_t byte : bytes)
        text.append(text.empty() ? "" : " ").append(hexDigits(byte, 2));
    return text;
}

inline const char* yesNo(bool set) {
    return set ? "Yes" : "No";
}

} // namespace qlm::test
