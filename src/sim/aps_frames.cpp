#include "sim/aps_frames.h"

#include <cmath>

namespace qlm::sim {

namespace {

Bytes afFrame(uint8_t kind, std::initializer_list<Bytes> transactions) {
    Bytes out;
    putU8(out, kind | transactions.size());
    for (const Bytes& transaction : transactions)
        append(out, transaction);
    return out;
}

uint16_t halfBits(double value) {
    const unsigned sign = value < 0 ? 0x8000u : 0u;
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent); // in [0.5, 1)
    if (mantissa == 0.0)
        return static_cast<uint16_t>(sign);
    const auto fraction = static_cast<unsigned>(std::lround((mantissa * 2.0 - 1.0) * 1024.0));
    return static_cast<uint16_t>(sign | static_cast<unsigned>(exponent - 1 + 15) << 10 | fraction);
}

} // namespace

Bytes apsData(std::optional<uint8_t> destinationEndpoint, uint8_t cluster, uint16_t profile,
              std::optional<uint8_t> sourceEndpoint, const ApsDelivery& delivery) {
    const bool indirect = delivery.mode == kIndirectDelivery;
    Bytes out;
    putU8(out, delivery.mode | delivery.toBinding << 4 | delivery.ackRequest << 6);
    if (!(indirect && delivery.toBinding))
        putU8(out, destinationEndpoint.value_or(0));
    putU8(out, cluster);
    putU16(out, profile);
    if (!(indirect && !delivery.toBinding))
        putU8(out, sourceEndpoint.value_or(0));
    return out;
}

Bytes apsAck(uint8_t destinationEndpoint, uint8_t cluster, uint16_t profile,
             uint8_t sourceEndpoint) {
    Bytes out = {0x02, destinationEndpoint, cluster};
    putU16(out, profile);
    putU8(out, sourceEndpoint);
    return out;
}

Bytes apsCommand(uint8_t command, const Bytes& body) {
    return joined({0x01, command}, body);
}

Bytes afKvp(std::initializer_list<Bytes> transactions) {
    return afFrame(0x10, transactions);
}

Bytes afMessages(std::initializer_list<Bytes> transactions) {
    return afFrame(0x20, transactions);
}

Bytes kvp(uint8_t sequence, uint8_t command, uint8_t dataType, uint16_t attribute,
          const Bytes& value, std::optional<uint8_t> result) {
    Bytes out = {sequence, static_cast<uint8_t>(command | dataType << 4)};
    putU16(out, attribute);
    if (result)
        putU8(out, *result);
    append(out, value);
    return out;
}

Bytes message(uint8_t sequence, const Bytes& data) {
    return joined({sequence, static_cast<uint8_t>(data.size())}, data);
}

Bytes u8Value(unsigned value) {
    return {static_cast<uint8_t>(value)};
}

Bytes u16Value(unsigned value) {
    Bytes out;
    putU16(out, value);
    return out;
}

Bytes s8Value(int value) {
    return {static_cast<uint8_t>(value)};
}

Bytes s16Value(int value) {
    return u16Value(static_cast<unsigned>(value));
}

Bytes s32Value(int32_t value) {
    Bytes out;
    putU32(out, static_cast<uint32_t>(value));
    return out;
}

Bytes semiValue(double value) {
    return u16Value(halfBits(value));
}

Bytes textValue(std::string_view text) {
    Bytes out = {static_cast<uint8_t>(text.size())};
    for (char c : text)
        out.push_back(static_cast<uint8_t>(c));
    return out;
}

Bytes blobValue(const Bytes& data) {
    return joined({static_cast<uint8_t>(data.size())}, data);
}

Bytes zdoFrame(SimNode& sender, uint8_t cluster, const Bytes& body, bool broadcast) {
    ApsDelivery delivery;
    delivery.mode = broadcast ? kBroadcastDelivery : kDirectDelivery;
    return joined(apsData(0, cluster, kProfileZdo, 0, delivery),
                  afMessages({message(sender.nextAfSeq(), body)}));
}

} // namespace qlm::sim
