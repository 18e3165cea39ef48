#include "link/device_conversation.h"

#include <chrono>

namespace qlm {

bool DeviceConversation::waitLine() {
    const auto deadline = std::chrono::steady_clock::now() + dialogueLimit_;
    while (link_.waitForLine(SnifferLink::kReplyTimeoutMs)) {
        if (!reportHandler_ || !reportHandler_(line()))
            return true;
        if (std::chrono::steady_clock::now() >= deadline) {
            noteLimitReached();
            return false;
        }
    }
    if (link_.readFailed()) {
        const std::string name = link_.portName();
        link_.close();
        show("Read failure on " + name + ":");
    }
    return false;
}

bool DeviceConversation::awaitEither(std::string_view tag, std::string_view otherTag) {
    // A device that keeps talking without ever sending the tag cannot hold the
    // window for longer than the limit.
    const auto deadline = std::chrono::steady_clock::now() + dialogueLimit_;
    while (waitLine()) {
        if (lineStartsWith(tag) || lineStartsWith(otherTag))
            return true;
        release();
        if (std::chrono::steady_clock::now() >= deadline) {
            noteLimitReached();
            return false;
        }
    }
    return false;
}

void DeviceConversation::showForPort(std::string_view before, std::string_view after) {
    std::string text(before);
    text.append(portName_).append(after);
    show(text);
}

} // namespace qlm
