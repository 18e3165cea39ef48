#pragma once

#include "link/sniffer_link.h"
#include "link/status_sink.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace qlm {

// The steps every device dialogue is made of, over the link: send a command, wait
// for a reply line, await a line with a given tag, look at the line, release it,
// drain, and report in the status line with the port's name. Also holds what the
// dialogues must know: the port chosen ("" for the "Import" entry) and the kind
// of device expected behind it.
class DeviceConversation {
public:
    DeviceConversation(SnifferLink& link, StatusSink status)
        : link_(link), status_(std::move(status)) {}

    SnifferLink& link() { return link_; }
    const std::string& portName() const { return portName_; }
    void setPortName(std::string name) { portName_ = std::move(name); }
    bool brindle() const { return brindle_; }
    void setBrindle(bool brindle) { brindle_ = brindle; }

    // While set, every line a wait receives is offered to the handler first; a line
    // it takes in (and releases) is not a reply, and the wait goes on. Stopping a
    // sniffing device uses it so that the frames still on their way are stored.
    using ReportHandler = std::function<bool(std::string_view line)>;
    void setReportHandler(ReportHandler handler) { reportHandler_ = std::move(handler); }

    // Every await, and every loop collecting replies, ends after this long in all,
    // so that a device that keeps talking cannot hold the window (15 s; tests
    // shorten it).
    std::chrono::milliseconds dialogueLimit() const { return dialogueLimit_; }
    void setDialogueLimit(std::chrono::milliseconds limit) { dialogueLimit_ = limit; }
    // Says that a dialogue ended because the limit ran out while the device kept
    // sending lines, rather than for want of a reply: the device is talking, but
    // not as expected. Read (and cleared) by takeLimitReached().
    void noteLimitReached() { limitReached_ = true; }
    bool takeLimitReached() { return std::exchange(limitReached_, false); }

    bool send(std::string_view command) { return link_.writeLine(command); }
    // Waits up to 1500 ms for a line. When the reader ended because the port failed,
    // closes the port and shows "Read failure on <port>:".
    bool waitLine();
    // Waits for a line beginning with `tag`, releasing every other line; each wait
    // has its 1500 ms, all of them together at most the dialogue limit.
    bool awaitTag(std::string_view tag) { return awaitEither(tag, tag); }
    // The same for a line beginning with either of two tags.
    bool awaitEither(std::string_view tag, std::string_view otherTag);
    // The Ready line, its CR LF included.
    std::string_view line() const { return link_.line(); }
    bool lineStartsWith(std::string_view tag) const { return line().starts_with(tag); }
    void release() { link_.releaseLine(); }
    void drain() { link_.drain(); }

    void show(std::string_view text) {
        if (status_)
            status_(text);
    }
    // before + the port's name + after, as in "Sniffer detected on " port ":".
    void showForPort(std::string_view before, std::string_view after);

private:
    SnifferLink& link_;
    StatusSink status_;
    ReportHandler reportHandler_;
    std::string portName_;
    bool brindle_ = true;
    std::chrono::milliseconds dialogueLimit_ = std::chrono::seconds(15);
    bool limitReached_ = false;
};

} // namespace qlm
