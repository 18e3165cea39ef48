// Readable texts of the typed attribute values of key-value pairs.

#include "dissect/af_value.h"

#include <charconv>
#include <cmath>

namespace qlm {
namespace {

int16_t signed16(std::span<const uint8_t> v) {
    return static_cast<int16_t>(v[0] | v[1] << 8);
}
int32_t signed32(std::span<const uint8_t> v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v[0]) | static_cast<uint32_t>(v[1]) << 8 |
                                static_cast<uint32_t>(v[2]) << 16 |
                                static_cast<uint32_t>(v[3]) << 24);
}

LongText textOf(std::string_view text) {
    LongText out;
    out.append(text);
    return out;
}

} // namespace

ShortText halfPrecisionText(uint16_t bits) {
    const bool negative = (bits & 0x8000) != 0;
    const int exponent = bits >> 10 & 0x1F;
    const int mantissa = bits & 0x03FF;
    ShortText text;
    if (exponent == 31 && mantissa != 0) {
        text.append("Not a Number");
    } else if (exponent == 31) {
        text.append(negative ? "- Infinity" : "+ Infinity");
    } else if (exponent == 0 && mantissa == 0) {
        text.append(negative ? "- Zero" : "+ Zero");
    } else {
        const double magnitude = exponent == 0
                                     ? mantissa / 1024.0 * std::ldexp(1.0, -14)
                                     : (1 + mantissa / 1024.0) * std::ldexp(1.0, exponent - 15);
        // "%G": six significant digits, trailing zeros dropped, upper-case exponent. The
        // conversion does not depend on the locale, which printf's would.
        char digits[ShortText::kCapacity];
        const std::to_chars_result result =
            std::to_chars(digits, digits + sizeof digits, negative ? -magnitude : magnitude,
                          std::chars_format::general, 6);
        for (char* c = digits; c != result.ptr; ++c)
            if (*c == 'e')
                *c = 'E';
        text.append({digits, static_cast<size_t>(result.ptr - digits)});
    }
    return text;
}

ShortText relativeTimeText(int32_t milliseconds) {
    ShortText text = ShortText::thousandths(milliseconds);
    text.append("s");
    return text;
}

LongText afNativeValue(uint8_t dataType, std::span<const uint8_t> v) {
    switch (dataType) {
    case kAfUint8:
        return textOf(ShortText::decimal(v[0]));
    case kAfSint8:
        return textOf(ShortText::decimal(static_cast<int8_t>(v[0])));
    case kAfUint16:
        return textOf(ShortText::decimal(static_cast<uint16_t>(signed16(v))));
    case kAfSint16:
        return textOf(ShortText::decimal(signed16(v)));
    case kAfSemiPrecision:
        return textOf(halfPrecisionText(static_cast<uint16_t>(signed16(v))));
    case kAfAbsoluteTime: {
        ShortText seconds = ShortText::decimal(signed32(v));
        LongText text = textOf(seconds);
        text.append("s since 1/1/2000");
        return text;
    }
    case kAfRelativeTime:
        return textOf(relativeTimeText(signed32(v)));
    case kAfCharString:
        return LongText::characters(v.subspan(1));
    case kAfOctetString:
        return LongText::byteRun(v);
    default:
        return {};
    }
}

} // namespace qlm
