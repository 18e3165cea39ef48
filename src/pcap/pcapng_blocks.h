#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qlm {

// pcapng blocks as this program writes them: little-endian, every option padded
// to 32 bits and the option list ended by opt_endofopt.
namespace pcapng {

constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 0x00000001;
constexpr uint32_t kObsoletePacket = 0x00000002;
constexpr uint32_t kSimplePacket = 0x00000003;
constexpr uint32_t kInterfaceStatistics = 0x00000005;
constexpr uint32_t kEnhancedPacket = 0x00000006;
constexpr uint32_t kDecryptionSecrets = 0x0000000A;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

constexpr uint16_t kOptEndOfOpt = 0;
constexpr uint16_t kOptComment = 1;
constexpr uint16_t kShbUserApplication = 4;
constexpr uint16_t kIfName = 2;
constexpr uint16_t kIfDescription = 3;
constexpr uint16_t kIfTsResolution = 9;
constexpr uint16_t kEpbFlags = 2;

// Secrets types of a Decryption Secrets Block.
constexpr uint32_t kSecretsZigbeeNwkKey = 0x5A4E574B;
constexpr uint32_t kSecretsZigbeeApsKey = 0x5A415053;

void appendSectionHeader(std::string& out, std::string_view userApplication);

struct Interface {
    uint16_t linkType;
    uint32_t snapLength;
    std::string_view name;
    std::string_view description;
    uint8_t tsResolution;  // 6: microseconds, 9: nanoseconds
};
void appendInterface(std::string& out, const Interface& interface);

// Each comment is an option of its own, so none is cut at an option's 65,535
// bytes however many there are.
struct EnhancedPacket {
    uint32_t interfaceId = 0;
    uint64_t timestamp = 0;  // in the interface's resolution
    std::span<const uint8_t> data;
    uint32_t originalLength = 0;
    std::span<const std::string> comments;
    uint32_t flags = 0;  // written when not 0
};
void appendEnhancedPacket(std::string& out, const EnhancedPacket& packet);

// The interface statistics block, written only for its comments: what a
// capture's end still has to say.
void appendStatisticsComments(std::string& out, uint32_t interfaceId, uint64_t timestamp,
                              std::span<const std::string> comments);

// A Decryption Secrets Block: the secrets' type and their bytes.
void appendDecryptionSecrets(std::string& out, uint32_t type, std::span<const uint8_t> data);

} // namespace pcapng

// Classic pcap: the microsecond format, little-endian.
namespace pcap {

constexpr uint32_t kMicrosecondMagic = 0xA1B2C3D4;
constexpr uint32_t kNanosecondMagic = 0xA1B23C4D;

void appendFileHeader(std::string& out, uint16_t linkType, uint32_t snapLength);
void appendRecord(std::string& out, uint64_t microseconds, std::span<const uint8_t> data,
                  uint32_t originalLength);

} // namespace pcap
} // namespace qlm
