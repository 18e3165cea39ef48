#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace qlm {

// One packet of a pcap or pcapng file, as read: its interface's link type, its
// time in microseconds since the epoch, its bytes and its comments (one per
// line).
struct FilePacket {
    uint16_t linkType = 0;
    int64_t microseconds = 0;
    std::span<const uint8_t> data;
    std::string comment;
};

struct PacketFileProblems {
    int64_t malformed = 0;  // blocks or records skipped: lengths that disagree or run past the end
    bool truncated = false;  // the file ended inside a block or record
};

// Whether the bytes begin as a classic pcap or a pcapng file does.
bool isPacketFile(std::span<const uint8_t> file);

// Reads a classic pcap (microsecond or nanosecond, either byte order) or pcapng
// file (either byte order, several sections and interfaces; enhanced, simple and
// obsolete packet blocks; unknown blocks skipped) and hands every packet to
// `take`. False with a message when the file is neither.
bool readPacketFile(std::span<const uint8_t> file,
                    const std::function<void(const FilePacket&)>& take,
                    PacketFileProblems& problems, std::string& error);

} // namespace qlm
