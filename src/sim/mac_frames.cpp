#include "sim/mac_frames.h"

namespace qlm::sim {

namespace {

void putAddress(Bytes& out, const MacAddress& address) {
    if (address.mode == kShortAddressMode)
        putU16(out, static_cast<uint16_t>(address.address));
    else
        putU64(out, address.address);
}

bool defaultIntraPan(const MacAddress& destination, const MacAddress& source) {
    return destination.mode != kNoAddressMode && source.mode != kNoAddressMode &&
           destination.pan == source.pan;
}

int addressLength(int mode) {
    if (mode == kShortAddressMode)
        return 2;
    return mode == kExtendedAddressMode ? 8 : 0;
}

} // namespace

Bytes macFrame(uint8_t type, const MacAddress& destination, const MacAddress& source,
               const Bytes& payload, const MacFlags& flags) {
    const bool intra = flags.intraPan.value_or(defaultIntraPan(destination, source));
    Bytes out;
    putU8(out, type | flags.secured << 3 | flags.pending << 4 | flags.ackRequest << 5 | intra << 6);
    putU8(out, destination.mode << 2 | source.mode << 6);
    putU8(out, 0);
    if (destination.mode != kNoAddressMode) {
        putU16(out, destination.pan);
        putAddress(out, destination);
    }
    if (source.mode != kNoAddressMode) {
        if (!intra)
            putU16(out, source.pan);
        putAddress(out, source);
    }
    append(out, payload);
    return out;
}

int macHeaderLength(const Bytes& mac) {
    if (mac.size() < 3)
        return static_cast<int>(mac.size());
    const int destinationMode = (mac[1] >> 2) & 3;
    const int sourceMode = (mac[1] >> 6) & 3;
    int length = 3;
    if (addressLength(destinationMode) > 0)
        length += 2 + addressLength(destinationMode);
    if (addressLength(sourceMode) > 0)
        length += ((mac[0] & 0x40) ? 0 : 2) + addressLength(sourceMode);
    return length;
}

Bytes ackFrame(uint8_t sequence, bool pending) {
    return {static_cast<uint8_t>(kMacAck | pending << 4), 0x00, sequence};
}

Bytes superframeSpec(int beaconOrder, int superframeOrder, int finalCapSlot, bool panCoordinator,
                     bool permitJoin) {
    return {static_cast<uint8_t>(beaconOrder | superframeOrder << 4),
            static_cast<uint8_t>(finalCapSlot | panCoordinator << 6 | permitJoin << 7)};
}

Bytes gtsFields(bool permit, const std::vector<GtsSlot>& slots) {
    Bytes out;
    putU8(out, slots.size() | permit << 7);
    if (slots.empty())
        return out;
    unsigned directions = 0;
    for (size_t i = 0; i < slots.size(); ++i)
        directions |= slots[i].receive ? 1u << i : 0u;
    putU8(out, directions);
    for (const GtsSlot& slot : slots) {
        putU16(out, slot.shortAddress);
        putU8(out, slot.startSlot | slot.length << 4);
    }
    return out;
}

Bytes pendingFields(const std::vector<uint16_t>& shorts, const std::vector<uint64_t>& extended) {
    Bytes out;
    putU8(out, shorts.size() | extended.size() << 4);
    for (uint16_t address : shorts)
        putU16(out, address);
    for (uint64_t address : extended)
        putU64(out, address);
    return out;
}

Bytes zigbeeBeaconPayload(int version, int depth, bool routerRoom, bool deviceRoom,
                          std::optional<uint64_t> extendedPan) {
    Bytes out = {0x00, static_cast<uint8_t>(0x01 | version << 4),
                 static_cast<uint8_t>(routerRoom << 2 | depth << 3 | deviceRoom << 7)};
    if (extendedPan) {
        putU64(out, *extendedPan);
        append(out, {0xFF, 0xFF, 0xFF});
    }
    return out;
}

} // namespace qlm::sim
