#include "dissect/long_text.h"

namespace qlm {

LongText& LongText::append(std::string_view text) {
    for (char c : text)
        put(c);
    return *this;
}

LongText LongText::byteRun(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    LongText text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text.put(' ');
        text.put(kDigits[bytes[i] >> 4]);
        text.put(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

LongText LongText::characters(std::span<const uint8_t> bytes) {
    LongText text;
    for (uint8_t byte : bytes) {
        if (byte == 0)
            break;
        text.put(static_cast<char>(byte));
    }
    return text;
}

} // namespace qlm
