#pragma once

#include "sim/byte_writer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qlm::sim {

// Upper-case hexadecimal of the low `digits` digits of `value`, zero-padded.
std::string hexText(uint64_t value, int digits);
// A signed reading as the devices send it: its low 8 bits as two hex digits.
inline std::string readingText(int reading) {
    return hexText(static_cast<uint8_t>(reading), 2);
}
// Two decimal digits.
std::string twoDigits(int value);
// Bytes as upper-case hexadecimal pairs, first byte first, no separators.
std::string hexPairs(const Bytes& bytes);
// The value of a text made only of hexadecimal digits (either case), at most 8.
std::optional<uint32_t> parseHex(std::string_view digits);

// A reply line as the devices end it.
inline std::string line(std::string text) {
    return text + "\r\n";
}

} // namespace qlm::sim
