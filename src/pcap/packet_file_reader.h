#pragma once

#include "pcap/zigbee_secret.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// One packet of a pcap or pcapng file, as read: its interface's link type, its
// time in microseconds since the epoch, its bytes and its comments (one per
// line). A block that carries comments but no packet (the interface statistics
// at the end of a pcapng) comes as one with `commentsOnly` set.
struct FilePacket {
    uint16_t linkType = 0;
    int64_t microseconds = 0;
    std::span<const uint8_t> data;
    std::string comment;
    bool commentsOnly = false;
};

struct PacketFileProblems {
    int64_t malformed = 0;  // packets skipped: lengths that disagree, unknown interfaces
    bool truncated = false;  // the file ended inside a block or record
    // A block that cannot be read (a damaged length or section header) at this
    // byte: nothing after it can be found again, so the reading stopped there.
    std::optional<size_t> damagedAt;
};

// "Damaged pcapng block at byte N: the rest of the file was not read".
std::string damagedBlockMessage(size_t at);

// Whether the bytes begin as a classic pcap or a pcapng file does.
bool isPacketFile(std::span<const uint8_t> file);
// Whether the bytes begin as a pcapng file does but its first block cannot be
// read (a byte-order magic or length that is no such thing), as the reading
// would find.
bool pcapngStartsDamaged(std::span<const uint8_t> file);

// Receives the packets of a file in order; returns false to stop the reading.
using PacketTaker = std::function<bool(const FilePacket&)>;

// Reads a classic pcap (microsecond or nanosecond, either byte order) or pcapng
// file (either byte order, several sections and interfaces; enhanced, simple and
// obsolete packet blocks; unknown blocks skipped) and hands every packet to
// `take`; the ZigBee keys of Decryption Secrets Blocks go to `secrets` when
// given. False with a message when the file is neither.
bool readPacketFile(std::span<const uint8_t> file, const PacketTaker& take,
                    PacketFileProblems& problems, std::string& error,
                    std::vector<ZigbeeSecret>* secrets = nullptr);

} // namespace qlm
