#pragma once

#include "capture/mac_identifiers.h"
#include "sim/byte_writer.h"

#include <optional>
#include <vector>

namespace qlm::sim {

// IEEE 802.15.4-2003 addressing modes (the frame types are the capture's).
enum : uint8_t { kNoAddressMode = 0, kShortAddressMode = 2, kExtendedAddressMode = 3 };

struct MacAddress {
    uint8_t mode = kNoAddressMode;
    uint16_t pan = 0;
    uint64_t address = 0;
};

inline MacAddress noAddress() {
    return {};
}
inline MacAddress shortAddress(uint16_t pan, uint16_t address) {
    return {kShortAddressMode, pan, address};
}
inline MacAddress extendedAddress(uint16_t pan, uint64_t address) {
    return {kExtendedAddressMode, pan, address};
}

struct MacFlags {
    bool ackRequest = false;
    bool pending = false;
    bool secured = false;
    // Intra-PAN (no source PAN field); by default set when both ends are in one PAN.
    std::optional<bool> intraPan;
};

// Frame control, a sequence number of 0 (filled in when the frame is sent), the
// addressing fields and the payload: the MAC frame without its FCS.
Bytes macFrame(uint8_t type, const MacAddress& destination, const MacAddress& source,
               const Bytes& payload, const MacFlags& flags = {});
// Bytes of frame control, sequence number and addressing fields.
int macHeaderLength(const Bytes& mac);
inline bool wantsAck(const Bytes& mac) {
    return mac.size() >= 3 && (mac[0] & 0x20) != 0;
}
// An acknowledgement of the frame with that sequence number.
Bytes ackFrame(uint8_t sequence, bool pending);

// Beacon payload fields.
Bytes superframeSpec(int beaconOrder, int superframeOrder, int finalCapSlot, bool panCoordinator,
                     bool permitJoin);
struct GtsSlot {
    uint16_t shortAddress;
    int startSlot;
    int length;
    bool receive;
};
Bytes gtsFields(bool permit, const std::vector<GtsSlot>& slots);
Bytes pendingFields(const std::vector<uint16_t>& shorts, const std::vector<uint64_t>& extended);
// Protocol id, stack profile and version, capacity and depth; networks of
// protocol version 2 add the extended PAN identifier and the transmit offset.
Bytes zigbeeBeaconPayload(int version, int depth, bool routerRoom, bool deviceRoom,
                          std::optional<uint64_t> extendedPan = std::nullopt);

} // namespace qlm::sim
