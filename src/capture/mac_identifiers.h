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
