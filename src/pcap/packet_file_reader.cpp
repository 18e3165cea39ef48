#include "pcap/packet_file_reader.h"

#include "pcap/byte_order.h"
#include "pcap/pcapng_blocks.h"

#include <algorithm>
#include <vector>

namespace qlm {
namespace {

// Fields of a file in its own byte order, every read inside the span.
class FieldReader {
public:
    FieldReader(std::span<const uint8_t> bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

    bool has(size_t at, size_t length) const {
        return at <= bytes_.size() && length <= bytes_.size() - at;
    }
    uint16_t u16(size_t at) const {
        const uint8_t* p = bytes_.data() + at;
        return static_cast<uint16_t>(big_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    uint32_t u32(size_t at) const {
        const uint32_t a = u16(at);
        const uint32_t b = u16(at + 2);
        return big_ ? (a << 16 | b) : (b << 16 | a);
    }
    std::span<const uint8_t> bytes(size_t at, size_t length) const {
        return bytes_.subspan(at, length);
    }

private:
    std::span<const uint8_t> bytes_;
    bool big_;
};

uint32_t littleU32(std::span<const uint8_t> file) { return readLe32(file.data()); }

// The classic magics as a little-endian read sees them, written either way.
constexpr uint32_t kSwappedMicrosecondMagic = 0xD4C3B2A1;
constexpr uint32_t kSwappedNanosecondMagic = 0x4D3CB2A1;

bool isClassicMagic(uint32_t magic) {
    return magic == pcap::kMicrosecondMagic || magic == pcap::kNanosecondMagic ||
           magic == kSwappedMicrosecondMagic || magic == kSwappedNanosecondMagic;
}

bool readClassic(std::span<const uint8_t> file, const PacketTaker& take,
                 PacketFileProblems& problems) {
    const uint32_t magic = littleU32(file);
    const bool swapped = magic == kSwappedMicrosecondMagic || magic == kSwappedNanosecondMagic;
    const bool nanoseconds = magic == pcap::kNanosecondMagic || magic == kSwappedNanosecondMagic;
    const FieldReader in(file, swapped);
    if (!in.has(0, 24)) {
        problems.truncated = true;
        return true;
    }
    FilePacket packet;
    packet.linkType = static_cast<uint16_t>(in.u32(20));
    for (size_t at = 24; at < file.size();) {
        if (!in.has(at, 16)) {
            problems.truncated = true;
            break;
        }
        const uint32_t seconds = in.u32(at);
        const uint32_t fraction = in.u32(at + 4);
        const uint32_t captured = in.u32(at + 8);
        if (!in.has(at + 16, captured)) {
            problems.truncated = true;
            break;
        }
        packet.microseconds =
            int64_t{seconds} * 1'000'000 + (nanoseconds ? fraction / 1000 : fraction);
        packet.data = in.bytes(at + 16, captured);
        if (!take(packet))
            break;
        at += 16 + captured;
    }
    return true;
}

struct Interface {
    uint16_t linkType = 0;
    uint64_t unitsPerSecond = 1'000'000;
};

// The options of a block body from `at` to `end`: comments and the time resolution.
void readOptions(const FieldReader& in, size_t at, size_t end, std::string* comment,
                 uint64_t* unitsPerSecond) {
    while (at + 4 <= end) {
        const uint16_t code = in.u16(at);
        const uint16_t length = in.u16(at + 2);
        if (code == pcapng::kOptEndOfOpt || length > end - at - 4)
            return;
        const std::span<const uint8_t> value = in.bytes(at + 4, length);
        if (comment != nullptr && code == pcapng::kOptComment) {
            if (!comment->empty())
                comment->push_back('\n');
            comment->append(reinterpret_cast<const char*>(value.data()), value.size());
        }
        if (unitsPerSecond != nullptr && code == pcapng::kIfTsResolution && length >= 1) {
            const uint8_t resolution = value[0];
            const unsigned exponent = resolution & 0x7F;
            uint64_t units = 1;
            for (unsigned i = 0; i < exponent && units < (uint64_t{1} << 62); ++i)
                units *= (resolution & 0x80) != 0 ? 2 : 10;
            *unitsPerSecond = units;
        }
        at += 4 + (static_cast<size_t>(length) + 3) / 4 * 4;
    }
}

int64_t toMicroseconds(uint64_t timestamp, uint64_t unitsPerSecond) {
    if (unitsPerSecond == 1'000'000)
        return static_cast<int64_t>(timestamp);
    const uint64_t seconds = timestamp / unitsPerSecond;
    const uint64_t rest = timestamp % unitsPerSecond;
    return static_cast<int64_t>(seconds * 1'000'000 +
                                static_cast<uint64_t>(static_cast<long double>(rest) * 1e6L /
                                                      static_cast<long double>(unitsPerSecond)));
}

constexpr uint32_t kSwappedByteOrderMagic = 0x4D3C2B1A;
constexpr size_t kSmallestBlock = 12;  // type, length and the length again

bool knownByteOrder(uint32_t magic) {
    return magic == pcapng::kByteOrderMagic || magic == kSwappedByteOrderMagic;
}

// A block's length can be trusted as far as its form goes: the next block is
// found by it.
bool plausibleBlockLength(uint32_t length) {
    return length >= kSmallestBlock && length % 4 == 0;
}

enum class BlockCheck { kReadable, kTruncated, kDamaged };

// Whether the block at `at` can be read: its length fits its form, the file and
// the copy at its end. A section header sets the byte order of what follows.
BlockCheck checkBlock(std::span<const uint8_t> file, size_t at, bool& big, uint32_t& length) {
    if (file.size() - at < kSmallestBlock)
        return BlockCheck::kTruncated;
    if (littleU32(file.subspan(at, 4)) == pcapng::kSectionHeader) {
        const uint32_t magic = littleU32(file.subspan(at + 8, 4));
        if (!knownByteOrder(magic))
            return BlockCheck::kDamaged;
        big = magic != pcapng::kByteOrderMagic;
    }
    const FieldReader in(file, big);
    length = in.u32(at + 4);
    if (!plausibleBlockLength(length))
        return BlockCheck::kDamaged;
    if (!in.has(at, length))
        return BlockCheck::kTruncated;
    // The length is written again at the block's end: where the two differ, the
    // block's bounds cannot be trusted.
    return in.u32(at + length - 4) == length ? BlockCheck::kReadable : BlockCheck::kDamaged;
}

// The blocks of one pcapng file in order, with the interfaces of the section
// they are in.
class PcapngReader {
public:
    PcapngReader(std::span<const uint8_t> file, const PacketTaker& take,
                 PacketFileProblems& problems, std::vector<ZigbeeSecret>* secrets)
        : file_(file), take_(take), problems_(problems), secrets_(secrets) {}

    void read() {
        for (size_t at = 0; at < file_.size();) {
            uint32_t length = 0;
            switch (checkBlock(file_, at, big_, length)) {
            case BlockCheck::kTruncated:
                problems_.truncated = true;
                return;
            case BlockCheck::kDamaged:
                problems_.damagedAt = at;
                return;
            case BlockCheck::kReadable:
                break;
            }
            const FieldReader in(file_, big_);
            const uint32_t type = in.u32(at);
            if (type == pcapng::kSectionHeader)
                interfaces_.clear();
            if (!readBlock(in, type, at + 8, at + length - 4))
                return;
            at += length;
        }
    }

private:
    // The block whose body runs from `body` to `end`; false to stop.
    bool readBlock(const FieldReader& in, uint32_t type, size_t body, size_t end) {
        switch (type) {
        case pcapng::kInterfaceDescription:
            if (end - body >= 8) {
                Interface interface;
                interface.linkType = in.u16(body);
                readOptions(in, body + 8, end, nullptr, &interface.unitsPerSecond);
                interfaces_.push_back(interface);
            }
            return true;
        case pcapng::kEnhancedPacket:
        case pcapng::kObsoletePacket:
            return readPacket(in, type == pcapng::kEnhancedPacket, body, end);
        case pcapng::kSimplePacket:
            return readSimplePacket(in, body, end);
        case pcapng::kInterfaceStatistics:
            return readStatistics(in, body, end);
        case pcapng::kDecryptionSecrets:
            readSecrets(in, body, end);
            return true;
        default:
            return true;  // a block of a kind this reader does not need
        }
    }

    // A ZigBee key; secrets of other kinds, or too short to hold a key, are passed over.
    void readSecrets(const FieldReader& in, size_t body, size_t end) {
        constexpr size_t kKeyBytes = 16;
        if (secrets_ == nullptr || end - body < 8 + kKeyBytes)
            return;
        const uint32_t type = in.u32(body);
        const uint32_t length = in.u32(body + 4);
        if ((type != pcapng::kSecretsZigbeeNwkKey && type != pcapng::kSecretsZigbeeApsKey) ||
            length < kKeyBytes || length > end - body - 8)
            return;
        ZigbeeSecret secret;
        secret.layer = type == pcapng::kSecretsZigbeeNwkKey ? ZigbeeSecret::Layer::kNetwork
                                                            : ZigbeeSecret::Layer::kLink;
        const std::span<const uint8_t> key = in.bytes(body + 8, kKeyBytes);
        std::copy(key.begin(), key.end(), secret.key.begin());
        secrets_->push_back(secret);
    }

    bool readPacket(const FieldReader& in, bool enhanced, size_t body, size_t end) {
        const uint32_t interfaceId = enhanced ? in.u32(body) : in.u16(body);
        const uint32_t captured = end - body >= 20 ? in.u32(body + 12) : UINT32_MAX;
        if (end - body < 20 || interfaceId >= interfaces_.size() || captured > end - body - 20) {
            ++problems_.malformed;
            return true;
        }
        const Interface& interface = interfaces_[interfaceId];
        FilePacket packet;
        packet.linkType = interface.linkType;
        packet.microseconds = toMicroseconds(timestampAt(in, body + 4), interface.unitsPerSecond);
        packet.data = in.bytes(body + 20, captured);
        readOptions(in, body + 20 + (static_cast<size_t>(captured) + 3) / 4 * 4, end,
                    &packet.comment, nullptr);
        return take_(packet);
    }

    bool readSimplePacket(const FieldReader& in, size_t body, size_t end) {
        if (end - body < 4 || interfaces_.empty()) {
            ++problems_.malformed;
            return true;
        }
        const size_t captured = std::min<size_t>(in.u32(body), end - body - 4);
        FilePacket packet;
        packet.linkType = interfaces_.front().linkType;
        packet.data = in.bytes(body + 4, captured);
        return take_(packet);
    }

    // Only the comments of the statistics are wanted.
    bool readStatistics(const FieldReader& in, size_t body, size_t end) {
        if (end - body < 12)
            return true;
        const uint32_t interfaceId = in.u32(body);
        FilePacket comments;
        comments.commentsOnly = true;
        if (interfaceId < interfaces_.size())
            comments.microseconds = toMicroseconds(timestampAt(in, body + 4),
                                                   interfaces_[interfaceId].unitsPerSecond);
        readOptions(in, body + 12, end, &comments.comment, nullptr);
        return comments.comment.empty() || take_(comments);
    }

    static uint64_t timestampAt(const FieldReader& in, size_t at) {
        return uint64_t{in.u32(at)} << 32 | in.u32(at + 4);
    }

    std::span<const uint8_t> file_;
    const PacketTaker& take_;
    PacketFileProblems& problems_;
    std::vector<ZigbeeSecret>* secrets_;
    bool big_ = false;
    std::vector<Interface> interfaces_;
};

} // namespace

std::string damagedBlockMessage(size_t at) {
    return "Damaged pcapng block at byte " + std::to_string(at) +
           ": the rest of the file was not read";
}

bool isPacketFile(std::span<const uint8_t> file) {
    if (file.size() < 4)
        return false;
    const uint32_t magic = littleU32(file);
    return isClassicMagic(magic) || magic == pcapng::kSectionHeader;
}

bool pcapngStartsDamaged(std::span<const uint8_t> file) {
    if (file.size() < 4 || littleU32(file) != pcapng::kSectionHeader)
        return false;
    bool big = false;
    uint32_t length = 0;
    return checkBlock(file, 0, big, length) == BlockCheck::kDamaged;
}

bool readPacketFile(std::span<const uint8_t> file, const PacketTaker& take,
                    PacketFileProblems& problems, std::string& error,
                    std::vector<ZigbeeSecret>* secrets) {
    if (file.size() >= 4) {
        const uint32_t magic = littleU32(file);
        if (isClassicMagic(magic))
            return readClassic(file, take, problems);
        if (magic == pcapng::kSectionHeader) {
            PcapngReader(file, take, problems, secrets).read();
            return true;
        }
    }
    error = "not a pcap or pcapng file";
    return false;
}

} // namespace qlm
