// Start and stop of sniffing, and the intake of frame and overflow reports.

#include "link/sniffing.h"

#include "capture/frame_attribution.h"
#include "link/device_search.h"
#include "capture/hex_pair.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace qlm {
namespace {

constexpr size_t kFirstPair = 6;  // after the five-character tag and a separator

constexpr std::string_view kErrorReply = "+ERRR";
constexpr size_t kMaxReplyShown = 40;
constexpr size_t kBrindleStatus = 6;  // "+MSTC=" and the status byte

// A reply as the status line can show it: without its line end, control
// characters and bytes beyond ASCII as '?', and cut short.
std::string printableReply(std::string_view reply) {
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r'))
        reply.remove_suffix(1);
    std::string shown;
    for (const char c : reply.substr(0, kMaxReplyShown))
        shown += c >= ' ' && c <= '~' ? c : '?';
    if (reply.size() > kMaxReplyShown)
        shown += "...";
    return shown;
}

std::string hexByteText(int value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 4) & 0x0F], kDigits[value & 0x0F]};
}

} // namespace

char snifferChannelDigit(int channel) {
    return static_cast<char>(channel < 10 ? '0' + channel : 'A' + (channel - 10));
}

ArrivalTime localArrivalTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto sinceEpoch = now.time_since_epoch();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int32_t>(milliseconds)};
}

// Only the confirmation counts as a yes: "+SNIF" from the sniffer, "+MSTC" with
// the status 00 (success) from the Brindle. An error reply ends the start with
// the reply named in the status line; silence ends it quietly.
bool Sniffing::tellDeviceToSniff(int channel) {
    DeviceConversation& d = conversation_;
    if (!d.brindle()) {
        if (!d.send(std::string("AT+SNIF=") + snifferChannelDigit(channel) + "\r") || !d.waitLine())
            return false;
        return takeConfirmation(d.lineStartsWith("+SNIF"));
    }
    const int channelNumber = channel + ChannelTable::kFirstChannelNumber;
    if (!d.send("+MSTR=00" + hexByteText(channelNumber) + "\r") || !awaitAttributeSet())
        return false;
    // Promiscuous mode on.
    return d.send("+MSTR=5101\r") && awaitAttributeSet();
}

bool Sniffing::awaitAttributeSet() {
    DeviceConversation& d = conversation_;
    if (!d.awaitEither("+MSTC", kErrorReply))
        return false;
    const std::string_view reply = d.line();
    const std::string_view status = reply.substr(std::min(kBrindleStatus, reply.size()));
    return takeConfirmation(reply.starts_with("+MSTC") && status.starts_with("00"));
}

bool Sniffing::takeConfirmation(bool confirmed) {
    if (!confirmed) {
        refusal_ = printableReply(conversation_.line());
        conversation_.show("Device on " + conversation_.portName() +
                           ": refused to sniff (" + refusal_ + ")");
    }
    conversation_.release();
    return confirmed;
}

bool Sniffing::start() {
    refusal_.clear();
    const int channel = capture_.channels.selectedChannel();
    if (channel < 0 || !ensureOpen(conversation_))
        return false;
    stop();
    if (!conversation_.link().isOpen() || !tellDeviceToSniff(channel))
        return false;
    capture_.clearFrames();
    ranOutOfMemory_ = false;
    capture_.date = localToday();
    capture_.statistics.resetAndShow();
    sniffing_ = true;
    conversation_.show("Sniffing on " + std::to_string(ChannelTable::frequencyMHz(channel)) +
                 "MHz...");
    return true;
}

int32_t Sniffing::stop() {
    const bool wasSniffing = sniffing_;
    sniffing_ = false;
    stopConfirmed_ = false;
    // Stopping never starts a device search: without an open port there is no
    // device to stop.
    if (!conversation_.link().isOpen())
        return 0;
    // The reports the device sent before it took the stop command in are part of
    // the capture, not replies to throw away.
    const int32_t before = capture_.frames.frameCount();
    if (wasSniffing)
        conversation_.setReportHandler([this](std::string_view line) { return takeReport(line); });
    const bool idle = bringDeviceToIdle();
    conversation_.setReportHandler(nullptr);
    stopConfirmed_ = idle;
    if (idle)
        conversation_.show("Sniffing de-activated");
    return capture_.frames.frameCount() - before;
}

bool Sniffing::bringDeviceToIdle() {
    DeviceConversation& d = conversation_;
    if (!d.brindle())
        return identifySniffer(d) == Identification::kIdentified;
    if (!d.send("+MSTR=5100\r") || !d.awaitTag("+MSTC"))  // promiscuous mode off
        return false;
    d.drain();
    return true;
}

bool Sniffing::isFrameReport(std::string_view line) const {
    return line.starts_with(conversation_.brindle() ? "+PDAI" : "+MACF");
}

bool Sniffing::storeFrame(std::string_view line) {
    // The pairs run up to the CR LF; a record keeps at most its 192 bytes.
    uint8_t bytes[CapturedFrame::kMaxBytes];
    size_t count = 0;
    for (size_t p = kFirstPair; p + 2 < line.size() && count < sizeof bytes; p += 2)
        bytes[count++] = hexPairAt(line, p);
    // A report without a single byte has no length byte: it counts as an error.
    const bool error = count == 0 || isPhyErrorLength(bytes[0]);
    conversation_.release();
    if (!capture_.frames.appendFrame(clock_(), std::span<const uint8_t>(bytes, count)))
        return false;
    capture_.statistics.update(error);
    capture_.attributeFrom(capture_.frames.frameCount() - 1);
    return true;
}

bool Sniffing::storeOverflow() {
    conversation_.release();
    conversation_.show("Overflow, packets lost");
    return capture_.frames.appendOverflow(clock_());
}

// What was stored stays; the device is told to stop, and what it still sends is
// dropped.
Sniffing::Tick Sniffing::stopForWantOfMemory() {
    const int32_t stored = capture_.frames.frameCount();
    stop();
    ranOutOfMemory_ = true;
    conversation_.show(outOfMemoryMessage(stored));
    return Tick::kOutOfMemory;
}

// While stopping: a report that finds no room is dropped like the rest.
bool Sniffing::takeReport(std::string_view line) {
    if (isFrameReport(line))
        storeFrame(line);
    else if (line.starts_with("+OVRF"))
        storeOverflow();
    else
        return false;
    return true;
}

Sniffing::Tick Sniffing::tick() {
    if (!sniffing_)
        return Tick::kIdle;
    SnifferLink& link = conversation_.link();
    if (link.readFailed()) {
        const std::string name = link.portName();
        link.close();
        sniffing_ = false;
        conversation_.show("Read failure on " + name + ":");
        return Tick::kFailed;
    }
    if (link.state() != SnifferLink::kReady)
        return Tick::kNothing;
    const std::string_view line = link.line();
    if (isFrameReport(line))
        return storeFrame(line) ? Tick::kFrame : stopForWantOfMemory();
    if (line.starts_with("+OVRF")) {
        if (!storeOverflow())
            return stopForWantOfMemory();
        // Every line of the burst that follows is thrown away.
        conversation_.drain();
        return Tick::kOverflow;
    }
    conversation_.release();
    return Tick::kNothing;
}

} // namespace qlm
