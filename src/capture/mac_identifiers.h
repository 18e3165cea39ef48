#pragma once

#include <cstdint>

namespace qlm {

// IEEE 802.15.4 frame types (low three bits of the frame control's first byte);
// 4 to 7 are reserved.
enum MacFrameType : uint8_t {
    kMacBeacon = 0,
    kMacData = 1,
    kMacAck = 2,
    kMacCommand = 3,
};

// Frame control, first byte.
constexpr uint8_t kMacFrameTypeMask = 0x07;
constexpr uint8_t kMacSecurityEnabled = 0x08;
constexpr uint8_t kMacFramePending = 0x10;
constexpr uint8_t kMacAckRequest = 0x20;
constexpr uint8_t kMacIntraPan = 0x40;
// Frame control, second byte: the addressing modes.
constexpr uint8_t kMacDestinationModeMask = 0x0C;
constexpr uint8_t kMacDestinationShort = 0x08;
constexpr uint8_t kMacDestinationExtended = 0x0C;
constexpr uint8_t kMacSourceModeMask = 0xC0;
constexpr uint8_t kMacSourceShort = 0x80;
constexpr uint8_t kMacSourceExtended = 0xC0;

// MAC command identifiers (IEEE 802.15.4-2003); 0 and 10 to 255 are reserved.
enum MacCommandId : uint8_t {
    kAssociationRequest = 1,
    kAssociationResponse = 2,
    kDisassociationNotification = 3,
    kDataRequest = 4,
    kPanIdConflict = 5,
    kOrphanNotification = 6,
    kBeaconRequest = 7,
    kCoordinatorRealignment = 8,
    kGtsRequest = 9,
};

} // namespace qlm
