#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qlm {

// The IEEE 802.15.4 TAP header (link type 283) in front of a MAC frame: version 0,
// a reserved byte, the little-endian length of header and TLVs, then TLVs of
// type, length and value, each value padded to 32 bits.
struct TapFields {
    bool fcsIncluded = true;           // FCS type 1: a 16-bit CRC follows the MAC frame
    std::optional<float> rssDbm;       // TLV 1
    std::optional<uint16_t> channel;   // TLV 3, with page 0
    std::optional<uint8_t> lqi;        // TLV 10
};

enum class TapTlv : uint16_t { kFcsType = 0, kRss = 1, kChannel = 3, kLqi = 10 };

// Appends the header for these fields.
void appendTapHeader(std::string& out, const TapFields& fields);

// Reads a header at the start of a packet; the header's length in `headerLength`.
// Empty when the header is malformed (a length past the packet, a TLV past the
// header, another version). Unknown TLVs are skipped.
std::optional<TapFields> readTapHeader(std::span<const uint8_t> packet, size_t& headerLength);

} // namespace qlm
