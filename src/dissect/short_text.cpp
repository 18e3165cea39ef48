#include "dissect/short_text.h"

#include <algorithm>
#include <cstring>

namespace qlm {

ShortText& ShortText::append(std::string_view text) {
    const size_t n = std::min(text.size(), static_cast<size_t>(kCapacity - size_));
    std::memcpy(text_ + size_, text.data(), n);
    size_ = static_cast<uint8_t>(size_ + n);
    return *this;
}

ShortText& ShortText::appendDecimal(int64_t value) {
    char digits[21];
    int count = 0;
    // Work on the magnitude as unsigned so that the most negative value has one too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        append("-");
    while (count > 0 && size_ < kCapacity)
        text_[size_++] = digits[--count];
    return *this;
}

ShortText& ShortText::appendHex(uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0 && size_ < kCapacity; shift -= 4)
        text_[size_++] = kDigits[(value >> shift) & 0x0F];
    return *this;
}

// The factories build the text in the object they return, which stays in place
// (copying a freshly written text out of a temporary stalls on its byte stores).
ShortText ShortText::hexByte(uint32_t value) {
    ShortText text;
    text.appendHex(value & 0xFF, 2);
    return text;
}

ShortText ShortText::hex16(uint32_t value) {
    ShortText text;
    text.appendHex(value & 0xFFFF, 4);
    return text;
}

ShortText ShortText::hex64(uint64_t value) {
    ShortText text;
    text.appendHex(value, 16);
    return text;
}

ShortText ShortText::decimal(int64_t value) {
    ShortText text;
    text.appendDecimal(value);
    return text;
}

ShortText ShortText::decimalWidth2(int64_t value) {
    ShortText text;
    if (value >= 0 && value <= 9)
        text.append(" ");
    text.appendDecimal(value);
    return text;
}

ShortText ShortText::thousandths(int64_t thousandths) {
    ShortText text;
    const uint64_t magnitude =
        thousandths < 0 ? 0 - static_cast<uint64_t>(thousandths) : static_cast<uint64_t>(thousandths);
    if (thousandths < 0)
        text.append("-");
    text.appendDecimal(static_cast<int64_t>(magnitude / 1000)).append(".");
    const uint64_t fraction = magnitude % 1000;
    const char digits[3] = {static_cast<char>('0' + fraction / 100),
                            static_cast<char>('0' + fraction / 10 % 10),
                            static_cast<char>('0' + fraction % 10)};
    text.append(std::string_view(digits, 3));
    return text;
}

ShortText ShortText::clockTime(int32_t hour, int32_t minute, int32_t second) {
    ShortText text;
    for (int32_t part : {hour, minute, second}) {
        if (text.size_ > 0)
            text.append(":");
        if (part >= 0 && part <= 9)
            text.append("0");
        text.appendDecimal(part);
    }
    return text;
}

} // namespace qlm
