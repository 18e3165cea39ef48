// ZCL data types and the values written in them.

#include "dissect/zcl_data_type.h"

#include "dissect/long_text.h"
#include "dissect/sentence.h"
#include "dissect/short_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qlm {
namespace {

using C = FieldColumn;
constexpr CellStyle kStyle{CellBrush::kPaleGreen, true};

constexpr ZclDataType kUnknown{0xFF, "???", -1};

// Types by id; the sized families (data, bitmap, unsigned, signed) are named by
// their width below.
constexpr ZclDataType kTypes[] = {
    {0x00, "nodata", 0}, {0x10, "bool", 1},      {0x30, "enum8", 1},  {0x31, "enum16", 2},
    {0x38, "semi", 2},   {0x39, "single", 4},    {0x3A, "double", 8}, {0x41, "octstr", 0},
    {0x42, "string", 0}, {0x43, "octstr16", 0},  {0x44, "string16", 0},
    {0x48, "array", 0},  {0x4C, "struct", 0},    {0x50, "set", 0},    {0x51, "bag", 0},
    {0xE0, "ToD", 4},    {0xE1, "date", 4},      {0xE2, "UTC", 4},    {0xE8, "clusterId", 2},
    {0xE9, "attribId", 2}, {0xEA, "bacOID", 4},  {0xF0, "EUI64", 8}, {0xF1, "key128", 16},
};

constexpr ZclDataType kSized[4][8] = {
    {{0x08, "data8", 1}, {0x09, "data16", 2}, {0x0A, "data24", 3}, {0x0B, "data32", 4},
     {0x0C, "data40", 5}, {0x0D, "data48", 6}, {0x0E, "data56", 7}, {0x0F, "data64", 8}},
    {{0x18, "map8", 1}, {0x19, "map16", 2}, {0x1A, "map24", 3}, {0x1B, "map32", 4},
     {0x1C, "map40", 5}, {0x1D, "map48", 6}, {0x1E, "map56", 7}, {0x1F, "map64", 8}},
    {{0x20, "uint8", 1}, {0x21, "uint16", 2}, {0x22, "uint24", 3}, {0x23, "uint32", 4},
     {0x24, "uint40", 5}, {0x25, "uint48", 6}, {0x26, "uint56", 7}, {0x27, "uint64", 8}},
    {{0x28, "int8", 1}, {0x29, "int16", 2}, {0x2A, "int24", 3}, {0x2B, "int32", 4},
     {0x2C, "int40", 5}, {0x2D, "int48", 6}, {0x2E, "int56", 7}, {0x2F, "int64", 8}},
};

uint64_t littleEndian(const FrameDecoding& d, int position, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | d.byte(position + i);
    return value;
}

// IEEE 754 half precision.
double halfFloat(uint16_t bits) {
    const int exponent = bits >> 10 & 0x1F;
    const double fraction = (bits & 0x3FF) / 1024.0;
    const double magnitude = exponent == 0 ? fraction / 16384.0
                                           : (1.0 + fraction) * std::ldexp(1.0, exponent - 15);
    return (bits & 0x8000) != 0 ? -magnitude : magnitude;
}

ShortText floatText(double value) {
    char text[ShortText::kCapacity];
    std::snprintf(text, sizeof text, "%g", value);
    ShortText out;
    out.append(text);
    return out;
}

// The value of a fixed-size type as the cell shows it.
ShortText fixedValue(const FrameDecoding& d, const ZclDataType& type, int position) {
    const uint64_t raw = littleEndian(d, position, type.size);
    const uint8_t family = type.id & 0xF8;
    if (type.id == 0x10)
        return ShortText().append(raw == 0 ? "False" : raw == 1 ? "True" : "Invalid");
    if (family == 0x20)
        return ShortText::decimal(static_cast<int64_t>(raw));
    if (family == 0x28) {
        const int shift = 64 - 8 * type.size;
        return ShortText::decimal(static_cast<int64_t>(raw << shift) >> shift);
    }
    if (type.id == 0x38)
        return floatText(halfFloat(static_cast<uint16_t>(raw)));
    if (type.id == 0x39)
        return floatText(std::bit_cast<float>(static_cast<uint32_t>(raw)));
    if (type.id == 0x3A)
        return floatText(std::bit_cast<double>(raw));
    if (type.id == 0xF0)
        return ShortText::hex64(raw);
    if (type.id == 0xE0) {  // hours, minutes, seconds, hundredths
        char text[ShortText::kCapacity];
        std::snprintf(text, sizeof text, "%02u:%02u:%02u.%02u", d.byte(position),
                      d.byte(position + 1), d.byte(position + 2), d.byte(position + 3));
        return ShortText().append(text);
    }
    if (type.id == 0xE1) {  // years since 1900, month, day, day of the week
        char text[ShortText::kCapacity];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u", 1900u + d.byte(position),
                      d.byte(position + 1), d.byte(position + 2));
        return ShortText().append(text);
    }
    if (type.id == 0xE2)  // seconds since 2000-01-01 00:00 UTC
        return ShortText::decimal(static_cast<int64_t>(raw));
    return ShortText().append("0x").appendHex(raw, 2 * std::min(type.size, 8));
}

// Strings: a length of one or two bytes, then the characters or octets.
bool decodeString(FrameDecoding& d, const ZclDataType& type, std::string_view caption) {
    const int lengthSize = type.id >= 0x43 ? 2 : 1;
    if (!d.fieldAtCursor(lengthSize, C::kZclValue, caption))
        return false;
    const int length = lengthSize == 2 ? d.le16(d.cursor) : d.byte(d.cursor);
    const int invalid = lengthSize == 2 ? 0xFFFF : 0xFF;
    if (length == invalid) {
        d.out.cell(C::kZclValue, kStyle, caption, "Invalid",
                   Sentence("The value is the invalid string  (ZCL)"));
        d.cursor += lengthSize;
        return true;
    }
    if (!d.fieldAt(d.cursor + lengthSize, length, C::kZclValue, caption))
        return false;
    const auto bytes = d.bytes(d.cursor + lengthSize, length);
    const LongText text =
        (type.id == 0x42 || type.id == 0x44) ? LongText::characters(bytes) : LongText::byteRun(bytes);
    d.out.cell(C::kZclValue, kStyle, caption, text, Sentence("The value is %s  (ZCL)", text));
    d.cursor += lengthSize + length;
    return true;
}

constexpr int kDeepestNesting = 8;

bool decodeValueAt(FrameDecoding& d, const ZclDataType& type, std::string_view caption, int depth);

// Arrays, sets and bags: the type of the elements, their count, the elements.
bool decodeCollection(FrameDecoding& d, int depth) {
    if (!d.fieldAtCursor(1, C::kZclDataType, "Elem"))
        return false;
    const ZclDataType& element = zclDataType(d.byte(d.cursor));
    d.out.cell(C::kZclDataType, kStyle, "Elem", element.name,
               Sentence("The elements are of the type %s  (ZCL)", element.name));
    d.cursor += 1;
    if (!d.fieldAtCursor(2, C::kZclValue, "Count"))
        return false;
    const int count = d.le16(d.cursor);
    const ShortText number = ShortText::decimal(count);
    d.out.cell(C::kZclValue, kStyle, "Count", number,
               Sentence("The value holds %s elements  (ZCL)", number));
    d.cursor += 2;
    if (count == 0xFFFF)
        return true;  // the invalid value: no elements
    for (int i = 0; i < count; ++i)
        if (!decodeValueAt(d, element, "Value", depth + 1))
            return false;
    return true;
}

// Structures: the count, then each element with its own type.
bool decodeStructure(FrameDecoding& d, int depth) {
    if (!d.fieldAtCursor(2, C::kZclValue, "Count"))
        return false;
    const int count = d.le16(d.cursor);
    const ShortText number = ShortText::decimal(count);
    d.out.cell(C::kZclValue, kStyle, "Count", number,
               Sentence("The structure holds %s elements  (ZCL)", number));
    d.cursor += 2;
    if (count == 0xFFFF)
        return true;
    for (int i = 0; i < count; ++i) {
        const ZclDataType* type = decodeZclType(d);
        if (type == nullptr || !decodeValueAt(d, *type, "Value", depth + 1))
            return false;
    }
    return true;
}

bool decodeValueAt(FrameDecoding& d, const ZclDataType& type, std::string_view caption, int depth) {
    if (type.size < 0 || depth > kDeepestNesting)
        return false;
    if (type.id == 0x48 || type.id == 0x50 || type.id == 0x51)
        return decodeCollection(d, depth);
    if (type.id == 0x4C)
        return decodeStructure(d, depth);
    if (type.size == 0 && type.id != 0x00)
        return decodeString(d, type, caption);
    if (type.size == 0)
        return true;
    if (!d.fieldAtCursor(type.size, C::kZclValue, caption))
        return false;
    const ShortText value = fixedValue(d, type, d.cursor);
    d.out.cell(C::kZclValue, kStyle, caption, value, Sentence("The value is %s  (ZCL)", value));
    d.cursor += type.size;
    return true;
}

} // namespace

const ZclDataType& zclDataType(uint8_t id) {
    const int family = id >> 3;
    if (family == 0x01 || family == 0x03 || family == 0x04 || family == 0x05) {
        static constexpr int kFamilyRow[6] = {-1, 0, -1, 1, 2, 3};
        return kSized[kFamilyRow[family]][id & 0x07];
    }
    for (const ZclDataType& type : kTypes)
        if (type.id == id)
            return type;
    return kUnknown;
}

bool isAnalogType(const ZclDataType& type) {
    const uint8_t family = type.id & 0xF8;
    return family == 0x20 || family == 0x28 || (type.id >= 0x38 && type.id <= 0x3A) ||
           (type.id >= 0xE0 && type.id <= 0xE2);
}

const ZclDataType* decodeZclType(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, C::kZclDataType, "Type"))
        return nullptr;
    const uint8_t id = d.byte(d.cursor);
    const ZclDataType& type = zclDataType(id);
    const ShortText code = ShortText::hexByte(id);
    d.out.cell(C::kZclDataType, kStyle, "Type", type.name,
               type.size < 0 ? Sentence("The data type 0x%s is not understood by the sniffer  (ZCL)",
                                        code)
                             : Sentence("The data type is 0x%s, %s  (ZCL)", code, type.name));
    d.cursor += 1;
    return type.size < 0 ? nullptr : &type;
}

bool decodeZclValue(FrameDecoding& d, const ZclDataType& type, std::string_view caption) {
    return decodeValueAt(d, type, caption, 0);
}

bool decodeZclTypedValue(FrameDecoding& d) {
    const ZclDataType* type = decodeZclType(d);
    return type != nullptr && decodeZclValue(d, *type);
}

} // namespace qlm
