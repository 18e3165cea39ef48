#include "pcap/tap_header.h"

#include "pcap/byte_order.h"

#include <algorithm>
#include <cstring>

namespace qlm {
namespace {

constexpr uint8_t kFcsNone = 0;
constexpr uint8_t kFcs16 = 1;

void appendTlv(std::string& out, TapTlv type, const void* value, uint16_t length) {
    appendLe32(out, static_cast<uint32_t>(type) | uint32_t{length} << 16);
    char word[4] = {};  // every value here fits one padded word
    std::memcpy(word, value, std::min<size_t>(length, sizeof word));
    out.append(word, sizeof word);
}

} // namespace

void appendTapHeader(std::string& out, const TapFields& fields) {
    const size_t start = out.size();
    out.push_back('\0');  // version
    out.push_back('\0');  // reserved
    appendLe16(out, 0);   // length, set below
    const uint8_t fcsType = fields.fcsIncluded ? kFcs16 : kFcsNone;
    appendTlv(out, TapTlv::kFcsType, &fcsType, 1);
    if (fields.rssDbm) {
        uint32_t bits = 0;
        std::memcpy(&bits, &*fields.rssDbm, sizeof bits);
        const uint8_t value[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                                  static_cast<uint8_t>(bits >> 16),
                                  static_cast<uint8_t>(bits >> 24)};
        appendTlv(out, TapTlv::kRss, value, 4);
    }
    if (fields.channel) {
        const uint8_t value[3] = {static_cast<uint8_t>(*fields.channel),
                                  static_cast<uint8_t>(*fields.channel >> 8), 0};
        appendTlv(out, TapTlv::kChannel, value, 3);
    }
    if (fields.lqi)
        appendTlv(out, TapTlv::kLqi, &*fields.lqi, 1);
    const auto length = static_cast<uint16_t>(out.size() - start);
    out[start + 2] = static_cast<char>(length & 0xFF);
    out[start + 3] = static_cast<char>(length >> 8);
}

std::optional<TapFields> readTapHeader(std::span<const uint8_t> packet, size_t& headerLength) {
    if (packet.size() < 4 || packet[0] != 0)
        return std::nullopt;
    const size_t length = readLe16(packet.data() + 2);
    if (length < 4 || length > packet.size())
        return std::nullopt;
    TapFields fields;
    fields.fcsIncluded = false;
    size_t at = 4;
    while (at < length) {
        if (length - at < 4)
            return std::nullopt;
        const uint16_t type = readLe16(packet.data() + at);
        const uint16_t valueLength = readLe16(packet.data() + at + 2);
        const size_t padded = (static_cast<size_t>(valueLength) + 3) / 4 * 4;
        if (padded > length - at - 4)
            return std::nullopt;
        const uint8_t* value = packet.data() + at + 4;
        switch (static_cast<TapTlv>(type)) {
        case TapTlv::kFcsType:
            if (valueLength >= 1)
                fields.fcsIncluded = value[0] == kFcs16;
            break;
        case TapTlv::kRss:
            if (valueLength >= 4) {
                const uint32_t bits = readLe32(value);
                float dbm = 0;
                std::memcpy(&dbm, &bits, sizeof dbm);
                fields.rssDbm = dbm;
            }
            break;
        case TapTlv::kChannel:
            if (valueLength >= 2)
                fields.channel = readLe16(value);
            break;
        case TapTlv::kLqi:
            if (valueLength >= 1)
                fields.lqi = value[0];
            break;
        default:
            break;
        }
        at += 4 + padded;
    }
    headerLength = length;
    return fields;
}

} // namespace qlm
