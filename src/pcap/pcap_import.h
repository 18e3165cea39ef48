#pragma once

#include "capture/capture.h"
#include "logfile/log_file.h"
#include "pcap/packet_file_reader.h"

#include <optional>
#include <vector>
#include <string>

namespace qlm {

struct PcapImportCounts {
    int64_t frames = 0;
    int64_t otherLinkTypes = 0;  // packets of link types other than 195, 230 and 283
    int64_t tooLong = 0;         // MAC frames longer than 125 bytes
    int64_t malformed = 0;       // blocks, records or TAP headers that could not be read
    int64_t empty = 0;           // packets without a single byte
    bool truncated = false;
    std::optional<size_t> damagedAt;  // a damaged block there stopped the reading
    bool outOfMemory = false;         // the store could not grow: the reading stopped
    std::vector<ZigbeeSecret> secrets;  // ZigBee keys the file carries
    int64_t recordsKept = 0;          // records in the store after the reading
    // The reading stopped before the file's end.
    bool partial() const { return damagedAt.has_value() || outOfMemory; }
    // One line for the status bar when the reading stopped early or anything was
    // skipped, else empty.
    std::string message() const;
};

// What a packet becomes when no TAP field says otherwise: RSSI byte 0 (shown as
// -45 dBm), link quality 0, and a failed CRC unless the packet's FCS was checked.
inline constexpr uint8_t kUnknownRssiByte = 0;

// Replaces the capture by the packets of a pcap or pcapng file (link types 195,
// 230 and 283, mixed freely): each packet becomes a record of the PHY length
// byte, the MAC frame and the two status bytes; times of day are local. A
// file written by this program gives back its records, overflow records and
// PHY errors included. Nodes are attributed as after a log import, and the
// channel the first TAP header names becomes the selected channel.
FileResult importPcapFile(Capture& capture, const std::string& path, PcapImportCounts& counts);
// The same from the file's bytes; false (capture untouched) when the bytes are
// not a pcap or pcapng file, or the first block of a pcapng cannot be read. A
// damaged block further on, or a store that cannot grow, ends the reading there:
// the capture keeps what was read and the counts say why.
bool readPcapCapture(Capture& capture, std::span<const uint8_t> file, PcapImportCounts& counts,
                     std::string& error);

} // namespace qlm
