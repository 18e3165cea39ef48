#pragma once

#include "dissect/long_text.h"
#include "dissect/short_text.h"

#include <cstdint>
#include <span>

namespace qlm {

// The AF data types (high nibble of a key-value pair's command-type byte) that have
// a readable value.
enum AfDataType : uint8_t {
    kAfNull = 0,
    kAfUint8 = 1,
    kAfSint8 = 2,
    kAfUint16 = 3,
    kAfSint16 = 4,
    kAfSemiPrecision = 11,
    kAfAbsoluteTime = 12,
    kAfRelativeTime = 13,
    kAfCharString = 14,
    kAfOctetString = 15,
};

// The "Value" text of an attribute value of a data type, from its bytes (for the
// two strings the length byte first). Unknown types give an empty text.
LongText afNativeValue(uint8_t dataType, std::span<const uint8_t> value);

// An IEEE 754 half-precision number as "%lG" would print it, or its special names.
ShortText halfPrecisionText(uint16_t bits);
// Milliseconds as seconds with three decimals, one sign for negative values.
ShortText relativeTimeText(int32_t milliseconds);

} // namespace qlm
