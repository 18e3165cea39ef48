#pragma once

#include <cstdint>

namespace qlm {

// Bits of a node entry's flags, and of the "given" flags of a node address.
enum NodeFlag : uint8_t {
    kShortKnown = 0x01,
    kExtendedKnown = 0x02,
    kLinkQualityKnown = 0x04,
    kSelected = 0x08,
    kPanKnown = 0x10,
    kMarkedForRemoval = 0x20,
};
constexpr uint8_t kAddressFlags = kShortKnown | kExtendedKnown | kPanKnown;

constexpr uint16_t kBroadcastAddress = 0xFFFF;
constexpr uint16_t kNoShortAddress = 0xFFFE;  // "associated, but no short address assigned"

// What a frame (or a log file's node line) tells about one node. The flags say
// which of the values are given. The extended address holds the eight bytes in
// over-the-air order, the first byte received in the least significant position,
// so printing it as 16 hex digits shows the most significant byte first.
struct NodeAddress {
    uint8_t flags = 0;
    uint16_t pan = 0;
    uint16_t shortAddress = 0;
    uint64_t extended = 0;
    int32_t linkQuality = 0;

    bool has(uint8_t flag) const { return (flags & flag) != 0; }
    bool hasAddress() const { return (flags & kAddressFlags) != 0; }
    void setPan(uint16_t value) { pan = value; flags |= kPanKnown; }
    void setShort(uint16_t value) { shortAddress = value; flags |= kShortKnown; }
    void setExtended(uint64_t value) { extended = value; flags |= kExtendedKnown; }
    void setLinkQuality(int32_t value) { linkQuality = value; flags |= kLinkQualityKnown; }
};

} // namespace qlm
