#pragma once

#include "dissect/frame_decoding.h"

#include <cstdint>
#include <string_view>

namespace qlm {

// A ZCL data type: its name and how many bytes a value of it takes (0 for the
// types whose length is written in the value, -1 for a type not known).
struct ZclDataType {
    uint8_t id;
    std::string_view name;
    int size;
};

const ZclDataType& zclDataType(uint8_t id);

// The data type byte at the cursor ("Type") and the value after it ("Value"),
// both in the ZCL group; the cursor moves past them. False when a byte was not
// captured or the type is one whose values cannot be laid out: the records
// stop there.
bool decodeZclTypedValue(FrameDecoding& d);

} // namespace qlm
