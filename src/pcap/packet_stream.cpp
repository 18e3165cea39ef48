#include "pcap/packet_stream.h"

#include "pcap/frame_packet.h"
#include "pcap/pcapng_blocks.h"
#include "pcap/tap_header.h"

#include <cstdio>
#include <span>

namespace qlm {
namespace {

constexpr uint32_t kSnapLength = 262144;

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string overflowComment(const CapturedFrame& record) {
    char text[96];
    std::snprintf(text, sizeof text, "%s (at %02d:%02d:%02d.%03d)", kOverflowComment,
                  record.hour, record.minute, record.second, record.millisecond);
    return text;
}

} // namespace

PacketStream::PacketStream(PcapFormat format, CivilDate firstDay, int channel)
    : format_(format), channel_(channel), clock_(firstDay) {}

void PacketStream::appendHeader(PcapFormat format, std::string& out) {
    if (format == PcapFormat::kPcapng) {
        pcapng::appendSectionHeader(out, "Quorlanmirex 1.0");
        pcapng::appendInterface(out, {kLinkTypeIeee802154Tap, kSnapLength, "quorlanmirex",
                                      "IEEE 802.15.4 sniffer", 6});
    } else {
        pcap::appendFileHeader(out, kLinkTypeIeee802154Tap, kSnapLength);
    }
}

void PacketStream::append(const CapturedFrame& record, std::string& out) {
    const bool classic = format_ == PcapFormat::kPcap;
    lastMicroseconds_ = clock_.next(record.arrival());
    if (record.isOverflow()) {
        ++counts_.overflows;
        if (!classic)
            waiting_ += (waiting_.empty() ? "" : "\n") + overflowComment(record);
        return;
    }
    data_.clear();
    appendFramePacket(data_, record, channel_, comment_);
    if (!comment_.empty()) {
        ++counts_.phyErrors;
        if (classic)
            return;
    }
    if (!waiting_.empty())
        comment_ = waiting_ + (comment_.empty() ? "" : "\n") + comment_;
    waiting_.clear();
    appendPacket(out, lastMicroseconds_, data_, comment_);
}

void PacketStream::appendWaitingComments(std::string& out) {
    if (waiting_.empty())
        return;
    data_.clear();
    TapFields noFrame;
    noFrame.fcsIncluded = false;
    appendTapHeader(data_, noFrame);
    appendPacket(out, lastMicroseconds_, data_, waiting_);
    waiting_.clear();
}

void PacketStream::appendPacket(std::string& out, int64_t microseconds, const std::string& data,
                                const std::string& comment) {
    ++counts_.packets;
    const auto length = static_cast<uint32_t>(data.size());
    if (format_ == PcapFormat::kPcapng)
        pcapng::appendEnhancedPacket(
            out, {0, static_cast<uint64_t>(microseconds), bytesOf(data), length, comment, 0});
    else
        pcap::appendRecord(out, static_cast<uint64_t>(microseconds), bytesOf(data), length);
}

} // namespace qlm
