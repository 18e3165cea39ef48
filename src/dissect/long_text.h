#pragma once

#include "capture/captured_frame.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qlm {

// A value text as long as a record can make one: the bytes of a message or of an
// attribute value as hexadecimal items, or a character string. Like ShortText it is
// built in place, without the heap; a record holds at most 192 bytes, so the longest
// run, three characters a byte, fits.
class LongText {
public:
    static constexpr int kCapacity = 3 * CapturedFrame::kMaxBytes;

    // "%02lX" items separated by one blank.
    static LongText byteRun(std::span<const uint8_t> bytes);
    // The characters up to the first NUL. Like every text of the dissector they stay
    // Latin-1, one byte a character; whoever shows them converts them.
    static LongText characters(std::span<const uint8_t> bytes);

    std::string_view view() const { return {text_, size_}; }
    operator std::string_view() const { return view(); }

    LongText& append(std::string_view text);

private:
    void put(char c) {
        if (size_ < kCapacity)
            text_[size_++] = c;
    }

    char text_[kCapacity];
    uint16_t size_ = 0;
};

} // namespace qlm
