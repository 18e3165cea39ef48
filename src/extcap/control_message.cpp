#include "extcap/control_message.h"

#include <algorithm>

namespace qlm {
namespace {

constexpr char kSyncIndication = 'T';
// The control number and the command, which the length counts with the payload.
constexpr size_t kCountedHeader = 2;

} // namespace

std::string encodeControlMessage(const ControlMessage& message) {
    const size_t length = kCountedHeader + message.payload.size();
    std::string out;
    out += kSyncIndication;
    out += static_cast<char>(length >> 16 & 0xFF);
    out += static_cast<char>(length >> 8 & 0xFF);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(message.control);
    out += static_cast<char>(message.command);
    out += message.payload;
    return out;
}

void ControlMessageReader::feed(std::string_view bytes) {
    if (garbled_)
        return;
    const size_t passed = std::min(skipping_, bytes.size());
    skipping_ -= passed;
    buffer_.append(bytes.substr(passed));
}

std::optional<ControlMessage> ControlMessageReader::next() {
    while (!garbled_ && buffer_.size() >= 4) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(buffer_[i]); };
        const size_t length = size_t{byte(1)} << 16 | size_t{byte(2)} << 8 | byte(3);
        if (buffer_[0] != kSyncIndication || length < kCountedHeader) {
            garbled_ = true;
            buffer_.clear();
            return std::nullopt;
        }
        const size_t payload = length - kCountedHeader;
        if (payload > kLargestPayload) {
            const size_t inBuffer = std::min(buffer_.size() - 4, length);
            skipping_ = length - inBuffer;
            buffer_.erase(0, 4 + inBuffer);
            continue;
        }
        if (buffer_.size() < kHeader + payload)
            return std::nullopt;
        ControlMessage message{byte(4), static_cast<ControlCommand>(byte(5)),
                               buffer_.substr(kHeader, payload)};
        buffer_.erase(0, kHeader + payload);
        return message;
    }
    return std::nullopt;
}

} // namespace qlm
