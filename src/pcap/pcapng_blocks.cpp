#include "pcap/pcapng_blocks.h"

#include "pcap/byte_order.h"

namespace qlm {
namespace {

void pad(std::string& out, size_t length) { out.append((4 - length % 4) % 4, '\0'); }

void appendOption(std::string& out, uint16_t code, const void* value, size_t length) {
    appendLe16(out, code);
    appendLe16(out, static_cast<uint16_t>(length));
    out.append(static_cast<const char*>(value), length);
    pad(out, length);
}

void appendOption(std::string& out, uint16_t code, std::string_view text) {
    appendOption(out, code, text.data(), std::min<size_t>(text.size(), 0xFFFF));
}

// Starts a block: its type and a length to be set by endBlock.
size_t beginBlock(std::string& out, uint32_t type) {
    const size_t start = out.size();
    appendLe32(out, type);
    appendLe32(out, 0);
    return start;
}

void endBlock(std::string& out, size_t start) {
    const auto length = static_cast<uint32_t>(out.size() - start + 4);
    appendLe32(out, length);
    for (int i = 0; i < 4; ++i)
        out[start + 4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
}

void appendComments(std::string& out, std::span<const std::string> comments) {
    for (const std::string& comment : comments)
        appendOption(out, pcapng::kOptComment, comment);
}

void endOptions(std::string& out) {
    appendLe16(out, pcapng::kOptEndOfOpt);
    appendLe16(out, 0);
}

} // namespace

namespace pcapng {

void appendSectionHeader(std::string& out, std::string_view userApplication) {
    const size_t start = beginBlock(out, kSectionHeader);
    appendLe32(out, kByteOrderMagic);
    appendLe16(out, 1);  // major version
    appendLe16(out, 0);  // minor version
    appendLe64(out, ~uint64_t{0});  // section length not given
    appendOption(out, kShbUserApplication, userApplication);
    endOptions(out);
    endBlock(out, start);
}

void appendInterface(std::string& out, const Interface& interface) {
    const size_t start = beginBlock(out, kInterfaceDescription);
    appendLe16(out, interface.linkType);
    appendLe16(out, 0);
    appendLe32(out, interface.snapLength);
    appendOption(out, kIfName, interface.name);
    appendOption(out, kIfDescription, interface.description);
    appendOption(out, kIfTsResolution, &interface.tsResolution, 1);
    endOptions(out);
    endBlock(out, start);
}

void appendEnhancedPacket(std::string& out, const EnhancedPacket& packet) {
    const size_t start = beginBlock(out, kEnhancedPacket);
    appendLe32(out, packet.interfaceId);
    appendLe32(out, static_cast<uint32_t>(packet.timestamp >> 32));
    appendLe32(out, static_cast<uint32_t>(packet.timestamp));
    appendLe32(out, static_cast<uint32_t>(packet.data.size()));
    appendLe32(out, packet.originalLength);
    out.append(reinterpret_cast<const char*>(packet.data.data()), packet.data.size());
    pad(out, packet.data.size());
    if (!packet.comments.empty() || packet.flags != 0) {
        appendComments(out, packet.comments);
        if (packet.flags != 0) {
            std::string flags;
            appendLe32(flags, packet.flags);
            appendOption(out, kEpbFlags, flags.data(), 4);
        }
        endOptions(out);
    }
    endBlock(out, start);
}

void appendStatisticsComments(std::string& out, uint32_t interfaceId, uint64_t timestamp,
                              std::span<const std::string> comments) {
    const size_t start = beginBlock(out, kInterfaceStatistics);
    appendLe32(out, interfaceId);
    appendLe32(out, static_cast<uint32_t>(timestamp >> 32));
    appendLe32(out, static_cast<uint32_t>(timestamp));
    appendComments(out, comments);
    endOptions(out);
    endBlock(out, start);
}

void appendDecryptionSecrets(std::string& out, uint32_t type, std::span<const uint8_t> data) {
    const size_t start = beginBlock(out, kDecryptionSecrets);
    appendLe32(out, type);
    appendLe32(out, static_cast<uint32_t>(data.size()));
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
    pad(out, data.size());
    endBlock(out, start);
}

} // namespace pcapng

namespace pcap {

void appendFileHeader(std::string& out, uint16_t linkType, uint32_t snapLength) {
    appendLe32(out, kMicrosecondMagic);
    appendLe16(out, 2);
    appendLe16(out, 4);
    appendLe32(out, 0);  // time zone
    appendLe32(out, 0);  // accuracy
    appendLe32(out, snapLength);
    appendLe32(out, linkType);
}

void appendRecord(std::string& out, uint64_t microseconds, std::span<const uint8_t> data,
                  uint32_t originalLength) {
    appendLe32(out, static_cast<uint32_t>(microseconds / 1'000'000));
    appendLe32(out, static_cast<uint32_t>(microseconds % 1'000'000));
    appendLe32(out, static_cast<uint32_t>(data.size()));
    appendLe32(out, originalLength);
    out.append(reinterpret_cast<const char*>(data.data()), data.size());
}

} // namespace pcap
} // namespace qlm
