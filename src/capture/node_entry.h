#pragma once

#include "capture/node_address.h"

#include <cstdint>

namespace qlm {

// One device seen on air, as a small fixed-size record; the names live beside
// the records.
struct NodeEntry {
    uint64_t extended = 0;  // over-the-air byte order, first byte least significant
    uint16_t pan = 0;
    uint16_t shortAddress = 0;
    int32_t linkQuality = 0;  // running average of the link-quality byte of its frames
    uint8_t flags = 0;

    bool knows(uint8_t flag) const { return (flags & flag) != 0; }
};

} // namespace qlm
