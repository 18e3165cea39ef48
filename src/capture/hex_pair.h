#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qlm {

// The value of a hexadecimal digit ('0' to '9', 'A' to 'F', 'a' to 'f'), or -1.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte given by the two hexadecimal digits at `position` of a device line. A
// pair with any other character, or one that reaches past the line, gives 0.
inline uint8_t hexPairAt(std::string_view line, size_t position) {
    if (position + 1 >= line.size())
        return 0;
    const int high = hexDigitValue(line[position]);
    const int low = hexDigitValue(line[position + 1]);
    return high < 0 || low < 0 ? 0 : static_cast<uint8_t>(high * 16 + low);
}

} // namespace qlm
