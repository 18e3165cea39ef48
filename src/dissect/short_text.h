#pragma once

#include <cstdint>
#include <string_view>

namespace qlm {

// A value or caption text of a few characters, formatted without printf and
// without touching the heap: the dissector formats every visible field of every
// painted row.
class ShortText {
public:
    static constexpr int kCapacity = 24;

    // "%02lX": one byte as two upper-case hexadecimal digits.
    static ShortText hexByte(uint32_t value);
    // "%04lX": a 16-bit field.
    static ShortText hex16(uint32_t value);
    // A 64-bit field as four "%04lX" groups, the most significant first.
    static ShortText hex64(uint64_t value);
    // "%ld".
    static ShortText decimal(int64_t value);
    // "%2ld": right-aligned in at least two characters.
    static ShortText decimalWidth2(int64_t value);
    // "%.3lf" of thousandths / 1000, exactly.
    static ShortText thousandths(int64_t thousandths);
    // "%02ld:%02ld:%02ld".
    static ShortText clockTime(int32_t hour, int32_t minute, int32_t second);

    std::string_view view() const { return {text_, size_}; }
    operator std::string_view() const { return view(); }

    ShortText& append(std::string_view text);
    ShortText& appendDecimal(int64_t value);
    ShortText& appendHex(uint64_t value, int digits);

private:
    char text_[kCapacity];
    uint8_t size_ = 0;
};

} // namespace qlm
