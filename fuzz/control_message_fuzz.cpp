// Bytes as Wireshark's control pipe might carry them, read in two pieces split
// where the input says: no message keeps more than the largest payload, and every
// message, encoded again, is found in the input after the one before it.

#include "extcap/control_message.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = data[0] % size;
    qlm::ControlMessageReader reader;
    size_t searchFrom = 0;
    const auto drain = [&] {
        while (const auto message = reader.next()) {
            require(message->payload.size() <= qlm::ControlMessageReader::kLargestPayload);
            const std::string encoded = qlm::encodeControlMessage(*message);
            const size_t at = bytes.find(encoded, searchFrom);
            require(at != std::string_view::npos);
            searchFrom = at + encoded.size();
        }
    };
    reader.feed(bytes.substr(0, split));
    drain();
    reader.feed(bytes.substr(std::min(split, bytes.size())));
    drain();
    return 0;
}
