#include "pcap/pcap_export.h"

#include "pcap/frame_packet.h"
#include "pcap/pcapng_blocks.h"
#include "pcap/tap_header.h"

#include <cstdio>
#include <span>

namespace qlm {
namespace {

constexpr uint32_t kSnapLength = 262144;
constexpr size_t kChunk = 1 << 20;

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string overflowComment(const CapturedFrame& record) {
    char text[96];
    std::snprintf(text, sizeof text, "%s (at %02d:%02d:%02d.%03d)", kOverflowComment,
                  record.hour, record.minute, record.second, record.millisecond);
    return text;
}

class PacketFileWriter {
public:
    PacketFileWriter(PcapFormat format, LogTextSink& sink) : format_(format), sink_(sink) {}

    bool begin() {
        if (format_ == PcapFormat::kPcapng) {
            pcapng::appendSectionHeader(out_, "Quorlanmirex 1.0");
            pcapng::appendInterface(out_, {kLinkTypeIeee802154Tap, kSnapLength, "quorlanmirex",
                                           "IEEE 802.15.4 sniffer", 6});
        } else {
            pcap::appendFileHeader(out_, kLinkTypeIeee802154Tap, kSnapLength);
        }
        return flushIfFull();
    }

    bool packet(int64_t microseconds, const std::string& data, const std::string& comment) {
        const auto length = static_cast<uint32_t>(data.size());
        if (format_ == PcapFormat::kPcapng)
            pcapng::appendEnhancedPacket(
                out_, {0, static_cast<uint64_t>(microseconds), bytesOf(data), length, comment, 0});
        else
            pcap::appendRecord(out_, static_cast<uint64_t>(microseconds), bytesOf(data), length);
        return flushIfFull();
    }

    bool end() { return flush(); }

private:
    bool flushIfFull() { return out_.size() < kChunk || flush(); }
    bool flush() {
        const bool written = out_.empty() || sink_.write(out_);
        out_.clear();
        return written;
    }

    PcapFormat format_;
    LogTextSink& sink_;
    std::string out_;
};

} // namespace

bool writePcap(const Capture& capture, PcapFormat format, CivilDate firstDay, LogTextSink& sink,
               PcapExportCounts& counts) {
    counts = {};
    const int selected = capture.channels.selectedChannel();
    const int channel = selected >= 0 ? selected + ChannelTable::kFirstChannelNumber : -1;
    const bool classic = format == PcapFormat::kPcap;
    PacketFileWriter writer(format, sink);
    if (!writer.begin())
        return false;
    CaptureClock clock(firstDay);
    std::string pending;  // overflow comments for the next packet
    std::string data;
    std::string comment;
    int64_t microseconds = 0;
    for (const CapturedFrame& record : capture.frames) {
        microseconds = clock.next(record.arrival());
        if (record.isOverflow()) {
            ++counts.overflows;
            if (!classic)
                pending += (pending.empty() ? "" : "\n") + overflowComment(record);
            continue;
        }
        data.clear();
        appendFramePacket(data, record, channel, comment);
        if (!comment.empty()) {
            ++counts.phyErrors;
            if (classic)
                continue;
        }
        if (!pending.empty())
            comment = pending + (comment.empty() ? "" : "\n") + comment;
        pending.clear();
        ++counts.packets;
        if (!writer.packet(microseconds, data, comment))
            return false;
    }
    if (!pending.empty()) {
        data.clear();
        TapFields noFrame;
        noFrame.fcsIncluded = false;
        appendTapHeader(data, noFrame);
        ++counts.packets;
        if (!writer.packet(microseconds, data, pending))
            return false;
    }
    return writer.end();
}

FileResult exportPcapFile(const Capture& capture, const std::string& path, PcapFormat format,
                          CivilDate firstDay, PcapExportCounts& counts) {
    return writeExportFile(path, [&](LogTextSink& sink) {
        return writePcap(capture, format, firstDay, sink, counts);
    });
}

} // namespace qlm
