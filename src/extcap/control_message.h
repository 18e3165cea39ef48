#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

// The messages on Wireshark's extcap control pipes: the byte 'T', a 24-bit
// big-endian length of what follows, the control's number, the command and its
// payload.
enum class ControlCommand : uint8_t {
    kInitialized = 0,  // Wireshark: the toolbar is ready
    kSet = 1,          // a control's value, either way
    kAdd = 2,
    kRemove = 3,
    kEnable = 4,
    kDisable = 5,
    kStatusbarMessage = 6,
    kInformationMessage = 7,
    kWarningMessage = 8,
    kErrorMessage = 9,
};

struct ControlMessage {
    uint8_t control = 0;
    ControlCommand command = ControlCommand::kInitialized;
    std::string payload;

    bool operator==(const ControlMessage&) const = default;
};

std::string encodeControlMessage(const ControlMessage& message);

// Cuts the messages out of the bytes read from the pipe, however the reads split
// them. A payload longer than any control's value is passed over unkept. Bytes
// that do not start a message mean the stream is lost: the rest is ignored.
class ControlMessageReader {
public:
    static constexpr size_t kLargestPayload = 4096;

    // Take the messages out with next() after each feed: the reader then holds
    // at most one message in part besides what was fed.
    void feed(std::string_view bytes);
    // The next complete message, if one has arrived.
    std::optional<ControlMessage> next();
    bool garbled() const { return garbled_; }

private:
    static constexpr size_t kHeader = 6;  // 'T', length, control, command

    std::string buffer_;
    size_t skipping_ = 0;  // bytes still to pass over of an oversized message
    bool garbled_ = false;
};

} // namespace qlm
