#include "pcap/packet_stream.h"

#include "pcap/frame_packet.h"
#include "pcap/pcapng_blocks.h"
#include "pcap/tap_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>

namespace qlm {
namespace {

constexpr uint32_t kSnapLength = 262144;
constexpr size_t kMostWaitingBytes = 1 << 20;

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string timeOfRecord(const CapturedFrame& record) {
    char text[48];
    std::snprintf(text, sizeof text, " (at %02d:%02d:%02d.%03d)", record.hour, record.minute,
                  record.second, record.millisecond);
    return text;
}

std::string overflowComment(const CapturedFrame& record) {
    return kOverflowComment + timeOfRecord(record);
}

std::string shortReportComment(const CapturedFrame& record) {
    std::string text = kShortReportComment + timeOfRecord(record) + ":";
    if (record.length <= 0)
        return text + " none";
    char pair[4];
    for (int i = 0; i < record.length; ++i) {
        std::snprintf(pair, sizeof pair, " %02X", record.data[i]);
        text += pair;
    }
    return text;
}

} // namespace

PacketStream::PacketStream(PcapFormat format, CivilDate firstDay, int channel)
    : format_(format), channel_(channel), clock_(firstDay), range_(packetTimeRange(format)) {}

void PacketStream::appendHeader(PcapFormat format, std::string& out) {
    if (format == PcapFormat::kPcapng) {
        pcapng::appendSectionHeader(out, "Quorlanmirex 1.0");
        pcapng::appendInterface(out, {kLinkTypeIeee802154Tap, kSnapLength, "quorlanmirex",
                                      "IEEE 802.15.4 sniffer", 6});
    } else {
        pcap::appendFileHeader(out, kLinkTypeIeee802154Tap, kSnapLength);
    }
}

void PacketStream::keepForNextPacket(std::string comment, std::string& out) {
    if (format_ != PcapFormat::kPcapng)
        return;
    waitingBytes_ += comment.size();
    comments_.push_back(std::move(comment));
    // A long run of records without a packet goes out in statistics blocks of its
    // own, so that no block grows beyond what a reader takes.
    if (waitingBytes_ >= kMostWaitingBytes)
        appendWaitingComments(out);
}

void PacketStream::append(const CapturedFrame& record, std::string& out) {
    lastMicroseconds_ = std::clamp(clock_.next(record.arrival()), range_.first, range_.last);
    if (record.isOverflow()) {
        ++counts_.overflows;
        keepForNextPacket(overflowComment(record), out);
        return;
    }
    if (!carriesFrame(record)) {
        ++counts_.phyErrors;
        keepForNextPacket(shortReportComment(record), out);
        return;
    }
    data_.clear();
    appendFramePacket(data_, record, channel_, comment_);
    if (!comment_.empty()) {
        ++counts_.phyErrors;
        if (format_ == PcapFormat::kPcap)
            return;
        comments_.push_back(comment_);
    }
    appendPacket(out, lastMicroseconds_, data_);
}

void PacketStream::appendWaitingComments(std::string& out) {
    if (comments_.empty())
        return;
    pcapng::appendStatisticsComments(out, 0, static_cast<uint64_t>(lastMicroseconds_),
                                     comments_);
    comments_.clear();
    waitingBytes_ = 0;
}

void PacketStream::appendPacket(std::string& out, int64_t microseconds, const std::string& data) {
    ++counts_.packets;
    const auto length = static_cast<uint32_t>(data.size());
    if (format_ == PcapFormat::kPcapng)
        pcapng::appendEnhancedPacket(
            out, {0, static_cast<uint64_t>(microseconds), bytesOf(data), length, comments_, 0});
    else
        pcap::appendRecord(out, static_cast<uint64_t>(microseconds), bytesOf(data), length);
    comments_.clear();
    waitingBytes_ = 0;
}

} // namespace qlm
