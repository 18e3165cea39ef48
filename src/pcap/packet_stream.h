#pragma once

#include "capture/captured_frame.h"
#include "capture/civil_date.h"
#include "pcap/capture_clock.h"
#include "pcap/packet_times.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qlm {

struct PcapExportCounts {
    int64_t packets = 0;
    int64_t phyErrors = 0;  // pcapng: packets with a comment, or comments; pcap: skipped
    int64_t overflows = 0;  // pcapng: comments on the next packet; pcap: skipped
};

// A capture's records turned into packets of link type 283 one at a time, in
// store order: a file export walks the whole store through it, the live stream
// into Wireshark each record as it arrives. pcapng keeps everything: a PHY-error
// frame is a packet with a comment saying so; an overflow record, and a record
// too short to hold a frame, a comment on the packet after it (or, at the end or
// after a megabyte of them, on a statistics block of their own). Classic pcap cannot, and
// leaves them out; the counts say how many. A time the format cannot hold is
// written as the nearest it can (an export refuses such a capture first).
class PacketStream {
public:
    // `channel` is the channel number (11 to 26) the packets carry, -1 for none.
    PacketStream(PcapFormat format, CivilDate firstDay, int channel);

    // The file's header: the section and its one interface, or the classic header.
    static void appendHeader(PcapFormat format, std::string& out);
    // The record's packet, if it makes one now.
    void append(const CapturedFrame& record, std::string& out);
    // The comments still waiting for a packet, in a statistics block of their own
    // (the end of a file).
    void appendWaitingComments(std::string& out);

    // Records appended from now on carry this channel (a live channel change).
    void setChannel(int channel) { channel_ = channel; }
    const PcapExportCounts& counts() const { return counts_; }

private:
    void appendPacket(std::string& out, int64_t microseconds, const std::string& data);
    void keepForNextPacket(std::string comment, std::string& out);

    PcapFormat format_;
    int channel_;
    CaptureClock clock_;
    PacketTimeRange range_;
    PcapExportCounts counts_;
    int64_t lastMicroseconds_ = 0;
    std::vector<std::string> comments_;  // for the next packet, in record order
    size_t waitingBytes_ = 0;
    std::string data_;
    std::string comment_;
};

} // namespace qlm
