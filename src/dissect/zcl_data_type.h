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

// Whether values of the type are amounts (integers, floats, times), which
// reports are configured with a change for.
bool isAnalogType(const ZclDataType& type);

// The data type byte at the cursor, as a "Type" cell; the cursor moves past it.
// Null when it was not captured or the type is not known.
const ZclDataType* decodeZclType(FrameDecoding& d);
// A value of the type at the cursor, as a cell under `caption`; the cursor moves
// past it. False when it was not captured or its type cannot be laid out.
bool decodeZclValue(FrameDecoding& d, const ZclDataType& type, std::string_view caption = "Value");

// The data type byte at the cursor ("Type") and the value after it ("Value"),
// both in the ZCL group; the cursor moves past them. False when a byte was not
// captured or the type is one whose values cannot be laid out: the records
// stop there.
bool decodeZclTypedValue(FrameDecoding& d);

} // namespace qlm
