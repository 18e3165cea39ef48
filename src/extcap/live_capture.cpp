#include "extcap/live_capture.h"

#include "extcap/extcap_request.h"
#include "session/session_failures.h"

#include <chrono>
#include <thread>

namespace qlm {
namespace {

using Clock = std::chrono::steady_clock;

// The intake takes at most one line a millisecond, as the window's does; the
// control pipe and the fifo's reader are looked at every tenth tick.
constexpr auto kTick = std::chrono::milliseconds(1);
constexpr int kTicksPerLook = 10;

} // namespace

LiveCapture::LiveCapture(LiveCaptureRequest request, StopCheck stopRequested)
    : request_(std::move(request)),
      stopRequested_(std::move(stopRequested)),
      pipes_(request_.controlIn, request_.controlOut),
      fifo_(stopRequested_),
      session_([this](std::string_view text) {
          pipes_.sendText(ControlCommand::kStatusbarMessage, text);
      }) {}

std::string LiveCapture::run() {
    std::string error;
    if (!fifo_.open(request_.fifo, error))
        return error;
    // The header goes out at once, so that Wireshark knows the link type while
    // the device is searched.
    std::string header;
    PacketStream::appendHeader(PcapFormat::kPcapng, header);
    if (!fifo_.write(header))
        return {};
    const bool brindle = request_.interface.brindle.value_or(request_.brindle);
    session_.conversation().setBrindle(brindle);
    session_.scan().setCancelCheck(stopRequested_);
    const std::string& port = request_.interface.portEntry;
    const Identification found = session_.choosePort(port);
    failure_ = connectionFailure(session_, found, port);
    if (failure_.empty())
        failure_ = startSniffing();
    if (failure_.empty() && stream_)
        takeIn();
    finish();
    return failure_;
}

void LiveCapture::deviceWentAway() {
    failure_ = "the device on " + request_.interface.portEntry + " went away during the capture";
}

std::string LiveCapture::startSniffing() {
    Capture& capture = session_.capture();
    const std::string& port = request_.interface.portEntry;
    if (request_.scanFirst) {
        const ChannelScan::ScanAll result = session_.scanAll();
        if (result == ChannelScan::ScanAll::kCancelled)
            return {};
        if (std::string failure = scanFailure(result, port, session_.sniffing());
            !failure.empty())
            return failure;
    } else {
        capture.channels.setSelectedChannel(request_.channel - ChannelTable::kFirstChannelNumber);
        if (!session_.sniffing().start())
            return sniffingFailure(session_.sniffing(), port);
    }
    channel_ = capture.channels.selectedChannel() + ChannelTable::kFirstChannelNumber;
    stream_.emplace(PcapFormat::kPcapng, capture.date.value_or(localToday()), channel_);
    seenClears_ = capture.frames.clears();
    forwarded_ = 0;
    showChannel();
    return {};
}

void LiveCapture::takeIn() {
    auto nextTick = Clock::now();
    for (int tick = 1; !stopRequested_(); ++tick) {
        const Sniffing::Tick took = session_.tick();
        if (took == Sniffing::Tick::kFailed) {
            deviceWentAway();
            return;
        }
        if (took == Sniffing::Tick::kOutOfMemory) {
            failure_ = outOfMemoryMessage(session_.capture().frames.frameCount());
            forwardNewRecords();
            return;
        }
        if (!forwardNewRecords())
            return;
        if (tick % kTicksPerLook == 0) {
            if (fifo_.readerGone())
                return;
            obey(pipes_.receive());
            pipes_.flush();
            if (!failure_.empty())
                return;
        }
        nextTick += kTick;
        std::this_thread::sleep_until(nextTick);
    }
}

bool LiveCapture::forwardNewRecords() {
    const FrameStore& frames = session_.capture().frames;
    if (frames.clears() != seenClears_) {  // sniffing started again: a fresh store
        seenClears_ = frames.clears();
        forwarded_ = 0;
    }
    if (!stream_ || forwarded_ >= frames.frameCount())
        return true;
    out_.clear();
    for (; forwarded_ < frames.frameCount(); ++forwarded_)
        stream_->append(frames[forwarded_], out_);
    return out_.empty() || fifo_.write(out_);
}

// Only the last channel asked for is sniffed: a flood of requests costs one
// change, and the stop is looked at before it.
void LiveCapture::obey(const std::vector<ControlMessage>& messages) {
    std::optional<std::string> channel;
    for (const ControlMessage& message : messages) {
        if (message.command == ControlCommand::kInitialized) {
            toolbarReady_ = true;
            showChannel();
        } else if (message.command == ControlCommand::kSet && message.control == kChannelControl) {
            channel = message.payload;
        }
    }
    if (channel && !stopRequested_())
        changeChannel(*channel);
}

void LiveCapture::changeChannel(const std::string& value) {
    const std::optional<int> channel = channelNumber(value);
    if (!channel) {
        pipes_.sendText(ControlCommand::kWarningMessage, "There is no channel " + value);
        return;
    }
    Sniffing& sniffing = session_.sniffing();
    if (*channel == channel_ && sniffing.sniffing())
        return;
    // What the device reported before it stopped still belongs to the old channel.
    sniffing.stop();
    forwardNewRecords();
    channel_ = *channel;
    session_.capture().channels.setSelectedChannel(channel_ - ChannelTable::kFirstChannelNumber);
    stream_->setChannel(channel_);
    if (sniffing.start())
        return;
    if (!session_.link().isOpen()) {
        deviceWentAway();
        return;
    }
    failure_ = sniffingFailure(sniffing, request_.interface.portEntry) + " on channel " +
               std::to_string(channel_);
    pipes_.sendText(ControlCommand::kErrorMessage, failure_);
}

// The toolbar shows the channel sniffed, once it is there to show it.
void LiveCapture::showChannel() {
    if (toolbarReady_ && channel_ != 0)
        pipes_.send({kChannelControl, ControlCommand::kSet, std::to_string(channel_)});
}

void LiveCapture::finish() {
    // The device confirms the stop; the reports it sent before are stored and sent.
    session_.sniffing().stop();
    forwardNewRecords();
    if (stream_) {
        out_.clear();
        stream_->appendWaitingComments(out_);
        if (!out_.empty())
            fifo_.write(out_);
    }
    session_.shutDown();
}

} // namespace qlm
